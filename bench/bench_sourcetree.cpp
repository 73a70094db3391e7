// Builds the source tree for a generated library of 2,000 folders holding 5,000 sheets, lists
// a folder of 500 audio files, and measures how long the window's event loop stalls while
// sheets are clicked one after another (their parsing runs on the thread pool).
#include "app/resourceinit.h"
#include "media/audiofiles.h"
#include "media/cueparser.h"
#include "media/requestcounter.h"
#include "ui/mainwindow/sourcetreebuilder.h"
#include "ui/mainwindow/trackrow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFutureWatcher>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cstdio>

namespace {
void writeSheet(const QString &path, int tracks)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write("FILE \"album.flac\" WAVE\n");
    for (int t = 1; t <= tracks; ++t)
        f.write(QStringLiteral("TRACK %1 AUDIO\nTITLE \"Track %1\"\nINDEX 01 %2:00:00\n")
                    .arg(t, 2, 10, QLatin1Char('0'))
                    .arg(t * 4, 2, 10, QLatin1Char('0'))
                    .toUtf8());
}

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    initResources();
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("Library"));

    // 2,000 folders (100 artists x 20 albums), 5,000 sheets spread over them.
    int sheets = 0;
    for (int a = 0; a < 100; ++a) {
        for (int b = 0; b < 20; ++b) {
            const QString album = QStringLiteral("%1/Artist %2/Album %3").arg(root).arg(a).arg(b);
            QDir().mkpath(album);
            const int here = (a * 20 + b) % 2 == 0 ? 3 : 2;
            for (int s = 0; s < here && sheets < 5000; ++s, ++sheets)
                writeSheet(QStringLiteral("%1/disc%2.cue").arg(album).arg(s), 12);
        }
    }
    const QString loose = dir.filePath(QStringLiteral("Loose"));
    QDir().mkpath(loose);
    for (int i = 0; i < 500; ++i) {
        QFile f(QStringLiteral("%1/%2 song.flac").arg(loose).arg(i, 3, 10, QLatin1Char('0')));
        f.open(QIODevice::WriteOnly);
    }

    QTreeWidget tree;
    tree.resize(400, 700);
    tree.show();
    QVector<double> treeMs;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        SourceTreeBuilder builder;
        builder.populate(&tree, root);
        QApplication::processEvents();
        treeMs << timer.nsecsElapsed() / 1e6;
    }
    std::printf("tree: %d sheets in %d folders, median %.1f ms over 5 builds\n", sheets,
        2000 + 100 + 1, median(treeMs));

    QTreeWidget list;
    list.setColumnCount(4);
    list.show();
    QVector<double> listMs;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        TrackRow::fill(&list, AudioFiles::listAudioFiles(loose), true);
        QApplication::processEvents();
        listMs << timer.nsecsElapsed() / 1e6;
    }
    std::printf("folder of 500 audio files listed and shown: median %.1f ms\n", median(listMs));

    // Click through 200 sheets, 20 ms apart, and watch the longest gap between event-loop turns.
    QStringList sheetPaths;
    QTreeWidgetItemIterator it(&tree);
    for (; *it && sheetPaths.size() < 200; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() == SourceTreeBuilder::kFileType)
            sheetPaths << (*it)->data(0, Qt::UserRole + 1).toString();
    }
    QFutureWatcher<QVector<TrackInfo>> watcher;
    RequestCounter requests;
    int shown = 0;
    QElapsedTimer sinceLastClick;
    double lastResultMs = -1;
    QElapsedTimer beat;
    double worstGap = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        worstGap = std::max(worstGap, beat.nsecsElapsed() / 1e6);
        beat.restart();
    });
    int next = 0;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (next >= sheetPaths.size()) {
            clicker.stop();
            QTimer::singleShot(500, &app, &QApplication::quit);
            return;
        }
        const int mine = requests.next();
        const auto latest = requests.shared();
        const QString path = sheetPaths.at(next++);
        sinceLastClick.restart();
        watcher.disconnect(&watcher, &QFutureWatcherBase::finished, nullptr, nullptr);
        watcher.setFuture(QtConcurrent::run([latest, mine, path] {
            return *latest == mine ? CueParser::parseCueFile(path) : QVector<TrackInfo>();
        }));
        QObject::connect(&watcher, &QFutureWatcherBase::finished, [&, mine] {
            if (requests.isLatest(mine)) {
                TrackRow::fill(&list, watcher.result(), false);
                ++shown;
                lastResultMs = sinceLastClick.nsecsElapsed() / 1e6;
            }
        });
    });
    beat.start();
    heartbeat.start(5);
    clicker.start(20);
    app.exec();
    std::printf("200 sheet clicks 20 ms apart: longest event-loop stall %.1f ms; the last click's "
                "tracks shown %.1f ms after it (%d results shown)\n",
        worstGap, lastResultMs, shown);
    return 0;
}
