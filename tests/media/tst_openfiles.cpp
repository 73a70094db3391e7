#include "media/audiofiles.h"
#include "media/openfilesplan.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray albumSheet(const QString &audioName, const QStringList &titles)
{
    QByteArray text =
        "PERFORMER \"Someone\"\nTITLE \"An Album\"\nFILE \"" + audioName.toUtf8() + "\" WAVE\n";
    for (int i = 0; i < titles.size(); ++i) {
        text += QStringLiteral("  TRACK %1 AUDIO\n    TITLE \"%2\"\n    INDEX 01 00:%3:00\n")
                    .arg(i + 1, 2, 10, QLatin1Char('0'))
                    .arg(titles.at(i))
                    .arg(i, 2, 10, QLatin1Char('0'))
                    .toUtf8();
    }
    return text;
}

QStringList titles(const OpenFilesPlan &plan)
{
    QStringList out;
    for (const TrackInfo &t : plan.tracks)
        out << t.title;
    return out;
}
} // namespace

class tst_OpenFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_album;
    QString m_sheet;

private slots:
    void initTestCase()
    {
        m_album = m_dir.path() + QStringLiteral("/Album/CDImage.flac");
        QDir().mkpath(m_dir.path() + QStringLiteral("/Album"));
        QVERIFY(TestSupport::makeTone(m_album, 440, 3.0));
        m_sheet = m_dir.path() + QStringLiteral("/Album/CDImage.cue");
        writeFile(m_sheet, albumSheet(QStringLiteral("CDImage.flac"), { "One", "Song", "Three" }));
        writeFile(m_dir.path() + QStringLiteral("/Album/notes.txt"), "liner notes");
    }

    void listingAFolder()
    {
        QTemporaryDir tmp;
        writeFile(tmp.path() + QStringLiteral("/SONG.FLAC"), "x");
        writeFile(tmp.path() + QStringLiteral("/cover.jpg"), "x");
        writeFile(tmp.path() + QStringLiteral("/sub/inner.flac"), "x");
        const QVector<TrackInfo> tracks = AudioFiles::listAudioFiles(tmp.path());
        QCOMPARE(tracks.size(), 1);
        QCOMPARE(tracks.first().title, QStringLiteral("SONG"));
        QCOMPARE(tracks.first().fileType, QStringLiteral("flac"));
        QCOMPARE(tracks.first().number, 1);
        QVERIFY(tracks.first().wholeFile);
        QCOMPARE(tracks.first().startSeconds, 0.0);
        QCOMPARE(tracks.first().durationSeconds, 0.0);
        QVERIFY(tracks.first().cuePath.isEmpty());
        QCOMPARE(AudioFiles::namePatterns().size(), 38);
        // A file path lists itself.
        QCOMPARE(AudioFiles::listAudioFiles(tmp.path() + QStringLiteral("/cover.jpg")).size(), 1);
    }

    void oneAlbumSheet()
    {
        const OpenFilesPlan plan = OpenFilesPlan::build({ m_sheet });
        QCOMPARE(titles(plan), (QStringList { "One", "Song", "Three" }));
        QCOMPARE(plan.firstFile, m_sheet);
        QCOMPARE(plan.indexToPlay(), 0);
    }

    void sheetThenAlbumFileAddsNoRow()
    {
        const OpenFilesPlan plan = OpenFilesPlan::build({ m_sheet, m_album });
        QCOMPARE(plan.tracks.size(), 3);
        QCOMPARE(plan.indexToPlay(), 0);
    }

    void albumFileThenSheet()
    {
        const OpenFilesPlan plan = OpenFilesPlan::build({ m_album, m_sheet });
        QCOMPARE(titles(plan), (QStringList { "CDImage", "One", "Song", "Three" }));
        QVERIFY(plan.tracks.first().wholeFile);
        QCOMPARE(plan.firstFile, m_album);
        QCOMPARE(plan.preferredIndex, 0);
    }

    void songFoundInNeighbourSheet()
    {
        QTemporaryDir tmp;
        const QString song = tmp.path() + QStringLiteral("/song.flac");
        QVERIFY(TestSupport::makeTone(song, 330, 1.0));
        writeFile(tmp.path() + QStringLiteral("/album.cue"),
            albumSheet(QStringLiteral("album.flac"), { "Intro", " SONG ", "Outro" }));
        const OpenFilesPlan plan = OpenFilesPlan::build({ song });
        QCOMPARE(plan.tracks.size(), 3);
        QCOMPARE(plan.preferredIndex, 1);
        QCOMPARE(plan.firstFile, tmp.path() + QStringLiteral("/album.cue"));
    }

    void looseFilesAndOthers()
    {
        QTemporaryDir tmp;
        const QString a = tmp.path() + QStringLiteral("/a.mp3");
        const QString b = tmp.path() + QStringLiteral("/b.Flac");
        writeFile(a, "x");
        writeFile(b, "x");
        const OpenFilesPlan plan =
            OpenFilesPlan::build({ tmp.path() + QStringLiteral("/x.txt"), a, b });
        QCOMPARE(titles(plan), (QStringList { "a", "b" }));
        QCOMPARE(plan.tracks.at(0).number, 1);
        QCOMPARE(plan.tracks.at(1).number, 2);
        QCOMPARE(plan.tracks.at(1).fileType, QStringLiteral("flac"));
        QCOMPARE(plan.preferredIndex, 0);
        QCOMPARE(plan.firstFile, a);

        const OpenFilesPlan nothing =
            OpenFilesPlan::build({ m_dir.path() + QStringLiteral("/Album/notes.txt") });
        QVERIFY(nothing.tracks.isEmpty());
        QVERIFY(nothing.firstFile.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_OpenFiles)
#include "tst_openfiles.moc"
