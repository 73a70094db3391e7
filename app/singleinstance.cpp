#include "app/singleinstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {
QString privateFolder()
{
#ifdef Q_OS_WIN
    return QDir::tempPath();
#else
    // /tmp is shared by every user: one user's instance would stop the others' starts and
    // receive their files. The runtime folder belongs to the user alone.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
#endif
}
} // namespace

SingleInstance::SingleInstance()
    : m_lock(std::make_unique<QLockFile>(lockFilePath()))
{
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::tryLock()
{
    return m_lock->tryLock(1);
}

QString SingleInstance::lockFilePath()
{
    return privateFolder() + QStringLiteral("/Quellin.lock");
}

QString SingleInstance::channelName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("Quellin_IPC_Channel");
#else
    return privateFolder() + QStringLiteral("/Quellin_IPC_Channel");
#endif
}

QStringList SingleInstance::buildFileList(const QStringList &arguments)
{
    QStringList files;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString arg = QDir::fromNativeSeparators(arguments.at(i).trimmed());
        if (arg.isEmpty())
            continue;
        QFileInfo info(arg);
        // Paths pasted from Windows keep their backslashes; a name that really holds one
        // still wins when it exists.
        if (!info.exists() && arg.contains(QLatin1Char('\\')))
            info.setFile(QString(arg).replace(QLatin1Char('\\'), QLatin1Char('/')));
        if (info.exists() && info.isFile())
            files << info.absoluteFilePath();
    }
    return files;
}

bool SingleInstance::forward(const QStringList &files)
{
    if (files.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(channelName(), QIODevice::ReadWrite);
    if (!socket.waitForConnected(500))
        return false;
    socket.write(files.join(QLatin1Char('\n')).toUtf8());
    socket.flush();
    // A long list leaves in several pieces; each wait is bounded by 500 ms without progress.
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(500))
            return false;
    }
    // Closing tells the receiver that the message is complete.
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(500);
    return true;
}
