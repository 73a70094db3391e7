#include "media/trackexporter.h"

#include "app/apputils.h"
#include "media/audiostreaminfo.h"
#include "media/mediatools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace {

const qint64 kCopyChunkBytes = 4 * 1024 * 1024;
const int kLogTailBytes = 4096;

QString uniqueTarget(const QString &folder, const QString &base, const QString &ext)
{
    const QDir dir(folder);
    QString target = dir.filePath(QStringLiteral("%1.%2").arg(base, ext));
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = dir.filePath(QStringLiteral("%1(%2).%3").arg(base).arg(n).arg(ext));
    return target;
}

bool isOneOf(const QString &type, std::initializer_list<const char *> types)
{
    for (const char *t : types) {
        if (type == QLatin1String(t))
            return true;
    }
    return false;
}

// The codec arguments of a range cut and the suffix of the file it makes. Lossless sources are
// re-encoded losslessly, because a stream copy lands on packet boundaries; types that ffmpeg
// cannot write become FLAC; lossy types are copied untouched.
QStringList codecArguments(const TrackInfo &track, QString *suffix)
{
    const QString type = track.fileType.toLower();
    const QStringList flac { QStringLiteral("-c:a"), QStringLiteral("flac"),
        QStringLiteral("-compression_level"), QStringLiteral("5") };
    const QStringList copy { QStringLiteral("-c"), QStringLiteral("copy") };
    *suffix = track.fileType;
    if (type == QLatin1String("flac"))
        return flac;
    if (isOneOf(type, { "ape", "dsf", "tak" })) {
        *suffix = QStringLiteral("flac");
        return flac;
    }
    if (type == QLatin1String("wv"))
        return { QStringLiteral("-c:a"), QStringLiteral("wavpack") };
    if (type == QLatin1String("tta"))
        return { QStringLiteral("-c:a"), QStringLiteral("tta") };
    if (isOneOf(type, { "wav", "wave", "aiff", "aif", "aifc" })) {
        // ffmpeg picks the output format by suffix and knows no ".wave".
        if (type == QLatin1String("wave"))
            *suffix = QStringLiteral("wav");
        const QString codec = AudioStreamInfo::read(track.filePath).codecName;
        if (codec.startsWith(QLatin1String("pcm_")))
            return { QStringLiteral("-c:a"), codec };
    }
    return copy;
}

QString playlistBaseName(const TrackInfo &first)
{
    if (!first.cuePath.isEmpty())
        return QFileInfo(first.cuePath).completeBaseName();
    const QString album = QFileInfo(first.filePath).absoluteDir().dirName();
    return album.isEmpty() ? QStringLiteral("playlist") : album;
}

} // namespace

TrackExporter::TrackExporter(QObject *parent)
    : QObject(parent)
{ }

TrackExporter::~TrackExporter()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(3000);
    }
    m_copySource.reset();
    m_copyTarget.reset();
    discardPartial();
}

TrackExporter::StartResult TrackExporter::start(
    const QVector<TrackInfo> &tracks, const QString &folder)
{
    if (m_running)
        return StartResult::Busy;
    if (tracks.isEmpty())
        return StartResult::NoTracks;
    const QString ffmpeg = MediaTools::ffmpegPath();
    if (!QFileInfo::exists(ffmpeg))
        return StartResult::FfmpegMissing;

    m_tracks = tracks;
    m_folder = folder;
    m_ffmpeg = ffmpeg;
    m_row = -1;
    m_running = true;
    m_cancelRequested = false;
    m_target.clear();
    m_playlist = QStringList { QStringLiteral("#EXTM3U") };
    m_result = Result();
    m_result.total = tracks.size();
    schedule(&TrackExporter::nextRow);
    return StartResult::Started;
}

void TrackExporter::cancel()
{
    if (!m_running || m_cancelRequested)
        return;
    m_cancelRequested = true;
    // The process' finished signal, the next copy chunk or the next row ends the export.
    if (m_process)
        m_process->kill();
}

void TrackExporter::schedule(void (TrackExporter::*step)())
{
    // Through the event loop, so that the window paints and Cancel gets through in between.
    QTimer::singleShot(0, this, step);
}

void TrackExporter::nextRow()
{
    if (m_cancelRequested) {
        m_result.cancelled = true;
        finish();
        return;
    }
    if (++m_row >= m_tracks.size()) {
        finish();
        return;
    }
    const TrackInfo &track = m_tracks.at(m_row);
    emit progress(m_row + 1, m_tracks.size(), track.title);
    // A FIFO or device would block the copy or ffmpeg for good.
    if (MediaTools::isSpecialFile(track.filePath))
        rowEnded(false);
    else if (track.wholeFile)
        startCopy(track);
    else
        startCut(track);
}

void TrackExporter::startCut(const TrackInfo &track)
{
    QString suffix;
    const QStringList codec = codecArguments(track, &suffix);
    m_target = uniqueTarget(m_folder, sanitizeFileName(track.title), suffix);
    QStringList args { QStringLiteral("-y"), QStringLiteral("-i"), track.filePath,
        QStringLiteral("-ss"), QString::number(track.startSeconds, 'f', 3) };
    // A track without a length runs to the end of the file, as it plays; "-t 0" would make an
    // empty file.
    if (track.durationSeconds > 0.0)
        args << QStringLiteral("-t") << QString::number(track.durationSeconds, 'f', 3);
    args << codec << QStringLiteral("-vn") << m_target;
    debugLog(QStringLiteral("Export"), m_ffmpeg + QLatin1Char(' ') + args.join(QLatin1Char(' ')));

    m_ffmpegLog.clear();
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setStandardInputFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyRead, this, [this] {
        m_ffmpegLog += m_process->readAll();
        if (m_ffmpegLog.size() > kLogTailBytes)
            m_ffmpegLog = m_ffmpegLog.right(kLogTailBytes);
    });
    connect(m_process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
        &TrackExporter::cutFinished);
    connect(m_process, &QProcess::errorOccurred, this, &TrackExporter::cutFailedToStart);
    m_process->start(m_ffmpeg, args);
}

void TrackExporter::cutFinished(int exitCode, QProcess::ExitStatus status)
{
    m_ffmpegLog += m_process->readAll();
    m_process->deleteLater();
    m_process = nullptr;
    const bool ok =
        status == QProcess::NormalExit && exitCode == 0 && QFileInfo(m_target).size() > 0;
    if (!ok && !m_cancelRequested)
        debugLog(QStringLiteral("Export failed"),
            QStringLiteral("%1 (exit %2)\n%3")
                .arg(m_target)
                .arg(exitCode)
                .arg(QString::fromLocal8Bit(m_ffmpegLog)));
    rowEnded(ok);
}

void TrackExporter::cutFailedToStart(QProcess::ProcessError error)
{
    // Other errors are followed by finished().
    if (error != QProcess::FailedToStart)
        return;
    debugLog(QStringLiteral("Export failed"), m_process->errorString());
    m_process->deleteLater();
    m_process = nullptr;
    rowEnded(false);
}

void TrackExporter::startCopy(const TrackInfo &track)
{
    const QString target = uniqueTarget(m_folder, sanitizeFileName(track.title), track.fileType);
    m_copySource = std::make_unique<QFile>(track.filePath);
    m_copyTarget = std::make_unique<QFile>(target);
    // NewOnly: a file that appeared meanwhile is someone else's and stays untouched.
    if (!m_copySource->open(QIODevice::ReadOnly)
        || !m_copyTarget->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        rowEnded(false);
        return;
    }
    m_target = target;
    schedule(&TrackExporter::copyChunk);
}

void TrackExporter::copyChunk()
{
    if (m_cancelRequested) {
        rowEnded(false);
        return;
    }
    const QByteArray chunk = m_copySource->read(kCopyChunkBytes);
    if (chunk.isEmpty()) {
        const bool ok = m_copySource->atEnd() && m_copyTarget->flush()
            && m_copyTarget->size() == m_copySource->size();
        rowEnded(ok);
        return;
    }
    if (m_copyTarget->write(chunk) != chunk.size()) {
        rowEnded(false);
        return;
    }
    schedule(&TrackExporter::copyChunk);
}

void TrackExporter::rowEnded(bool ok)
{
    m_copySource.reset();
    m_copyTarget.reset(); // closes the copy
    const TrackInfo &track = m_tracks.at(m_row);
    if (m_cancelRequested) {
        // The file being written when Cancel came is not kept, even if it just got complete.
        discardPartial();
        m_result.cancelled = true;
        finish();
        return;
    }
    if (ok) {
        const double length = track.wholeFile
            ? AudioStreamInfo::read(track.filePath).durationSeconds
            : track.durationSeconds;
        m_playlist << QStringLiteral("#EXTINF:%1,%2")
                          .arg(qint64(length))
                          .arg(sanitizeFileName(track.title))
                   << QFileInfo(m_target).fileName();
        m_result.writtenFiles << m_target;
        m_target.clear();
    } else {
        discardPartial();
        m_result.failedTitles << track.title;
    }
    schedule(&TrackExporter::nextRow);
}

void TrackExporter::discardPartial()
{
    if (!m_target.isEmpty())
        QFile::remove(m_target);
    m_target.clear();
}

void TrackExporter::finish()
{
    m_running = false;
    if (!m_result.writtenFiles.isEmpty())
        writePlaylist();
    emit finished();
}

void TrackExporter::writePlaylist()
{
    const QString path = uniqueTarget(
        m_folder, sanitizeFileName(playlistBaseName(m_tracks.first())), QStringLiteral("m3u8"));
    const QByteArray text = (m_playlist.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        m_result.playlistFailed = true;
        return;
    }
    if (file.write(text) != text.size() || !file.flush()) {
        file.close();
        file.remove();
        m_result.playlistFailed = true;
        return;
    }
    m_result.playlistPath = path;
}

QString TrackExporter::summaryText(const Result &result)
{
    QString text;
    if (result.cancelled)
        text = QCoreApplication::translate(
            "MainWindow", "Export cancelled: %1 of %2 tracks were exported.")
                   .arg(result.writtenFiles.size())
                   .arg(result.total);
    else if (result.failedTitles.isEmpty())
        text = QCoreApplication::translate("MainWindow", "Export completed.");
    if (!result.failedTitles.isEmpty()) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QCoreApplication::translate("MainWindow", "%1 of %2 tracks could not be exported:")
                    .arg(result.failedTitles.size())
                    .arg(result.total)
            + QLatin1Char('\n') + result.failedTitles.join(QLatin1Char('\n'));
    }
    if (result.playlistFailed)
        text += QLatin1Char('\n')
            + QCoreApplication::translate("MainWindow", "The playlist could not be written.");
    return text;
}

QString TrackExporter::ffmpegMissingText()
{
    return QCoreApplication::translate(
        "MainWindow", "The ffmpeg program was not found. It was looked for in %1 and on the PATH.")
        .arg(MediaTools::toolFolder());
}
