#include "app/resourceinit.h"
#include "support/modalsupport.h"
#include "ui/mainwindow/trackrow.h"

#include <QTreeWidget>
#include <QtTest>

Q_DECLARE_METATYPE(QVector<TrackInfo>)

namespace {
TrackInfo sheetTrack(int number, const QString &title, double start, double duration)
{
    TrackInfo t;
    t.number = number;
    t.title = title;
    t.startSeconds = start;
    t.durationSeconds = duration;
    t.filePath = QStringLiteral("/music/Album/CDImage.flac");
    t.fileType = QStringLiteral("flac");
    t.cuePath = QStringLiteral("/music/Album/CDImage.cue");
    return t;
}

TrackInfo wholeTrack(int number, const QString &path)
{
    TrackInfo t;
    t.number = number;
    t.title = QFileInfo(path).fileName();
    t.filePath = path;
    t.fileType = QFileInfo(path).suffix();
    t.wholeFile = true;
    return t;
}
} // namespace

// Rows of the track lists: texts, roles, and which rows are the same track.
class tst_TrackRow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void rows_data()
    {
        QTest::addColumn<QVector<TrackInfo>>("tracks");
        QTest::addColumn<bool>("fromFolder");
        QTest::addColumn<QStringList>("rows"); // columns 0-3 and the title role
        QTest::newRow("sheet") << QVector<TrackInfo> {
            sheetTrack(1, "Intro", 0, 59.5), sheetTrack(2, "Song", 59.5, 3661)
        } << false << QStringList { "Intro|00:00|01:00|1|Intro", "Song|01:00|01:01:01|2|Song" };
        QVector<TrackInfo> folder { wholeTrack(1, "/m/1 song.flac"),
            wholeTrack(2, "/m/2 song.flac") };
        folder[0].title = QStringLiteral("1 song");
        // From a folder: numbered, no times, the row keeps the track's own title.
        QTest::newRow("folder") << folder << true
                                << QStringList { "1 song.flac|||1|1 song",
                                       "2 song.flac|||2|2 song.flac" };
        // A sheet naming several files counts only its whole-file rows.
        QTest::newRow("sheet naming several files") << QVector<TrackInfo> {
            wholeTrack(1, "/m/a.flac"), sheetTrack(5, "Range", 10, 20), wholeTrack(2, "/m/b.wav")
        } << false << QStringList { "a.flac|||1|a", "Range|00:10|00:20|5|Range", "b.wav|||2|b" };
    }

    void rows()
    {
        QFETCH(QVector<TrackInfo>, tracks);
        QFETCH(bool, fromFolder);
        QTreeWidget list;
        list.setColumnCount(4);
        TrackRow::fill(&list, tracks, fromFolder);
        QStringList rows;
        for (int i = 0; i < list.topLevelItemCount(); ++i) {
            const QTreeWidgetItem *row = list.topLevelItem(i);
            rows << QStringList { row->text(0), row->text(1), row->text(2), row->text(3),
                row->data(0, TrackRow::TitleRole).toString() }
                        .join('|');
            QVERIFY(row->flags() & Qt::ItemIsDragEnabled);
            QVERIFY(!(row->flags() & Qt::ItemIsDropEnabled));
            const TrackInfo back = TrackRow::track(row);
            QCOMPARE(back.startSeconds, tracks.at(i).startSeconds);
            QCOMPARE(back.durationSeconds, tracks.at(i).durationSeconds);
            QCOMPARE(back.cuePath, tracks.at(i).cuePath);
            QCOMPARE(back.wholeFile, tracks.at(i).wholeFile);
        }
        QTEST(rows, "rows");
    }

    // The export list refuses a row already in it (0.1 s apart, same title and number); the
    // playing row is found by file and start within 0.01 s.
    void sameTrack_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("duplicate");
        QTest::addColumn<bool>("playing");
        QTest::newRow("5 ms apart") << 10.005 << 3 << "T" << true << true;
        QTest::newRow("20 ms apart") << 10.02 << 3 << "T" << true << false;
        QTest::newRow("50 ms apart") << 10.05 << 3 << "T" << true << false;
        QTest::newRow("200 ms apart") << 10.2 << 3 << "T" << false << false;
        QTest::newRow("other number") << 10.0 << 4 << "T" << false << true;
        QTest::newRow("other title") << 10.0 << 3 << "U" << false << true;
    }

    void sameTrack()
    {
        QFETCH(double, start);
        QFETCH(int, number);
        QFETCH(QString, title);
        QTreeWidget list;
        TrackRow::fill(&list, { sheetTrack(3, "T", 10.0, 5) }, false);
        const TrackInfo other = sheetTrack(number, title, start, 9);
        std::unique_ptr<QTreeWidgetItem> row(TrackRow::make(other, 0, false));
        QTEST(TrackRow::isDuplicate(list.topLevelItem(0), row.get()), "duplicate");
        QTEST(TrackRow::findPlaying(&list, other) == list.topLevelItem(0), "playing");
    }

    void copyAndRenumber()
    {
        QTreeWidget list;
        list.setColumnCount(4);
        TrackRow::fill(&list,
            { sheetTrack(1, "A", 0, 10), sheetTrack(2, "B", 10, 10), sheetTrack(7, "C", 42.5, 10) },
            false);
        QTreeWidgetItem *row = list.topLevelItem(2);
        row->setData(0, TrackRow::MediaIdRole, 99);
        std::unique_ptr<QTreeWidgetItem> copy(TrackRow::copy(row));
        for (int role = TrackRow::FilePathRole; role <= TrackRow::CuePathRole; ++role)
            QCOMPARE(copy->data(0, role), row->data(0, role));
        QCOMPARE(copy->text(1), row->text(1));
        QVERIFY(copy->text(3).isEmpty());
        delete list.takeTopLevelItem(1);
        TrackRow::renumber(&list);
        QCOMPARE(TestSupport::columnTexts(&list, 3), (QStringList { "1", "2" }));
    }
};

QTEST_MAIN(tst_TrackRow)
#include "tst_trackrow.moc"
