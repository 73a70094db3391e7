#include "ui/mainwindow/covertheme.h"

#include <QtTest>

class tst_CoverTheme : public QObject
{
    Q_OBJECT
private slots:
    void accent_data();
    void accent();
    void textColor_data();
    void textColor();
    void paletteChoice_data();
    void paletteChoice();
    void sliderStyleSheets();
};

void tst_CoverTheme::accent_data()
{
    QTest::addColumn<QColor>("primary");
    QTest::addColumn<QColor>("secondary");
    QTest::addColumn<bool>("isDefault");
    QTest::addColumn<QColor>("expected");

    const QColor firstEntry(0x33, 0x66, 0x96);
    // Grey 102 is 0.4 in every channel: luminance exactly 0.4 takes the palette.
    QTest::newRow("luminance 0.4")
        << QColor(102, 102, 102) << QColor(102, 102, 102) << false << firstEntry.lighter(120);
    QTest::newRow("luminance 0.396")
        << QColor(101, 101, 101) << QColor(101, 101, 101) << false << QColor(101, 101, 101);
    QTest::newRow("dark red kept")
        << QColor(120, 0, 0) << QColor(120, 0, 0) << false << QColor(120, 0, 0);
    QTest::newRow("mixed 4:1") << QColor(200, 0, 0) << QColor(0, 0, 200) << false
                               << QColor(160, 0, 40);
    QTest::newRow("light green") << QColor(0, 200, 0) << QColor(0, 200, 0) << false
                                 << QColor(0x40, 0xa7, 0x78).lighter(120);
    QTest::newRow("light grey") << QColor(230, 230, 230) << QColor(30, 30, 30) << false
                                << firstEntry.lighter(120);
    QTest::newRow("placeholder") << QColor(0, 200, 0) << QColor(250, 250, 250) << true
                                 << QColor("#3c78b0");
    QTest::newRow("placeholder dark")
        << QColor(10, 10, 10) << QColor(10, 10, 10) << true << QColor("#3c78b0");
}

void tst_CoverTheme::accent()
{
    QFETCH(QColor, primary);
    QFETCH(QColor, secondary);
    QFETCH(bool, isDefault);
    QFETCH(QColor, expected);
    const QColor accent = CoverTheme::accentFor(primary, secondary, isDefault);
    QCOMPARE(accent.name(), expected.name());
    QCOMPARE(accent.alpha(), 255);
}

void tst_CoverTheme::textColor_data()
{
    QTest::addColumn<QColor>("accent");
    QTest::addColumn<QString>("expected");
    QTest::newRow("grey 115 (0.451)") << QColor(115, 115, 115) << "#1a1a1a";
    QTest::newRow("grey 114 (0.447)") << QColor(114, 114, 114) << "#ffffff";
    QTest::newRow("placeholder accent") << QColor("#3c78b0") << "#ffffff";
    QTest::newRow("light palette green") << QColor(0x40, 0xa7, 0x78).lighter(120) << "#1a1a1a";
    QTest::newRow("initial accent") << QColor(25, 28, 35) << "#ffffff";
}

void tst_CoverTheme::textColor()
{
    QFETCH(QColor, accent);
    QFETCH(QString, expected);
    QCOMPARE(CoverTheme::textColorFor(accent).name(), expected);
}

void tst_CoverTheme::paletteChoice_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QString>("expected");
    QTest::newRow("grey") << QColor(128, 128, 128) << "#336696";
    QTest::newRow("nearly grey") << QColor(140, 128, 128) << "#336696";
    QTest::newRow("pure green") << QColor(0, 255, 0) << "#40a778";
    QTest::newRow("pure blue") << QColor(0, 0, 255) << "#4f3a7a";
    QTest::newRow("pure red wraps") << QColor(255, 0, 0) << "#544452";
    QTest::newRow("sky blue") << QColor(60, 110, 170) << "#316aa5";
    QTest::newRow("violet") << QColor(120, 60, 140) << "#743d8b";
    QTest::newRow("sea green") << QColor(70, 160, 130) << "#49a082";
}

void tst_CoverTheme::paletteChoice()
{
    QFETCH(QColor, color);
    QFETCH(QString, expected);
    QCOMPARE(paletteColorFor(color).name(), expected);
}

void tst_CoverTheme::sliderStyleSheets()
{
    // From the initial accent 25, 28, 35: groove = lighter by 103, played part = that by 120.
    const QColor groove = QColor(25, 28, 35).lighter(103);
    const QColor played = groove.lighter(120);
    QVERIFY(groove != QColor(25, 28, 35) && played != groove);
    const QString expected =
        QString("QSlider#hsPlayProcessBar::groove:horizontal {  height:6px; border-radius:3px; "
                "background:%1;}QSlider#hsPlayProcessBar::sub-page:horizontal {  background:%2; "
                "border-radius:3px;}QSlider#hsPlayProcessBar::add-page:horizontal {  "
                "background:%1; border-radius:3px;}QSlider#hsPlayProcessBar::handle:horizontal "
                "{  background:#ffffff; width:12px; height:12px; margin:-4px 0; "
                "border-radius:6px;}")
            .arg(groove.name(), played.name());
    QCOMPARE(CoverTheme::playBarStyleSheet(QColor(25, 28, 35)), expected);
    QVERIFY(expected.contains(QRegularExpression("background:#[0-9a-f]{6};")));
    QCOMPARE(CoverTheme::playSliderStyleSheet(),
        QString("QSlider#hsPlayProcessSlider::handle:horizontal {  background:#ffffff; "
                "width:12px; height:12px; margin:-4px 0; border-radius:6px;}"));
}

QTEST_MAIN(tst_CoverTheme)
#include "tst_covertheme.moc"
