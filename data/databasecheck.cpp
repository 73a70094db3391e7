#include "data/databasecheck.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
// SQLite keeps these beside a database; a journal left by a damaged file must not be applied to
// the one that replaces it.
const char *const journalSuffixes[] = { "-journal", "-wal", "-shm" };

// SQLITE_BUSY and SQLITE_LOCKED: another process (a running instance) is writing. That is a
// sound database in use, not a damaged one.
bool isBusy(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 5 || code == 6;
}

QString inspect(QSqlDatabase &db, const QStringList &tables)
{
    if (!db.open())
        return db.lastError().text();
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("PRAGMA quick_check")))
        return isBusy(check.lastError()) ? QString() : check.lastError().text();
    QStringList findings;
    while (check.next())
        findings << check.value(0).toString();
    if (findings.isEmpty()) {
        // The rows stopped with an error rather than an answer.
        const QSqlError error = check.lastError();
        if (isBusy(error))
            return QString();
        return error.text().trimmed().isEmpty() ? QStringLiteral("quick_check gave no answer")
                                                : error.text();
    }
    if (findings != QStringList { QStringLiteral("ok") })
        return findings.join(QLatin1Char('\n'));
    QSqlQuery list(db);
    if (!list.exec(QStringLiteral("select name from sqlite_master where type = 'table'")))
        return isBusy(list.lastError()) ? QString() : list.lastError().text();
    QStringList present;
    while (list.next())
        present << list.value(0).toString();
    for (const QString &table : tables) {
        if (!present.contains(table))
            return QCoreApplication::translate("DatabaseCheck", "the table %1 is missing")
                .arg(table);
    }
    return QString();
}
} // namespace

QString DatabaseCheck::problem(const QString &path, const QStringList &tables)
{
    const QString connection = QStringLiteral("check:") + path;
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        result = inspect(db, tables);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return result;
}

QString DatabaseCheck::keepAside(const QString &path, QString *error)
{
    const QFileInfo info(path);
    const QString stem = info.absolutePath() + QLatin1Char('/') + info.completeBaseName()
        + QStringLiteral("-damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString kept = stem + suffix;
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = stem + QLatin1Char('-') + QString::number(n) + suffix;

    QFile file(path);
    if (!file.rename(kept)) {
        *error = file.errorString();
        return QString();
    }
    for (const char *journal : journalSuffixes) {
        const QString name = path + QLatin1String(journal);
        if (QFile::exists(name))
            QFile::rename(name, kept + QLatin1String(journal));
    }
    return kept;
}
