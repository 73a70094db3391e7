// Creates an SQLite database from a schema file: quellin-mkdb SCHEMA.sql OUT.db
// The file is built under a temporary name and renamed, so a failed run never leaves a
// half-made template behind.
#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() != 3) {
        err << "usage: quellin-mkdb SCHEMA.sql OUT.db\n";
        return 2;
    }
    QFile schemaFile(args.at(1));
    if (!schemaFile.open(QIODevice::ReadOnly)) {
        err << "cannot read " << args.at(1) << '\n';
        return 1;
    }
    const QString schema = QString::fromUtf8(schemaFile.readAll());
    const QString target = args.at(2);
    const QString temp = target + QStringLiteral(".tmp");
    QFile::remove(temp);

    bool ok = true;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("mkdb"));
        db.setDatabaseName(temp);
        ok = db.open();
        if (!ok)
            err << "cannot create " << temp << ": " << db.lastError().text() << '\n';
        QStringList statements;
        for (const QString &line : schema.split(QLatin1Char('\n'))) {
            if (!line.trimmed().startsWith(QLatin1String("--")))
                statements << line;
        }
        const QStringList parts = statements.join(QLatin1Char('\n')).split(QLatin1Char(';'));
        for (const QString &part : parts) {
            if (!ok || part.trimmed().isEmpty())
                continue;
            QSqlQuery query(db);
            if (!query.exec(part)) {
                err << "schema statement failed: " << query.lastError().text() << '\n'
                    << part << '\n';
                ok = false;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("mkdb"));
    if (ok) {
        QFile::remove(target);
        ok = QFile::rename(temp, target);
    }
    if (!ok)
        QFile::remove(temp);
    return ok ? 0 : 1;
}
