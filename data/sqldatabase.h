#pragma once

#include <QObject>
#include <QSqlDatabase>

// One named SQLite connection, named after its file ("config.db", "data.db").
class SqlDatabase : public QObject
{
    Q_OBJECT
public:
    SqlDatabase() = default;

    // Succeeds only when the file opens and holds at least one ordinary table, so an empty or
    // foreign file counts as a failure.
    bool open(const QString &path);

    QSqlDatabase &database() { return m_database; }
    QString connectionName() const { return m_connectionName; }

private:
    QSqlDatabase m_database;
    QString m_connectionName;
};
