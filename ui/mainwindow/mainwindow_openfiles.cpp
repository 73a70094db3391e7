// Files opened from outside: the command line of the first start, or a later start's hand-off.
#include "ui/mainwindow/mainwindow.h"

#include "app/apputils.h"
#include "audio/playbackengine.h"
#include "ui/mainwindow/trackrow.h"
#include "ui_mainwindow.h"

#include <QtConcurrent/QtConcurrentRun>

void MainWindow::openFiles(const QStringList &files)
{
    debugLog(QStringLiteral("openFiles"), files.join(QLatin1Char('\n')));
    // Lists are planned one after the other, as they came, so each ends as if opened alone.
    openFilesQueue.append(files);
    if (!openFilesRunning)
        planNextOpenedFiles();
}

void MainWindow::planNextOpenedFiles()
{
    openFilesRunning = !openFilesQueue.isEmpty();
    if (!openFilesRunning)
        return;
    // Sheets are parsed and their albums probed on the pool: many files must not freeze the
    // window.
    const QStringList files = openFilesQueue.takeFirst();
    openFilesWatcher.disconnect(this);
    openFilesWatcher.setFuture(
        QtConcurrent::run([files]() { return OpenFilesPlan::build(files); }));
    connect(&openFilesWatcher, &QFutureWatcherBase::finished, this, [this]() {
        if (openFilesWatcher.future().resultCount() > 0)
            showOpenedFiles(openFilesWatcher.result());
        planNextOpenedFiles();
    });
}

void MainWindow::showOpenedFiles(const OpenFilesPlan &plan)
{
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
