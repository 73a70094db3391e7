#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <memory>

class SqlDatabase;

// What start-up has to tell the user about the databases.
struct BootstrapReport
{
    // A damaged working copy that was renamed and replaced from its template.
    struct SetAside
    {
        bool key = false;
        QString keptAs; // where the damaged file now is
        QString problem; // what was wrong with it
    };
    QList<SetAside> setAside;
    // Set when start-up cannot go on: the folder that could not be prepared, and why.
    QString failedFolder;
    QString failure;
};

// The open connections, keyed by database: true for "config.db", false for "data.db".
class DatabaseRegistry
{
public:
    static void create();
    static void release();

    static void registerDatabase(bool key, const std::shared_ptr<SqlDatabase> &db);
    // The registered connection, or a never-opened default one on which every query fails.
    static QSqlDatabase &database(bool key);
    static bool isRegistered(bool key);

    // Copies the template into place on first use (never over an existing file), checks the
    // working copy and registers it. A damaged copy is kept aside under a new name and replaced
    // from the template. False when no sound working copy could be put in place; report, when
    // given, then says where and why, and lists what was set aside.
    static bool prepareDatabase(const QString &templateDir, const QString &targetDir,
        const QString &fileName, bool key, BootstrapReport *report = nullptr);
    // The whole start-up sequence over the application object's paths.
    static bool bootstrapDatabases(BootstrapReport *report = nullptr);
};
