#include "app/resourceinit.h"
#include "ui/mainwindow/trackrow.h"

#include <QTreeWidget>
#include <QtTest>

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

QStringList column(QTreeWidget &list, int c)
{
    QStringList out;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        out << list.topLevelItem(i)->text(c);
    return out;
}
} // namespace

class tst_TrackRow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void sheetRows()
    {
        QTreeWidget list;
        list.setColumnCount(4);
        TrackRow::fill(
            &list, { sheetTrack(1, "Intro", 0, 59.5), sheetTrack(2, "Song", 59.5, 3661) }, false);
        QCOMPARE(column(list, 0), (QStringList { "Intro", "Song" }));
        QCOMPARE(column(list, 1), (QStringList { "00:00", "01:00" }));
        QCOMPARE(column(list, 2), (QStringList { "01:00", "01:01:01" }));
        QCOMPARE(column(list, 3), (QStringList { "1", "2" }));
        const TrackInfo back = TrackRow::track(list.topLevelItem(1));
        QCOMPARE(back.title, QStringLiteral("Song"));
        QCOMPARE(back.startSeconds, 59.5);
        QCOMPARE(back.durationSeconds, 3661.0);
        QCOMPARE(back.cuePath, QStringLiteral("/music/Album/CDImage.cue"));
        QVERIFY(!back.wholeFile);
        QVERIFY(list.topLevelItem(0)->flags() & Qt::ItemIsDragEnabled);
        QVERIFY(!(list.topLevelItem(0)->flags() & Qt::ItemIsDropEnabled));
    }

    void folderRowsNumberedWithEmptyTimes()
    {
        QTreeWidget list;
        list.setColumnCount(4);
        QVector<TrackInfo> tracks;
        for (int i = 1; i <= 3; ++i)
            tracks << wholeTrack(i, QStringLiteral("/m/%1 song.flac").arg(i));
        tracks[0].title = QStringLiteral("1 song");
        TrackRow::fill(&list, tracks, true);
        QCOMPARE(column(list, 0), (QStringList { "1 song.flac", "2 song.flac", "3 song.flac" }));
        QCOMPARE(column(list, 1), (QStringList { "", "", "" }));
        QCOMPARE(column(list, 2), (QStringList { "", "", "" }));
        QCOMPARE(column(list, 3), (QStringList { "1", "2", "3" }));
        // From a folder the row keeps the track's own title and number.
        QCOMPARE(list.topLevelItem(0)->data(0, TrackRow::TitleRole).toString(),
            QStringLiteral("1 song"));
    }

    void sheetNamingSeveralFilesCountsOnlyWholeFileRows()
    {
        QTreeWidget list;
        list.setColumnCount(4);
        TrackRow::fill(&list,
            { wholeTrack(1, "/m/a.flac"), sheetTrack(5, "Range", 10, 20),
                wholeTrack(2, "/m/b.wav") },
            false);
        QCOMPARE(column(list, 3), (QStringList { "1", "5", "2" }));
        QCOMPARE(
            list.topLevelItem(2)->data(0, TrackRow::TitleRole).toString(), QStringLiteral("b"));
        QCOMPARE(list.topLevelItem(2)->data(0, TrackRow::NumberRole).toInt(), 2);
    }

    void duplicateRule_data()
    {
        QTest::addColumn<double>("startA");
        QTest::addColumn<double>("startB");
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("10.00 and 10.05") << 10.00 << 10.05 << true;
        QTest::newRow("10.0 and 10.2") << 10.0 << 10.2 << false;
        QTest::newRow("equal") << 0.0 << 0.0 << true;
    }

    void duplicateRule()
    {
        QFETCH(double, startA);
        QFETCH(double, startB);
        QFETCH(bool, duplicate);
        std::unique_ptr<QTreeWidgetItem> a(TrackRow::make(sheetTrack(3, "T", startA, 5), 0, false));
        std::unique_ptr<QTreeWidgetItem> b(TrackRow::make(sheetTrack(3, "T", startB, 9), 0, false));
        QCOMPARE(TrackRow::isDuplicate(a.get(), b.get()), duplicate);
        // Another title or number is another track.
        std::unique_ptr<QTreeWidgetItem> c(TrackRow::make(sheetTrack(4, "T", startA, 5), 0, false));
        QVERIFY(!TrackRow::isDuplicate(a.get(), c.get()));
    }

    void copyKeepsEveryRole()
    {
        std::unique_ptr<QTreeWidgetItem> row(
            TrackRow::make(sheetTrack(7, "Seven", 42.5, 10), 0, false));
        row->setData(0, TrackRow::MediaIdRole, 99);
        std::unique_ptr<QTreeWidgetItem> copy(TrackRow::copy(row.get()));
        for (int role = TrackRow::FilePathRole; role <= TrackRow::CuePathRole; ++role)
            QCOMPARE(copy->data(0, role), row->data(0, role));
        QCOMPARE(copy->text(1), row->text(1));
        QVERIFY(copy->text(3).isEmpty());
    }

    void renumberAndFindPlaying()
    {
        QTreeWidget list;
        list.setColumnCount(4);
        TrackRow::fill(&list,
            { sheetTrack(1, "A", 0, 10), sheetTrack(2, "B", 10, 10), sheetTrack(3, "C", 20, 10) },
            false);
        delete list.takeTopLevelItem(1);
        TrackRow::renumber(&list);
        QCOMPARE(column(list, 3), (QStringList { "1", "2" }));
        QCOMPARE(
            TrackRow::findPlaying(&list, sheetTrack(3, "C", 20.005, 10)), list.topLevelItem(1));
        QVERIFY(!TrackRow::findPlaying(&list, sheetTrack(3, "C", 20.02, 10)));
    }
};

QTEST_MAIN(tst_TrackRow)
#include "tst_trackrow.moc"
