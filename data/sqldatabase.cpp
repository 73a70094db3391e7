#include "data/sqldatabase.h"

#include <QFileInfo>
#include <QSqlQuery>

bool SqlDatabase::open(const QString &path)
{
    m_connectionName = QFileInfo(path).fileName();
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_database.setDatabaseName(path);
    if (!m_database.isValid() || !m_database.open())
        return false;
    return !m_database.tables(QSql::Tables).isEmpty();
}
