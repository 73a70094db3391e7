#include "data/dao.h"

#include "app/apputils.h"
#include "data/databaseregistry.h"
#include "data/dict.h"
#include "data/media.h"
#include "data/medialibrary.h"

#include <QSqlError>
#include <QVariant>

namespace {
constexpr bool kConfigDb = true;
constexpr bool kDataDb = false;

MediaPtr mediaFromRow(const QSqlQuery &q)
{
    auto m = std::make_shared<Media>();
    m->id = q.value(QStringLiteral("id")).toInt();
    m->libraryId = q.value(QStringLiteral("libraryId")).toInt();
    m->name = q.value(QStringLiteral("name")).toString();
    m->path = q.value(QStringLiteral("path")).toString();
    m->startPos = q.value(QStringLiteral("startPos")).toInt();
    m->endPos = q.value(QStringLiteral("endPos")).toInt();
    m->album = q.value(QStringLiteral("album")).toString();
    m->author = q.value(QStringLiteral("author")).toString();
    m->sortNum = q.value(QStringLiteral("sortNum")).toInt();
    return m;
}

MediaLibraryPtr libraryFromRow(const QSqlQuery &q)
{
    auto l = std::make_shared<MediaLibrary>();
    l->id = q.value(QStringLiteral("id")).toInt();
    l->name = q.value(QStringLiteral("name")).toString();
    l->sortNum = q.value(QStringLiteral("sortNum")).toInt();
    return l;
}

DictPtr dictFromRow(const QSqlQuery &q)
{
    auto d = std::make_shared<Dict>();
    d->dictId = q.value(QStringLiteral("dictId")).toInt();
    d->dictName = q.value(QStringLiteral("dictName")).toString();
    d->dictDesc = q.value(QStringLiteral("dictDesc")).toString();
    d->dictValue = q.value(QStringLiteral("dictValue")).toString();
    d->sortNum = q.value(QStringLiteral("sortNum")).toInt();
    return d;
}
} // namespace

void Dao::prepare(bool key, const QString &sql)
{
    m_sql = sql;
    m_query = QSqlQuery(DatabaseRegistry::database(key));
    m_query.prepare(sql);
}

void Dao::bind(const QString &name, const QVariant &value)
{
    m_query.bindValue(QLatin1Char(':') + name, value, QSql::In);
}

bool Dao::exec()
{
    if (m_query.exec())
        return true;
    m_lastError = m_query.lastError().text();
    debugLog(QStringLiteral("Dao Error"),
        QStringLiteral("sql: %1\r\nerror: %2").arg(m_sql, m_lastError));
    return false;
}

bool Dao::transactionStep(const QString &step, bool done)
{
    if (done)
        return true;
    m_lastError = DatabaseRegistry::database(kDataDb).lastError().text();
    debugLog(
        QStringLiteral("Dao Error"), QStringLiteral("sql: %1\r\nerror: %2").arg(step, m_lastError));
    return false;
}

bool Dao::beginTransaction()
{
    return transactionStep(
        QStringLiteral("begin"), DatabaseRegistry::database(kDataDb).transaction());
}

bool Dao::commit()
{
    return transactionStep(QStringLiteral("commit"), DatabaseRegistry::database(kDataDb).commit());
}

void Dao::rollback()
{
    transactionStep(QStringLiteral("rollback"), DatabaseRegistry::database(kDataDb).rollback());
}

void Dao::bindMedia(const Media &media)
{
    bind(QStringLiteral("libraryId"), media.libraryId);
    bind(QStringLiteral("name"), media.name);
    bind(QStringLiteral("path"), media.path);
    bind(QStringLiteral("startPos"), media.startPos);
    bind(QStringLiteral("endPos"), media.endPos);
    bind(QStringLiteral("album"), media.album);
    bind(QStringLiteral("author"), media.author);
    bind(QStringLiteral("sortNum"), media.sortNum);
}

int Dao::maxSortNum()
{
    if (!exec() || !m_query.next())
        return 0;
    return m_query.value(QStringLiteral("maxNum")).toInt();
}

bool Dao::insertMedia(const MediaPtr &media)
{
    if (!media)
        return false;
    prepare(kDataDb,
        QStringLiteral(
            "insert into Media (libraryId,name,path,startPos,endPos,album,author,sortNum) "
            "values (:libraryId,:name,:path,:startPos,:endPos,:album,:author,:sortNum)"));
    bindMedia(*media);
    if (!exec())
        return false;
    media->id = m_query.lastInsertId().toInt();
    return true;
}

int Dao::maxMediaSortNum(int libraryId)
{
    prepare(
        kDataDb, QStringLiteral("select max(sortNum) as maxNum from Media where libraryId = :id"));
    bind(QStringLiteral("id"), libraryId);
    return maxSortNum();
}

MediaPtr Dao::getMedia(int id)
{
    prepare(kDataDb, QStringLiteral("select * from Media where id = :id"));
    bind(QStringLiteral("id"), id);
    if (!exec() || !m_query.next())
        return nullptr;
    return mediaFromRow(m_query);
}

QList<MediaPtr> Dao::listMedia(int libraryId)
{
    QList<MediaPtr> result;
    prepare(
        kDataDb, QStringLiteral("select * from Media where libraryId=:libraryId order by sortNum"));
    bind(QStringLiteral("libraryId"), libraryId);
    if (!exec())
        return result;
    while (m_query.next())
        result << mediaFromRow(m_query);
    return result;
}

bool Dao::deleteMedia(int id)
{
    prepare(kDataDb, QStringLiteral("delete from Media where id = :id"));
    bind(QStringLiteral("id"), id);
    return exec();
}

bool Dao::updateMedia(const MediaPtr &media)
{
    if (!media)
        return false;
    prepare(kDataDb,
        QStringLiteral("update Media set libraryId = :libraryId,name = :name,path = :path,"
                       "startPos = :startPos,endPos = :endPos,album = :album,author = :author,"
                       "sortNum = :sortNum where id=:id"));
    bindMedia(*media);
    bind(QStringLiteral("id"), media->id);
    return exec();
}

bool Dao::insertLibrary(const MediaLibraryPtr &library)
{
    if (!library)
        return false;
    prepare(
        kDataDb, QStringLiteral("insert into MediaLibrary (name,sortNum) values (:name,:sortNum)"));
    bind(QStringLiteral("name"), library->name);
    bind(QStringLiteral("sortNum"), library->sortNum);
    if (!exec())
        return false;
    library->id = m_query.lastInsertId().toInt();
    return true;
}

int Dao::maxLibrarySortNum()
{
    prepare(kDataDb, QStringLiteral("select max(sortNum) as maxNum from MediaLibrary"));
    return maxSortNum();
}

MediaLibraryPtr Dao::getLibrary(int id)
{
    prepare(kDataDb, QStringLiteral("select * from MediaLibrary where id = :id"));
    bind(QStringLiteral("id"), id);
    if (!exec() || !m_query.next())
        return nullptr;
    return libraryFromRow(m_query);
}

QList<MediaLibraryPtr> Dao::listLibraries()
{
    QList<MediaLibraryPtr> result;
    prepare(kDataDb, QStringLiteral("select * from MediaLibrary order by sortNum"));
    if (!exec())
        return result;
    while (m_query.next())
        result << libraryFromRow(m_query);
    return result;
}

bool Dao::deleteLibrary(int id)
{
    prepare(kDataDb, QStringLiteral("delete from MediaLibrary where id = :id"));
    bind(QStringLiteral("id"), id);
    return exec();
}

bool Dao::updateLibrary(const MediaLibraryPtr &library)
{
    if (!library)
        return false;
    prepare(kDataDb,
        QStringLiteral("update MediaLibrary set name = :name,sortNum = :sortNum where id=:id"));
    bind(QStringLiteral("name"), library->name);
    bind(QStringLiteral("sortNum"), library->sortNum);
    bind(QStringLiteral("id"), library->id);
    return exec();
}

bool Dao::insertDict(const DictPtr &dict)
{
    if (!dict)
        return false;
    prepare(kConfigDb,
        QStringLiteral("insert into dict (dictName,dictDesc,dictValue,sortNum) "
                       "values (:dictName,:dictDesc,:dictValue,:sortNum)"));
    bind(QStringLiteral("dictName"), dict->dictName);
    bind(QStringLiteral("dictDesc"), dict->dictDesc);
    bind(QStringLiteral("dictValue"), dict->dictValue);
    bind(QStringLiteral("sortNum"), dict->sortNum);
    if (!exec())
        return false;
    dict->dictId = m_query.lastInsertId().toInt();
    return true;
}

QList<DictPtr> Dao::listDicts()
{
    QList<DictPtr> result;
    prepare(kConfigDb, QStringLiteral("select * from dict order by dictId"));
    if (!exec())
        return result;
    while (m_query.next())
        result << dictFromRow(m_query);
    return result;
}

bool Dao::updateDict(const DictPtr &dict)
{
    if (!dict)
        return false;
    prepare(kConfigDb,
        QStringLiteral("update dict set dictName = :dictName,dictDesc = :dictDesc,"
                       "dictValue = :dictValue,sortNum = :sortNum where dictId=:dictId"));
    bind(QStringLiteral("dictName"), dict->dictName);
    bind(QStringLiteral("dictDesc"), dict->dictDesc);
    bind(QStringLiteral("dictValue"), dict->dictValue);
    bind(QStringLiteral("sortNum"), dict->sortNum);
    bind(QStringLiteral("dictId"), dict->dictId);
    return exec();
}
