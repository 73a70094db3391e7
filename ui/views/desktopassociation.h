#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The freedesktop file association of the current user: a desktop entry in the user's
// applications folder that opens the handled types with the program, the program's icon in the
// user's hicolor theme, and the entry listed under "Added Associations" in the user's
// mimeapps.list, so file managers offer it without losing a default the user chose.
class DesktopAssociation
{
public:
    // dataHome and configHome are the user's XDG data and config folders.
    DesktopAssociation(const QString &appName, const QString &programPath, const QString &dataHome,
        const QString &configHome);

    // MIME types of the handled extensions, in extension order, without repeats.
    static QStringList mimeTypes();

    QString desktopId() const;
    QString desktopFilePath() const;
    QString iconFilePath() const;
    QString mimeAppsPath() const;
    QByteArray desktopEntry() const;

    // Writes the entry, the icon and the list, then refreshes the MIME cache of the applications
    // folder when update-desktop-database is present. True when every file was written.
    bool install() const;

private:
    bool updateMimeAppsList() const;

    QString m_appName;
    QString m_programPath;
    QString m_dataHome;
    QString m_configHome;
};
