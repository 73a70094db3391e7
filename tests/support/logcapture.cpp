#include "support/logcapture.h"

#include <QLoggingCategory>
#include <QMutex>
#include <QtGlobal>

namespace {
QMutex g_mutex;
QStringList g_lines;
QtMessageHandler g_previous = nullptr;

void handler(QtMsgType, const QMessageLogContext &, const QString &message)
{
    QMutexLocker lock(&g_mutex);
    g_lines << message;
}
} // namespace

LogCapture::LogCapture()
{
    QMutexLocker lock(&g_mutex);
    g_lines.clear();
    g_previous = qInstallMessageHandler(handler);
    // Release builds keep the program's debug lines off unless asked.
    QLoggingCategory::setFilterRules(QStringLiteral("quellin.debug=true"));
}

LogCapture::~LogCapture()
{
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(g_previous);
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&g_mutex);
    return g_lines;
}

QStringList LogCapture::linesStartingWith(const QString &prefix) const
{
    QStringList result;
    for (const QString &line : lines()) {
        if (line.startsWith(prefix))
            result << line;
    }
    return result;
}
