#pragma once

#include <QString>
#include <QStringList>

class ConfigService;

// The user's list of source folders and the current one, kept in the settings under
// "sourcePathList" (a JSON array of strings, so any path fits; the old "|"-joined form is
// still read) and "sourcePath". Every operation reloads the list.
class SourceFolders
{
public:
    explicit SourceFolders(ConfigService &config);

    // "sourcePathList", or "sourcePath" alone when the list is empty; native separators,
    // duplicates dropped (the first stays).
    QStringList loadSourcePathList() const;
    void saveSourcePaths(const QStringList &list, const QString &current);

    QString currentPath() const;
    void setCurrentPath(const QString &path);

    // At start-up: the folder to show ("sourcePath", else the first listed), written back as
    // "sourcePath" when there is one.
    QString startupPath();

    // Appends a folder unless listed and makes it current; returns it in native form.
    QString addFolder(const QString &folder);

    // Removes every entry equal to folder; the first remaining one (or none) becomes current
    // and is returned.
    QString removeFolder(const QString &folder);

private:
    ConfigService &m_config;
};
