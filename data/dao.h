#pragma once

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <memory>

class Media;
class MediaLibrary;
class Dict;

using MediaPtr = std::shared_ptr<Media>;
using MediaLibraryPtr = std::shared_ptr<MediaLibrary>;
using DictPtr = std::shared_ptr<Dict>;

// Runs every SQL statement of the program. A failed statement writes one "Dao Error" line with
// its SQL and the driver's text, and the operation returns false, 0, null or an empty list.
// GUI thread only; cheap to create on the stack.
class Dao
{
public:
    bool insertMedia(const MediaPtr &media);
    int maxMediaSortNum(int libraryId);
    MediaPtr getMedia(int id);
    QList<MediaPtr> listMedia(int libraryId);
    bool deleteMedia(int id);
    bool updateMedia(const MediaPtr &media);

    bool insertLibrary(const MediaLibraryPtr &library);
    int maxLibrarySortNum();
    MediaLibraryPtr getLibrary(int id);
    QList<MediaLibraryPtr> listLibraries();
    bool deleteLibrary(int id);
    bool updateLibrary(const MediaLibraryPtr &library);

    bool insertDict(const DictPtr &dict);
    QList<DictPtr> listDicts();
    bool updateDict(const DictPtr &dict);

    // One transaction on "data.db" around several of the statements above, so that a playlist
    // change is stored whole or not at all. Failures write a "Dao Error" line like statements.
    bool beginTransaction();
    bool commit();
    void rollback();

    // The driver's text for the last failed statement or transaction step.
    QString lastError() const { return m_lastError; }

private:
    void prepare(bool key, const QString &sql);
    void bind(const QString &name, const QVariant &value);
    bool exec();
    bool transactionStep(const QString &step, bool done);
    void bindMedia(const Media &media);
    int maxSortNum();

    QSqlQuery m_query;
    QString m_sql;
    QString m_lastError;
};
