#include "support/testsupport.h"

#include <QDir>
#include <QLoggingCategory>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>

namespace TestSupport {

QString binDir()
{
    return QStringLiteral(QUELLIN_BIN_DIR);
}

QString programPath()
{
    return binDir() + QStringLiteral("/quellin");
}

bool run(const QString &program, const QStringList &args, int timeoutMs, QByteArray *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForStarted(10000))
        return false;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        return false;
    }
    if (output)
        *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool makeAudio(const QString &path, const QString &source, const QStringList &outputOptions)
{
    QStringList args { QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
        QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
        QStringLiteral("lavfi"), QStringLiteral("-i"), source };
    args << outputOptions << path;
    return run(QStringLiteral("ffmpeg"), args);
}

bool makeTone(const QString &path, double frequency, double seconds, int sampleRate,
    const QStringList &outputOptions)
{
    const QString source = QStringLiteral("sine=frequency=%1:sample_rate=%2:duration=%3")
                               .arg(frequency)
                               .arg(sampleRate)
                               .arg(seconds, 0, 'f', 6);
    QStringList options { QStringLiteral("-ac"), QStringLiteral("2") };
    options << outputOptions;
    return makeAudio(path, source, options);
}

QProcessEnvironment isolatedEnvironment(const QString &root)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QStringList names { QStringLiteral("home"), QStringLiteral("data"),
        QStringLiteral("cache"), QStringLiteral("config"), QStringLiteral("runtime") };
    for (const QString &name : names)
        QDir().mkpath(root + QLatin1Char('/') + name);
    QFile::setPermissions(root + QStringLiteral("/runtime"),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

} // namespace TestSupport

bool TestSupport::makeFifo(const QString &path)
{
    return run(QStringLiteral("mkfifo"), { path }, 5000);
}

namespace {
QMutex g_logMutex;
QStringList g_logLines;
QtMessageHandler g_previousHandler = nullptr;
} // namespace

LogCapture::LogCapture()
{
    QMutexLocker lock(&g_logMutex);
    g_logLines.clear();
    g_previousHandler =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) {
            QMutexLocker lock(&g_logMutex);
            g_logLines << m;
        });
    // Release builds keep the program's debug lines off unless asked.
    QLoggingCategory::setFilterRules(QStringLiteral("quellin.debug=true"));
}

LogCapture::~LogCapture()
{
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(g_previousHandler);
}

QStringList LogCapture::linesStartingWith(const QString &prefix) const
{
    QMutexLocker lock(&g_logMutex);
    return g_logLines.filter(
        QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(prefix)));
}
