#include "data/databaseregistry.h"

#include "app/applicationbase.h"
#include "app/apputils.h"
#include "data/sqldatabase.h"

#include "data/databasecheck.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

namespace {
using Registry = QHash<bool, std::shared_ptr<SqlDatabase>>;
std::unique_ptr<Registry> g_registry;

QSqlDatabase &defaultDatabase()
{
    static QSqlDatabase db;
    return db;
}

QStringList expectedTables(bool key)
{
    if (key)
        return { QStringLiteral("dict") };
    return { QStringLiteral("MediaLibrary"), QStringLiteral("Media") };
}

// Why dir is not a folder after an attempt to make it.
QString folderFailure(const QString &dir)
{
    QFileInfo existing(dir);
    while (!existing.exists() && !existing.isRoot())
        existing = QFileInfo(existing.absolutePath());
    if (existing.exists() && !existing.isDir())
        return QCoreApplication::translate("DatabaseRegistry", "%1 is not a folder")
            .arg(existing.absoluteFilePath());
    if (existing.exists() && !existing.isWritable())
        return QCoreApplication::translate("DatabaseRegistry", "%1 is not writable")
            .arg(existing.absoluteFilePath());
    return QCoreApplication::translate("DatabaseRegistry", "the folder cannot be created");
}

// Copies the template to target through a temporary file, so that a copy cut short (a full disk)
// never stands as a working copy.
bool placeTemplate(
    const QString &source, const QString &targetDir, const QString &target, QString *reason)
{
    makePath(targetDir);
    if (!QFileInfo(targetDir).isDir()) {
        *reason = folderFailure(targetDir);
        return false;
    }
    QFile in(source);
    if (!in.exists()) {
        *reason = QCoreApplication::translate("DatabaseRegistry", "the template %1 is missing")
                      .arg(source);
        return false;
    }
    if (!in.open(QIODevice::ReadOnly)) {
        *reason = in.fileName() + QStringLiteral(": ") + in.errorString();
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(in.readAll()) != in.size() || !out.commit()) {
        *reason = target + QStringLiteral(": ") + out.errorString();
        return false;
    }
    return true;
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

bool DatabaseRegistry::prepareDatabase(const QString &templateDir, const QString &targetDir,
    const QString &fileName, bool key, BootstrapReport *report)
{
    BootstrapReport ignored;
    BootstrapReport &out = report ? *report : ignored;
    const QString source = templateDir + QLatin1Char('/') + fileName;
    const QString target = targetDir + QLatin1Char('/') + fileName;
    const QStringList tables = expectedTables(key);
    const auto fail = [&](const QString &reason) {
        out.failedFolder = targetDir;
        out.failure = reason;
        debugLog(QStringLiteral("Database Error"), targetDir + QStringLiteral(": ") + reason);
        return false;
    };

    QString reason;
    bool copied = false;
    if (!QFile::exists(target)) {
        if (!placeTemplate(source, targetDir, target, &reason))
            return fail(reason);
        copied = true;
    }
    QString problem = DatabaseCheck::problem(target, tables);
    if (!problem.isEmpty() && !copied) {
        const QString kept = DatabaseCheck::keepAside(target, &reason);
        if (kept.isEmpty())
            return fail(QCoreApplication::translate(
                "DatabaseRegistry", "%1 is damaged (%2) and cannot be set aside: %3")
                            .arg(target, problem, reason));
        debugLog(QStringLiteral("Database Error"),
            target + QStringLiteral(" is damaged (") + problem + QStringLiteral("), kept as ")
                + kept);
        out.setAside << BootstrapReport::SetAside { key, kept, problem };
        if (!placeTemplate(source, targetDir, target, &reason))
            return fail(reason);
        problem = DatabaseCheck::problem(target, tables);
    }
    if (!problem.isEmpty()) {
        // A broken installation: the copy is the template's, not the user's.
        QFile::remove(target);
        return fail(
            QCoreApplication::translate("DatabaseRegistry", "the template %1 is not usable (%2)")
                .arg(source, problem));
    }

    auto db = std::make_shared<SqlDatabase>();
    if (db->open(target))
        registerDatabase(key, db);
    return true;
}

bool DatabaseRegistry::bootstrapDatabases(BootstrapReport *report)
{
    ApplicationBase *app = ApplicationBase::instance();
    if (!app)
        return false;
    const QString templateDir = app->appDirPath() + QStringLiteral("/Data");
    const QString targetDir = app->dataPath() + QStringLiteral("/Data");
    qCDebug(lcQuellin).noquote() << QStringLiteral("Database path: ") + targetDir;
    if (!prepareDatabase(templateDir, targetDir, QStringLiteral("config.db"), true, report))
        return false;
    return prepareDatabase(templateDir, targetDir, QStringLiteral("data.db"), false, report);
}
