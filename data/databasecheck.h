#pragma once

#include <QString>
#include <QStringList>

// The start-up look at one database file, and setting a damaged one aside without losing it.
class DatabaseCheck
{
public:
    // Empty when the file opens, passes PRAGMA quick_check and holds every table named;
    // otherwise what is wrong with it.
    static QString problem(const QString &path, const QStringList &tables);

    // Renames the file, with any journal of it, to an unused name beside it
    // ("data-damaged-<date>-<time>.db"). The new path, or empty with the reason in *error.
    static QString keepAside(const QString &path, QString *error);
};
