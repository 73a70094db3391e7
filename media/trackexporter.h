#pragma once

#include "media/exportplan.h"

#include <QFutureWatcher>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <memory>

// Writes tracks as separate files into a folder: whole files are copied, ranges of album files
// are cut with ffmpeg (tagged from the sheet, with the album cover where the format holds one),
// several at once, and a UTF-8 .m3u8 playlist of the files written is added. Runs from the
// caller's event loop without blocking it. Nothing existing is ever overwritten; a file that
// could not be finished is removed. The window and quellin-cue both export through this class.
class TrackExporter : public QObject
{
    Q_OBJECT
public:
    enum class StartResult {
        Started, // progress(), trackFinished() and finally finished() follow
        NoTracks, // nothing to export
        FfmpegMissing, // nothing exported; see ffmpegMissingText()
        Busy // an export is still running
    };

    struct Failure
    {
        QString title;
        QString reason; // one line
    };

    struct Result
    {
        QString folder;
        int total = 0;
        QStringList writtenFiles; // absolute paths, in list order
        QVector<Failure> failures; // in list order
        bool cancelled = false;
        QString playlistPath; // empty when no playlist was written
        bool playlistFailed = false;
    };

    explicit TrackExporter(QObject *parent = nullptr);
    ~TrackExporter() override;

    // How many files are written at once; the machine's core count unless set.
    void setParallelJobs(int jobs) { m_parallel = std::max(1, jobs); }

    StartResult start(const QVector<TrackInfo> &tracks, const QString &folder);
    // Stops every cut and copy and removes every file not yet complete; finished() follows
    // with result().cancelled set.
    void cancel();
    bool isRunning() const { return m_running; }
    const Result &result() const { return m_result; }

    // The user's texts, translated in the main window's context.
    static QString summaryText(const Result &result);
    static QString ffmpegMissingText();

signals:
    // After every change: how many tracks are done, and the titles being written now.
    void progress(int done, int count, const QStringList &writing);
    // One track ended: its file, or empty and the reason it could not be written.
    void trackFinished(int index, const QString &file, const QString &failure);
    void finished();

private:
    struct Running
    {
        int index = -1;
        QProcess *process = nullptr;
        QByteArray errors;
        QFutureWatcher<QString> *copy = nullptr;
    };

    void planReady();
    void launch();
    void startCut(int index);
    void startCopy(int index);
    void jobEnded(int index, const QString &failure);
    void reportProgress();
    void finish();
    void removeUnfinished();
    void writePlaylist();
    Running *runningJob(int index);

    QString m_ffmpeg;
    int m_parallel = 1;
    bool m_running = false;
    bool m_cancelRequested = false;
    QVector<TrackInfo> m_tracks;
    QFutureWatcher<QVector<ExportJob>> m_plan;
    QVector<ExportJob> m_jobs;
    QVector<int> m_state; // per job: 0 waiting, 1 running, 2 written, 3 failed
    int m_next = 0;
    int m_done = 0;
    QVector<Running> m_runningJobs;
    std::shared_ptr<std::atomic_bool> m_stopCopies;
    Result m_result;
};
