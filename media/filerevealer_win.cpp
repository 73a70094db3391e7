#include "media/filerevealer.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {
// Explorer: "/select," and the path select a file in its folder; a folder alone opens it.
class ExplorerRevealer : public FileRevealer
{
public:
    bool showItem(const QString &filePath) override
    {
        const QString native = QDir::toNativeSeparators(QFileInfo(filePath).absoluteFilePath());
        if (QProcess::startDetached(
                QStringLiteral("explorer.exe"), { QStringLiteral("/select,"), native }))
            return true;
        return QProcess::startDetached(QStringLiteral("explorer.exe"),
            { QStringLiteral("/select,\"") + native + QLatin1Char('"') });
    }

    bool showFolder(const QString &folderPath) override
    {
        return QProcess::startDetached(
            QStringLiteral("explorer.exe"), { QDir::toNativeSeparators(folderPath) });
    }
};
} // namespace

std::unique_ptr<FileRevealer> FileRevealer::create()
{
    return std::make_unique<ExplorerRevealer>();
}
