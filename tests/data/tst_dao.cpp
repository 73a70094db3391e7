#include "data/dao.h"
#include "data/databaseregistry.h"
#include "data/media.h"
#include "support/databasefixture.h"
#include "support/testsupport.h"

#include <QtTest>

// Order, update and delete are seen through PlaylistStore and ConfigService; this checks every
// field of a track and that missing rows stay silent.
class tst_Dao : public QObject
{
    Q_OBJECT

private slots:
    void mediaFieldsRoundTrip()
    {
        DatabaseFixture fixture;
        QVERIFY(fixture.isValid());
        auto media = std::make_shared<Media>();
        media->libraryId = 7;
        media->name = QStringLiteral("second");
        media->path = QStringLiteral("/music/second.flac");
        media->startPos = 12;
        media->endPos = 213;
        media->album = QStringLiteral("Album");
        media->author = QStringLiteral("Artist");
        media->sortNum = 2;
        LogCapture log;
        Dao dao;
        QVERIFY(dao.insertMedia(media) && media->id > 0);
        const MediaPtr read = dao.getMedia(media->id);
        QVERIFY(read);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                     .arg(read->libraryId)
                     .arg(read->name, read->path)
                     .arg(read->startPos)
                     .arg(read->endPos)
                     .arg(read->album, read->author)
                     .arg(read->sortNum),
            QStringLiteral("7 second /music/second.flac 12 213 Album Artist 2"));
        QVERIFY(!dao.getMedia(4242) && !dao.getLibrary(4242));
        QVERIFY(log.linesStartingWith(QStringLiteral("**Debug** Dao Error")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_Dao)
#include "tst_dao.moc"
