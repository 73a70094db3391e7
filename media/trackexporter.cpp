#include "media/trackexporter.h"

#include "app/apputils.h"
#include "media/mediatools.h"
#include "media/mp3gapless.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace {

enum State { Waiting, Writing, Written, Failed };

const qint64 kCopyChunkBytes = 4 * 1024 * 1024;
const int kErrorBytes = 4096;

// Copies source into the claimed target; the reason on failure, empty on success.
QString copyFile(
    const QString &source, const QString &target, const std::shared_ptr<std::atomic_bool> &stop)
{
    QFile in(source);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly))
        return in.errorString();
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return out.errorString();
    while (!in.atEnd()) {
        if (*stop)
            return QStringLiteral("cancelled");
        const QByteArray chunk = in.read(kCopyChunkBytes);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
            return in.errorString();
        if (out.write(chunk) != chunk.size())
            return out.errorString();
    }
    if (!out.flush() || out.size() != in.size())
        return out.errorString();
    return QString();
}

QString firstLine(const QByteArray &text)
{
    const QList<QByteArray> lines = text.split('\n');
    const auto line = std::find_if(
        lines.cbegin(), lines.cend(), [](const QByteArray &l) { return !l.trimmed().isEmpty(); });
    return line == lines.cend() ? QString() : QString::fromLocal8Bit(line->trimmed());
}

QString playlistTitle(const QString &title)
{
    QString text = title;
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.trimmed();
}

} // namespace

TrackExporter::TrackExporter(QObject *parent)
    : QObject(parent)
    , m_parallel(std::max(1, QThread::idealThreadCount()))
{
    connect(
        &m_plan, &QFutureWatcher<QVector<ExportJob>>::finished, this, &TrackExporter::planReady);
}

TrackExporter::~TrackExporter()
{
    if (!m_running)
        return;
    if (m_stopCopies)
        *m_stopCopies = true;
    for (Running &job : m_runningJobs) {
        if (job.process) {
            job.process->disconnect(this);
            job.process->kill();
            job.process->waitForFinished(3000);
        }
        if (job.copy) {
            job.copy->disconnect(this);
            job.copy->waitForFinished();
        }
    }
    // The plan claims its files on a pool thread: wait for it so that none is left behind.
    if (m_jobs.isEmpty()) {
        m_plan.disconnect(this);
        m_plan.waitForFinished();
        m_jobs = m_plan.result();
        m_state.fill(Waiting, m_jobs.size());
    }
    removeUnfinished();
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

    m_ffmpeg = ffmpeg;
    m_tracks = tracks;
    m_running = true;
    m_cancelRequested = false;
    m_jobs.clear();
    m_state.clear();
    m_runningJobs.clear();
    m_next = 0;
    m_done = 0;
    m_stopCopies = std::make_shared<std::atomic_bool>(false);
    m_result = Result();
    m_result.folder = QDir(folder).absolutePath();
    m_result.total = tracks.size();
    m_plan.setFuture(QtConcurrent::run(&ExportPlan::make, tracks, m_result.folder));
    return StartResult::Started;
}

void TrackExporter::cancel()
{
    if (!m_running || m_cancelRequested)
        return;
    m_cancelRequested = true;
    m_result.cancelled = true;
    *m_stopCopies = true;
    // Each ended job comes back through jobEnded; the last one ends the export.
    for (const Running &job : qAsConst(m_runningJobs)) {
        if (job.process)
            job.process->kill();
    }
}

void TrackExporter::planReady()
{
    m_jobs = m_plan.result();
    m_state.fill(Waiting, m_jobs.size());
    if (m_cancelRequested) {
        finish();
        return;
    }
    for (int i = 0; i < m_jobs.size(); ++i) {
        if (!m_jobs.at(i).failure.isEmpty()) {
            m_state[i] = Failed;
            ++m_done;
            emit trackFinished(i, QString(), m_jobs.at(i).failure);
        }
    }
    launch();
}

void TrackExporter::launch()
{
    while (!m_cancelRequested && m_runningJobs.size() < m_parallel && m_next < m_jobs.size()) {
        const int index = m_next++;
        if (m_state.at(index) != Waiting)
            continue;
        m_state[index] = Writing;
        if (m_jobs.at(index).ffmpegArguments.isEmpty())
            startCopy(index);
        else
            startCut(index);
    }
    if (m_runningJobs.isEmpty())
        finish();
    else
        reportProgress();
}

TrackExporter::Running *TrackExporter::runningJob(int index)
{
    const auto job = std::find_if(m_runningJobs.begin(), m_runningJobs.end(),
        [index](const Running &r) { return r.index == index; });
    return job == m_runningJobs.end() ? nullptr : &*job;
}

void TrackExporter::startCut(int index)
{
    const ExportJob &job = m_jobs.at(index);
    debugLog(QStringLiteral("Export"),
        m_ffmpeg + QLatin1Char(' ') + job.ffmpegArguments.join(QLatin1Char(' ')));
    auto *process = new QProcess(this);
    m_runningJobs.append(Running { index, process, QByteArray(), nullptr });
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    connect(process, &QProcess::readyReadStandardError, this, [this, index, process] {
        if (Running *running = runningJob(index))
            running->errors =
                QByteArray(running->errors + process->readAllStandardError()).left(kErrorBytes);
    });
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
        [this, index, process](int exitCode, QProcess::ExitStatus status) {
            Running *running = runningJob(index);
            if (!running)
                return;
            running->errors += process->readAllStandardError();
            QString failure;
            if (status != QProcess::NormalExit || exitCode != 0) {
                failure = firstLine(running->errors);
                if (failure.isEmpty())
                    failure = QCoreApplication::translate("MainWindow", "ffmpeg failed (exit %1)")
                                  .arg(exitCode);
            } else if (QFileInfo(m_jobs.at(index).target).size() == 0) {
                failure = QCoreApplication::translate("MainWindow", "ffmpeg wrote nothing");
            } else if (m_jobs.at(index).mp3Gapless) {
                const TrackInfo &track = m_jobs.at(index).track;
                if (!Mp3Gapless::fixCut(track.filePath, m_jobs.at(index).target, track.startSeconds,
                        track.durationSeconds))
                    debugLog(QStringLiteral("Export"),
                        QStringLiteral("MP3 cut left at frame boundaries: ")
                            + m_jobs.at(index).target);
            }
            jobEnded(index, failure);
        });
    connect(process, &QProcess::errorOccurred, this,
        [this, index, process](QProcess::ProcessError error) {
            // Other errors are followed by finished().
            if (error == QProcess::FailedToStart)
                jobEnded(index, process->errorString());
        });
    process->start(m_ffmpeg, job.ffmpegArguments);
}

void TrackExporter::startCopy(int index)
{
    const ExportJob &job = m_jobs.at(index);
    auto *watcher = new QFutureWatcher<QString>(this);
    m_runningJobs.append(Running { index, nullptr, QByteArray(), watcher });
    connect(watcher, &QFutureWatcher<QString>::finished, this,
        [this, index, watcher] { jobEnded(index, watcher->result()); });
    watcher->setFuture(QtConcurrent::run(&copyFile, job.track.filePath, job.target, m_stopCopies));
}

void TrackExporter::jobEnded(int index, const QString &failure)
{
    Running *running = runningJob(index);
    if (!running)
        return;
    if (running->process)
        running->process->deleteLater();
    if (running->copy)
        running->copy->deleteLater();
    m_runningJobs.erase(m_runningJobs.begin() + (running - m_runningJobs.data()));
    ExportJob &job = m_jobs[index];
    ++m_done;
    if (m_cancelRequested) {
        // The file being written when Cancel came is not kept, even if it just got complete.
        m_state[index] = Failed;
    } else if (failure.isEmpty()) {
        m_state[index] = Written;
        emit trackFinished(index, job.target, QString());
    } else {
        m_state[index] = Failed;
        job.failure = failure;
        QFile::remove(job.target);
        debugLog(QStringLiteral("Export failed"), job.target + QStringLiteral(": ") + failure);
        emit trackFinished(index, QString(), failure);
    }
    launch();
}

void TrackExporter::reportProgress()
{
    QStringList writing;
    for (const Running &job : qAsConst(m_runningJobs))
        writing << m_jobs.at(job.index).track.title;
    emit progress(m_done, m_jobs.size(), writing);
}

void TrackExporter::removeUnfinished()
{
    for (int i = 0; i < m_jobs.size(); ++i) {
        if (m_state.at(i) != Written && !m_jobs.at(i).target.isEmpty())
            QFile::remove(m_jobs.at(i).target);
    }
}

void TrackExporter::finish()
{
    removeUnfinished();
    for (int i = 0; i < m_jobs.size(); ++i) {
        if (m_state.at(i) == Written)
            m_result.writtenFiles << m_jobs.at(i).target;
        else if (!m_jobs.at(i).failure.isEmpty())
            m_result.failures << Failure { m_jobs.at(i).track.title, m_jobs.at(i).failure };
    }
    if (!m_result.writtenFiles.isEmpty())
        writePlaylist();
    m_running = false;
    emit progress(m_done, m_jobs.size(), QStringList());
    emit finished();
}

void TrackExporter::writePlaylist()
{
    QStringList lines { QStringLiteral("#EXTM3U") };
    for (int i = 0; i < m_jobs.size(); ++i) {
        if (m_state.at(i) != Written)
            continue;
        const ExportJob &job = m_jobs.at(i);
        lines << QStringLiteral("#EXTINF:%1,%2")
                     .arg(qRound64(job.lengthSeconds))
                     .arg(playlistTitle(job.track.title))
              << QFileInfo(job.target).fileName();
    }
    QString error;
    const QString path = ExportPlan::claimTarget(m_result.folder,
        ExportPlan::playlistName(m_tracks, QDateTime::currentDateTime()), QStringLiteral("m3u8"),
        &error);
    const QByteArray text = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(text) != text.size() || !file.flush()) {
        if (!path.isEmpty())
            file.remove();
        m_result.playlistFailed = true;
        return;
    }
    m_result.playlistPath = path;
}

QString TrackExporter::summaryText(const Result &result)
{
    const QString folder = QDir::toNativeSeparators(result.folder);
    QString text = result.cancelled
        ? QCoreApplication::translate(
            "MainWindow", "Export cancelled: %1 of %2 tracks were exported to %3.")
        : QCoreApplication::translate("MainWindow", "%1 of %2 tracks were exported to %3.");
    text = text.arg(result.writtenFiles.size()).arg(result.total).arg(folder);
    if (!result.failures.isEmpty()) {
        text += QLatin1Char('\n') + QCoreApplication::translate("MainWindow", "Not exported:");
        for (const Failure &failure : result.failures)
            text += QLatin1Char('\n') + failure.title + QStringLiteral(": ") + failure.reason;
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
