#pragma once

#include <QString>
#include <memory>

// Shows a file or folder in the desktop's file manager: Explorer on Windows, the freedesktop
// FileManager1 service elsewhere (with the desktop's default handler for the folder when no
// file manager answers).
class FileRevealer
{
public:
    virtual ~FileRevealer() = default;

    // Opens the file's folder with the file selected.
    virtual bool showItem(const QString &filePath) = 0;
    // Opens the folder itself.
    virtual bool showFolder(const QString &folderPath) = 0;

    // The platform's implementation.
    static std::unique_ptr<FileRevealer> create();
};
