#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>

// Keeps one running instance per user: a lock file, and a local channel over which a later
// start hands its files to the first one.
class SingleInstance
{
public:
    SingleInstance();

    // Tries to take the lock (1 ms); true when this process is the first instance.
    bool tryLock();

    // The files named by a command line (its first entry is the program): trimmed, '/'
    // separators, existing regular files only, as absolute paths, in order.
    static QStringList buildFileList(const QStringList &arguments);

    // Sends the paths to the running instance: connect and write, 500 ms each. False when
    // they could not be delivered.
    static bool forward(const QStringList &files);

    // Private to the user: the runtime folder on Unix (else a folder of the user's own in the
    // temporary folder), the temporary folder on Windows. Empty when there is no such folder:
    // the program then runs without lock and channel.
    static QString lockFilePath();
    static QString channelName();

    // Makes the folder (0700) unless it exists; true only when it is a folder, not a link, owned
    // by this user and closed to everyone else.
    static bool makePrivateFolder(const QString &path);

private:
    std::unique_ptr<QLockFile> m_lock;
};
