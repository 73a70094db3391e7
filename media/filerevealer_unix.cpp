#include "media/filerevealer_unix.h"

#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace {
// A file manager that is not running may be started by the bus; give it time, but not forever.
constexpr int kCallTimeoutMs = 3000;
} // namespace

std::unique_ptr<FileRevealer> FileRevealer::create()
{
    return std::make_unique<UnixFileRevealer>(QDBusConnection::sessionBus(),
        [](const QUrl &url) { return QDesktopServices::openUrl(url); });
}

UnixFileRevealer::UnixFileRevealer(const QDBusConnection &bus, Opener fallback)
    : m_bus(bus)
    , m_fallback(std::move(fallback))
{ }

bool UnixFileRevealer::callFileManager(const QString &method, const QString &path)
{
    if (!m_bus.isConnected())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
            QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), method);
    call << QStringList { QUrl::fromLocalFile(path).toString() } << QString();
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool UnixFileRevealer::showItem(const QString &filePath)
{
    const QString absolute = QFileInfo(filePath).absoluteFilePath();
    if (callFileManager(QStringLiteral("ShowItems"), absolute))
        return true;
    return m_fallback && m_fallback(QUrl::fromLocalFile(QFileInfo(absolute).absolutePath()));
}

bool UnixFileRevealer::showFolder(const QString &folderPath)
{
    const QString absolute = QDir(folderPath).absolutePath();
    if (callFileManager(QStringLiteral("ShowFolders"), absolute))
        return true;
    return m_fallback && m_fallback(QUrl::fromLocalFile(absolute));
}
