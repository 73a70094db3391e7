#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "support/modalsupport.h"
#include "ui/mainwindow/mainwindow.h"

#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QtTest>

// The page and volume the window starts with, and the page it stores.
class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init() { fixture = std::make_unique<WindowFixture>(); }
    void cleanup() { fixture.reset(); }
    void startSettings_data();
    void startSettings();
    void navigationButtonsStorePage();

private:
    std::unique_ptr<WindowFixture> fixture;
};

void tst_MainWindow::startSettings_data()
{
    QTest::addColumn<QString>("page"); // nav.view.id; null: never stored
    QTest::addColumn<QString>("volume");
    QTest::addColumn<int>("pageShown");
    QTest::addColumn<int>("percent");
    QTest::newRow("first start") << QString() << QString() << 1 << 100;
    QTest::newRow("playlists, volume 35") << "0"
                                          << "35" << 0 << 35;
    QTest::newRow("sources, volume 0") << "1"
                                       << "0" << 1 << 0;
    QTest::newRow("other number, too loud") << "7"
                                            << "250" << 0 << 100;
}

void tst_MainWindow::startSettings()
{
    QFETCH(QString, page);
    QFETCH(QString, volume);
    QFETCH(int, percent);
    if (!page.isNull())
        ConfigService::instance()->setValue("nav.view.id", page);
    if (!volume.isNull())
        ConfigService::instance()->setValue("volume", volume);
    MainWindow window;
    QTEST(child<QStackedWidget>(window, "stackedWidget")->currentIndex(), "pageShown");
    QCOMPARE(child<QSlider>(window, "hsVolume")->value(), percent);
    QCOMPARE(child<QSlider>(window, "hsVolumeMusic")->value(), percent);
    QCOMPARE(qRound(window.playbackEngine()->volume() * 100), percent);
}

void tst_MainWindow::navigationButtonsStorePage()
{
    for (const char *button : { "btnPlaylist", "btnPlaylist2" }) {
        const int page = QByteArray(button) == "btnPlaylist" ? 0 : 1;
        {
            MainWindow window;
            child<QPushButton>(window, button)->click();
            QCOMPARE(child<QStackedWidget>(window, "stackedWidget")->currentIndex(), page);
        }
        // The page comes back after a restart.
        QVERIFY(fixture->restart());
        MainWindow window;
        QCOMPARE(child<QStackedWidget>(window, "stackedWidget")->currentIndex(), page);
    }
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
