#include "app/resourceinit.h"
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

QStringList numbers(QTreeWidget &list)
{
    QStringList out;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        out << list.topLevelItem(i)->text(3);
    return out;
}
} // namespace

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
        QVector<TrackInfo> folder;
        for (int i = 1; i <= 2; ++i)
            folder << wholeTrack(i, QStringLiteral("/m/%1 song.flac").arg(i));
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
        QCOMPARE(numbers(list), (QStringList { "1", "2" }));
        QCOMPARE(
            TrackRow::findPlaying(&list, sheetTrack(3, "C", 20.005, 10)), list.topLevelItem(1));
        QVERIFY(!TrackRow::findPlaying(&list, sheetTrack(3, "C", 20.02, 10)));
    }
};

QTEST_MAIN(tst_TrackRow)
#include "tst_trackrow.moc"
