#pragma once

#include <QSqlDatabase>
#include <QString>
#include <memory>

class SqlDatabase;

// The open connections, keyed by database: true for "config.db", false for "data.db".
class DatabaseRegistry
{
public:
    static void create();
    static void release();

    static void registerDatabase(bool key, std::shared_ptr<SqlDatabase> db);
    // The registered connection, or a never-opened default one on which every query fails.
    static QSqlDatabase &database(bool key);
    static bool isRegistered(bool key);

    // Copies the template into place on first use (never over an existing file), opens it and
    // registers it when it opens. False only when no working copy could be put in place.
    static bool prepareDatabase(
        const QString &templateDir, const QString &targetDir, const QString &fileName, bool key);
    // The whole start-up sequence over the application object's paths.
    static bool bootstrapDatabases();
};
