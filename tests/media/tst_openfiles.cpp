#include "media/audiofiles.h"
#include "media/openfilesplan.h"
#include "support/mediasupport.h"
#include "support/testsupport.h"

#include <QtTest>

using MediaSupport::cueSheet;
using MediaSupport::writeFile;

class tst_OpenFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }

private slots:
    void initTestCase()
    {
        QVERIFY(writeFile(
                    path("Album/CDImage.cue"), cueSheet("CDImage.flac", { "One", "Song", "Three" }))
            && TestSupport::makeTone(path("Album/CDImage.flac"), 440, 3.0)
            && writeFile(path("Album/notes.txt"), "liner notes")
            && writeFile(
                path("Neighbour/album.cue"), cueSheet("album.flac", { "Intro", " SONG ", "Outro" }))
            && TestSupport::makeTone(path("Neighbour/song.flac"), 330, 1.0)
            && writeFile(path("Loose/a.mp3"), "x") && writeFile(path("Loose/b.Flac"), "x"));
    }

    void listingAFolder()
    {
        QVERIFY(writeFile(path("Folder/SONG.FLAC"), "x") && writeFile(path("Folder/cover.jpg"), "x")
            && writeFile(path("Folder/sub/inner.flac"), "x"));
        const QVector<TrackInfo> tracks = AudioFiles::listAudioFiles(path("Folder"));
        QCOMPARE(tracks.size(), 1);
        const TrackInfo &t = tracks.first();
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(t.title, t.fileType).arg(t.number), "SONG flac 1");
        QVERIFY(t.wholeFile && t.startSeconds == 0.0 && t.durationSeconds == 0.0
            && t.cuePath.isEmpty());
        // A file path lists itself.
        QCOMPARE(AudioFiles::listAudioFiles(path("Folder/cover.jpg")).size(), 1);
    }

    void plans_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("firstFile");
        QTest::addColumn<int>("preferred");
        QTest::newRow("album sheet")
            << QStringList { "Album/CDImage.cue" } << QStringList { "1 One", "2 Song", "3 Three" }
            << "Album/CDImage.cue" << -1;
        QTest::newRow("sheet then its album adds no row")
            << QStringList { "Album/CDImage.cue", "Album/CDImage.flac" }
            << QStringList { "1 One", "2 Song", "3 Three" } << "Album/CDImage.cue" << -1;
        QTest::newRow("album then its sheet")
            << QStringList { "Album/CDImage.flac", "Album/CDImage.cue" }
            << QStringList { "1 CDImage", "1 One", "2 Song", "3 Three" } << "Album/CDImage.flac"
            << 0;
        QTest::newRow("song found in a neighbour sheet")
            << QStringList { "Neighbour/song.flac" }
            << QStringList { "1 Intro", "2 SONG", "3 Outro" } << "Neighbour/album.cue" << 1;
        QTest::newRow("loose files numbered, others ignored")
            << QStringList { "Loose/x.txt", "Loose/a.mp3", "Loose/b.Flac" }
            << QStringList { "1 a", "2 b" } << "Loose/a.mp3" << 0;
        QTest::newRow("only other files")
            << QStringList { "Album/notes.txt" } << QStringList() << "" << -1;
    }

    void plans()
    {
        QFETCH(QStringList, inputs);
        QFETCH(QString, firstFile);
        QFETCH(int, preferred);
        for (QString &input : inputs)
            input = path(input);
        const OpenFilesPlan plan = OpenFilesPlan::build(inputs);
        QStringList titles;
        for (const TrackInfo &t : plan.tracks) {
            titles << QString::number(t.number) + ' ' + t.title.trimmed();
            if (t.wholeFile)
                QCOMPARE(t.fileType, QFileInfo(t.filePath).suffix().toLower());
        }
        QTEST(titles, "titles");
        QCOMPARE(plan.firstFile, firstFile.isEmpty() ? QString() : path(firstFile));
        QCOMPARE(plan.indexToPlay(), qMax(preferred, 0));
        if (preferred >= 0)
            QCOMPARE(plan.preferredIndex, preferred);
    }
};

QTEST_GUILESS_MAIN(tst_OpenFiles)
#include "tst_openfiles.moc"
