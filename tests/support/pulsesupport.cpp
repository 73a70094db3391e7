#include "support/pulsesupport.h"

#include "support/testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>
#include <cmath>
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
    for (int i = 0; i < samples.size(); ++i)
        samples[i] = qFromLittleEndian<qint16>(bytes.constData() + 2 * i);
    return samples;
}

double toneAmplitude(const QVector<qint16> &stereo, int channel, int first, int count,
    double frequency, int sampleRate)
{
    const double w = 2.0 * M_PI * frequency / sampleRate;
    const double coefficient = 2.0 * std::cos(w);
    double s1 = 0;
    double s2 = 0;
    int used = 0;
    for (int i = first; i < first + count && 2 * i + channel < stereo.size(); ++i, ++used) {
        const double x = stereo[2 * i + channel] / 32768.0;
        const double s0 = x + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    if (used == 0)
        return 0;
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2.0 * std::sqrt(qMax(0.0, power)) / used;
}

} // namespace PulseSupport
