#include "support/pulsesupport.h"

#include "support/testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>
#include <csignal>
#include <sys/types.h>

namespace PulseSupport {

PrivateServer::~PrivateServer()
{
    if (m_keepAlive.state() != QProcess::NotRunning) {
        m_keepAlive.kill();
        m_keepAlive.waitForFinished(2000);
    }
    if (m_daemonPid > 0) {
        ::kill(pid_t(m_daemonPid), SIGTERM);
        for (int i = 0; i < 50 && ::kill(pid_t(m_daemonPid), 0) == 0; ++i)
            QThread::msleep(20);
    }
}

bool PrivateServer::start()
{
    if (!m_runtime.isValid())
        return false;
    const QString runtime = m_runtime.path();
    QFile::setPermissions(
        runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcess daemon;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.remove(QStringLiteral("PULSE_SERVER"));
    daemon.setProcessEnvironment(env);
    daemon.start(QStringLiteral("pulseaudio"),
        { "--daemonize=yes", "--exit-idle-time=-1", "-n",
            "--load=module-null-sink sink_name=nullsink rate=44100 channels=2",
            "--load=module-native-protocol-unix auth-anonymous=1",
            "--log-target=file:" + runtime + "/pulseaudio.log" });
    if (!daemon.waitForFinished(10000) || daemon.exitCode() != 0)
        return false;

    QFile pidFile(runtime + QStringLiteral("/pulse/pid"));
    if (pidFile.open(QIODevice::ReadOnly))
        m_daemonPid = pidFile.readAll().trimmed().toLongLong();
    qputenv("PULSE_SERVER", "unix:" + runtime.toUtf8() + "/pulse/native");

    bool ready = false;
    for (int i = 0; i < 100 && !ready; ++i) {
        ready = TestSupport::run(QStringLiteral("pactl"), { "info" }, 2000);
        if (!ready)
            QThread::msleep(50);
    }
    if (!ready)
        return false;
    m_keepAlive.start(
        QStringLiteral("parec"), { "--latency-msec=100", "-d", "nullsink.monitor", "/dev/null" });
    return m_keepAlive.waitForStarted(5000);
}

bool MonitorRecording::start()
{
    m_process.start(QStringLiteral("parec"),
        { "--latency-msec=5", "-d", "nullsink.monitor", "--rate=44100", "--channels=2",
            "--format=s16le", m_dir.filePath(QStringLiteral("rec.raw")) });
    if (!m_process.waitForStarted(5000))
        return false;
    // The kept-alive sink plays silence: once some arrives, whatever plays next is recorded.
    QElapsedTimer clock;
    clock.start();
    while (QFileInfo(m_dir.filePath(QStringLiteral("rec.raw"))).size() == 0) {
        if (clock.elapsed() > 5000 || m_process.state() != QProcess::Running)
            return false;
        QThread::msleep(2);
    }
    return true;
}

QVector<qint16> MonitorRecording::stop()
{
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    QFile file(m_dir.filePath(QStringLiteral("rec.raw")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QVector<qint16> samples(bytes.size() / 2);
    qFromLittleEndian<qint16>(bytes.constData(), samples.size(), samples.data());
    return samples;
}

QString marksSource(double seconds, int offset)
{
    return QStringLiteral("aevalsrc=exprs='0.5|(mod(n+%1\\,65536)-32768)/32768':s=44100:d=%2")
        .arg(offset)
        .arg(seconds, 0, 'f', 6);
}

QPair<qint64, qint64> heardRun(const QVector<qint16> &rec, int *from, const Envelope &e)
{
    const int frames = rec.size() / 2;
    // What an earlier run took is not this one's, even when it carried straight on (a switch
    // that lost no sample).
    const int earliest = *from;
    const auto inserted = [&](int i) { return rec[2 * i] == 0 && rec[2 * i + 1] == 0; };
    const auto matches = [&](int i, qint64 frame) {
        // Without a fade-in, audio from before the start shows as a run starting early.
        if ((e.fadeIn > 0 && frame < e.start) || (e.end >= 0 && frame >= e.end))
            return false;
        double gain = 1.0;
        if (e.fadeIn > 0 && frame - e.start < e.fadeIn)
            gain = double(frame - e.start) / e.fadeIn;
        if (e.fadeOut > 0 && e.end - frame < e.fadeOut)
            gain = qMin(gain, double(e.end - frame) / e.fadeOut);
        return qAbs(rec[2 * i] / double(kFull) - gain) <= 0.01
            && (gain < 1.0 || (rec[2 * i + 1] + 32768 - frame) % 65536 == 0);
    };
    for (int anchor = *from; anchor < frames; ++anchor) {
        if (rec[2 * anchor] != kFull)
            continue;
        // The counter gives the frame modulo 65 536: the one at or after the start.
        const qint64 frame =
            e.start + ((rec[2 * anchor + 1] + 32768 - e.start) % 65536 + 65536) % 65536;
        if (!matches(anchor, frame)) {
            *from = anchor + 1;
            continue;
        }
        qint64 bounds[2] = { frame, frame };
        *from = anchor + 1;
        for (int step : { -1, 1 }) {
            qint64 &f = bounds[step > 0];
            for (int i = anchor + step; i >= earliest && i < frames; i += step) {
                if (inserted(i))
                    continue;
                if (!matches(i, f + step))
                    break;
                f += step;
                if (step > 0)
                    *from = i + 1;
            }
        }
        if (bounds[1] - bounds[0] >= 441)
            return { bounds[0], bounds[1] };
        anchor = *from - 1;
    }
    *from = frames;
    return { -1, -1 };
}

} // namespace PulseSupport
