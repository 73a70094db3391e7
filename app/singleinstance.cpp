#include "app/singleinstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
QString privateFolder()
{
#ifdef Q_OS_WIN
    return QDir::tempPath();
#else
    // /tmp is shared by every user: one user's instance would stop the others' starts and
    // receive their files. The runtime folder belongs to the user alone; without one, a folder
    // of our own in the temporary folder, which another user cannot have made for us.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime;
    const QString own = QDir::tempPath() + QStringLiteral("/Quellin-%1").arg(::getuid());
    return SingleInstance::makePrivateFolder(own) ? own : QString();
#endif
}
} // namespace

bool SingleInstance::makePrivateFolder(const QString &path)
{
#ifdef Q_OS_WIN
    return QDir().mkpath(path);
#else
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    // Whoever made it, it must be a real folder (no link), ours, and closed to everyone else.
    struct stat info;
    return ::lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
#endif
}

SingleInstance::SingleInstance()
{
    const QString path = lockFilePath();
    if (path.isEmpty())
        return;
    m_lock = std::make_unique<QLockFile>(path);
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::tryLock()
{
    // No private folder: run alone rather than share a lock another user could hold.
    return !m_lock || m_lock->tryLock(1);
}

QString SingleInstance::lockFilePath()
{
    const QString folder = privateFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/Quellin.lock");
}

QString SingleInstance::channelName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("Quellin_IPC_Channel");
#else
    const QString folder = privateFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/Quellin_IPC_Channel");
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
    if (files.isEmpty() || channelName().isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(channelName(), QIODevice::ReadWrite);
    if (!socket.waitForConnected(500))
        return false;
    socket.write(files.join(QChar(0)).toUtf8());
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
