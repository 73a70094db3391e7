#pragma once

#include "media/trackinfo.h"

#include <QFile>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVector>
#include <memory>

// Writes tracks as separate files into a folder: whole files are copied, ranges of album files
// are cut with ffmpeg (losslessly re-encoded for lossless sources, stream-copied for lossy ones),
// and a UTF-8 .m3u8 playlist of the files written is added. Runs on the caller's (GUI) thread
// without blocking it: ffmpeg runs asynchronously and copies go in chunks through the event
// loop. Nothing existing is ever overwritten; a file that could not be finished is removed.
class TrackExporter : public QObject
{
    Q_OBJECT
public:
    enum class StartResult {
        Started, // progress() and finally finished() follow
        NoTracks, // nothing to export
        FfmpegMissing, // nothing exported; see ffmpegMissingText()
        Busy // an export is still running
    };

    struct Result
    {
        int total = 0;
        QStringList writtenFiles; // absolute paths, in list order
        QStringList failedTitles; // titles of the tracks that could not be written
        bool cancelled = false;
        QString playlistPath; // empty when no playlist was written
        bool playlistFailed = false;
    };

    explicit TrackExporter(QObject *parent = nullptr);
    ~TrackExporter() override;

    // The tracks' titles name the files (sanitized, with "(2)", "(3)" ... when taken).
    StartResult start(const QVector<TrackInfo> &tracks, const QString &folder);
    // Stops after killing ffmpeg (or the copy) and removing the file being written; finished()
    // follows with result().cancelled set.
    void cancel();
    bool isRunning() const { return m_running; }
    const Result &result() const { return m_result; }

    // The user's texts, translated in the main window's context.
    static QString summaryText(const Result &result);
    static QString ffmpegMissingText();

signals:
    // Before each track: index counts from 1 to count.
    void progress(int index, int count, const QString &title);
    void finished();

private:
    void nextRow();
    void startCut(const TrackInfo &track);
    void startCopy(const TrackInfo &track);
    void copyChunk();
    void cutFinished(int exitCode, QProcess::ExitStatus status);
    void cutFailedToStart(QProcess::ProcessError error);
    void rowEnded(bool ok);
    void finish();
    void discardPartial();
    void writePlaylist();
    void schedule(void (TrackExporter::*step)());

    QVector<TrackInfo> m_tracks;
    QString m_folder;
    QString m_ffmpeg;
    int m_row = -1;
    bool m_running = false;
    bool m_cancelRequested = false;
    QString m_target; // the file being written, ours to remove until it is complete
    QProcess *m_process = nullptr;
    QByteArray m_ffmpegLog;
    std::unique_ptr<QFile> m_copySource;
    std::unique_ptr<QFile> m_copyTarget;
    QStringList m_playlist;
    Result m_result;
};
