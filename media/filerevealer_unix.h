#pragma once

#include "media/filerevealer.h"

#include <QDBusConnection>
#include <QUrl>
#include <functional>

// FileManager1 over D-Bus (ShowItems for a file, ShowFolders for a folder). When no file
// manager answers, the folder is opened with the fallback opener (the desktop's default
// handler unless a test substitutes one).
class UnixFileRevealer : public FileRevealer
{
public:
    using Opener = std::function<bool(const QUrl &)>;

    UnixFileRevealer(const QDBusConnection &bus, Opener fallback);

    bool showItem(const QString &filePath) override;
    bool showFolder(const QString &folderPath) override;

private:
    bool callFileManager(const QString &method, const QString &path);

    QDBusConnection m_bus;
    Opener m_fallback;
};
