#include "media/trackinfo.h"

#include <QDir>
#include <QtTest>

class TrackInfoTest : public QObject
{
    Q_OBJECT
private slots:
    void cueTime_data();
    void cueTime();
    void hms_data();
    void hms();
    void sanitize_data();
    void sanitize();
    void sameTrack_data();
    void sameTrack();
};

void TrackInfoTest::cueTime_data()
{
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<double>("seconds");
    QTest::newRow("two-digit minutes") << "03:25:37" << 3 * 60 + 25 + 37 / 75.0;
    QTest::newRow("one-digit minutes") << "3:25:37" << 3 * 60 + 25 + 37 / 75.0;
    QTest::newRow("zero") << "00:00:00" << 0.0;
    QTest::newRow("no range test") << "99:99:99" << 6040.32;
    QTest::newRow("long minutes") << "120:00:00" << 7200.0;
    QTest::newRow("two parts") << "03:25" << 0.0;
    QTest::newRow("four parts") << "00:03:25:37" << 0.0;
    QTest::newRow("letter") << "03:2a:37" << 0.0;
    QTest::newRow("empty part") << "1::2" << 0.0;
    QTest::newRow("empty text") << "" << 0.0;
}

void TrackInfoTest::cueTime()
{
    QFETCH(QString, stamp);
    QFETCH(double, seconds);
    QVERIFY2(qAbs(cueTimeToSeconds(stamp) - seconds) < 1e-9,
        qPrintable(QString::number(cueTimeToSeconds(stamp), 'f', 9)));
}

void TrackInfoTest::hms_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "00:00";
    QTest::newRow("below half") << 59.49 << "00:59";
    QTest::newRow("half goes up") << 59.5 << "01:00";
    QTest::newRow("last below an hour") << 3599.4 << "59:59";
    QTest::newRow("rounds to an hour") << 3599.5 << "01:00:00";
    QTest::newRow("hours") << 3661.0 << "01:01:01";
    QTest::newRow("hundred hours") << 360000.0 << "100:00:00";
}

void TrackInfoTest::hms()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(secondsToHMS(seconds), text);
}

void TrackInfoTest::sanitize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("slash colon question") << "AC/DC: Live?"
                                          << "AC_DC_ Live_";
    QTest::newRow("all nine") << "\\/:*?\"<>|"
                              << "_________";
    QTest::newRow("blanks only") << "   "
                                 << "untitled";
    QTest::newRow("empty") << ""
                           << "untitled";
    QTest::newRow("single colon") << ":"
                                  << "_";
    QTest::newRow("trimmed") << "  Song  "
                             << "Song";
    QTest::newRow("others untouched") << "a.b,c;d'e\tf."
                                      << "a.b,c;d'e\tf.";
    QTest::newRow("non-latin") << "红豆 / Hóng Dòu"
                               << "红豆 _ Hóng Dòu";
}

void TrackInfoTest::sanitize()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(sanitizeFileName(name), expected);
}

void TrackInfoTest::sameTrack_data()
{
    const QString album = QDir::current().absoluteFilePath(QStringLiteral("album.flac"));
    QTest::addColumn<QString>("trackPath");
    QTest::addColumn<double>("trackStart");
    QTest::addColumn<QString>("playingPath");
    QTest::addColumn<double>("playingStart");
    QTest::addColumn<bool>("same");
    QTest::newRow("equal") << album << 65.0 << album << 65.0 << true;
    QTest::newRow("just inside") << album << 0.0 << album << 0.0499 << true;
    QTest::newRow("at the limit") << album << 0.0 << album << 0.05 << false;
    QTest::newRow("earlier start") << album << 65.0 << album << 64.9 << false;
    QTest::newRow("relative path of the same file") << "album.flac" << 0.0 << album << 0.0 << true;
    QTest::newRow("other file") << album << 0.0
                                << QDir::current().absoluteFilePath(QStringLiteral("other.flac"))
                                << 0.0 << false;
}

void TrackInfoTest::sameTrack()
{
    QFETCH(QString, trackPath);
    QFETCH(double, trackStart);
    QFETCH(QString, playingPath);
    QFETCH(double, playingStart);
    QFETCH(bool, same);
    TrackInfo track;
    track.filePath = trackPath;
    track.startSeconds = trackStart;
    QCOMPARE(track.isSameTrack(playingPath, playingStart), same);
}

QTEST_GUILESS_MAIN(TrackInfoTest)
#include "tst_trackinfo.moc"
