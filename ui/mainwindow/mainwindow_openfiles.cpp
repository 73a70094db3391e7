// Files opened from outside: the command line of the first start, or a later start's hand-off.
#include "ui/mainwindow/mainwindow.h"

#include "app/apputils.h"
#include "audio/playbackengine.h"
#include "media/openfilesplan.h"
#include "ui/mainwindow/trackrow.h"
#include "ui_mainwindow.h"

void MainWindow::openFiles(const QStringList &files)
{
    debugLog(QStringLiteral("openFiles"), files.join(QLatin1Char('\n')));
    const OpenFilesPlan plan = OpenFilesPlan::build(files);
    debugLog(QStringLiteral("openFiles"),
        QStringLiteral("%1 tracks, playing row %2")
            .arg(plan.tracks.size())
            .arg(plan.indexToPlay()));
    if (plan.tracks.isEmpty())
        return;
    leavePlaylistView();
    TrackRow::fill(ui->twCurrentMusicView, plan.tracks, false);
    engine->setPlayQueue(plan.tracks);
    if (!plan.firstFile.isEmpty())
        loadCover(plan.firstFile, false);
    selectPlayingRow(plan.indexToPlay());
    on_btnPlay_clicked();
    showPlayingView();
}
