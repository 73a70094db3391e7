#include "data/databaseregistry.h"

#include "app/applicationbase.h"
#include "app/apputils.h"
#include "data/sqldatabase.h"

#include <QDebug>
#include <QFile>
#include <QHash>

namespace {
using Registry = QHash<bool, std::shared_ptr<SqlDatabase>>;
std::unique_ptr<Registry> g_registry;

QSqlDatabase &defaultDatabase()
{
    static QSqlDatabase db;
    return db;
}
} // namespace

void DatabaseRegistry::create()
{
    g_registry = std::make_unique<Registry>();
}

void DatabaseRegistry::release()
{
    g_registry.reset();
}

void DatabaseRegistry::registerDatabase(bool key, const std::shared_ptr<SqlDatabase> &db)
{
    if (!g_registry)
        create();
    g_registry->insert(key, db);
}

QSqlDatabase &DatabaseRegistry::database(bool key)
{
    if (g_registry) {
        auto it = g_registry->find(key);
        if (it != g_registry->end() && it.value())
            return it.value()->database();
    }
    return defaultDatabase();
}

bool DatabaseRegistry::isRegistered(bool key)
{
    return g_registry && g_registry->contains(key);
}

bool DatabaseRegistry::prepareDatabase(
    const QString &templateDir, const QString &targetDir, const QString &fileName, bool key)
{
    const QString source = templateDir + QLatin1Char('/') + fileName;
    const QString target = targetDir + QLatin1Char('/') + fileName;
    if (!QFile::exists(target)) {
        makePath(targetDir);
        if (!QFile::exists(source))
            return false;
        if (!QFile::copy(source, target))
            return false;
        // Templates may be installed read-only; the working copy must be writable.
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    }
    auto db = std::make_shared<SqlDatabase>();
    if (db->open(target))
        registerDatabase(key, db);
    return true;
}

bool DatabaseRegistry::bootstrapDatabases()
{
    ApplicationBase *app = ApplicationBase::instance();
    if (!app)
        return false;
    const QString templateDir = app->appDirPath() + QStringLiteral("/Data");
    const QString targetDir = app->dataPath() + QStringLiteral("/Data");
    qCDebug(lcQuellin).noquote() << QStringLiteral("Database path: ") + targetDir;
    if (!prepareDatabase(templateDir, targetDir, QStringLiteral("config.db"), true))
        return false;
    return prepareDatabase(templateDir, targetDir, QStringLiteral("data.db"), false);
}
