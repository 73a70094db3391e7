#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "support/mediasupport.h"
#include "support/modalsupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/covertheme.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/views/spinningdiscview.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

// The window's settings at start and its cover.
class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init() { fixture = std::make_unique<WindowFixture>(); }
    void cleanup() { fixture.reset(); }
    void startSettings_data();
    void startSettings();
    void navigationButtonsStorePage();
    void coverThumbnailRescaledOncePerSize();
    void onlyTheNewestCoverLands();

private:
    std::unique_ptr<WindowFixture> fixture;
};

namespace {
// Lets every background look-up finish and its result arrive.
void settle()
{
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

QColor labelCentre(QLabel *label)
{
    const QImage image = label->pixmap(Qt::ReturnByValue).toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}
} // namespace

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
    QTest::newRow("garbage") << "x"
                             << "x" << 0 << 100;
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

void tst_MainWindow::coverThumbnailRescaledOncePerSize()
{
    auto window = WindowFixture::open();
    QVERIFY(window);
    auto *label = child<QLabel>(*window, "lbCover");
    QImage cover(400, 200, QImage::Format_RGB32);
    cover.fill(QColor(200, 30, 30));
    window->setCoverImage(QPixmap::fromImage(cover));
    const QPixmap first = label->pixmap(Qt::ReturnByValue);
    const QSize logical = first.size() / first.devicePixelRatio(); // wide: keeps its aspect
    QCOMPARE(logical, QSize(label->width(), qRound(label->width() / 2.0)));
    window->updateCoverLabel();
    QCOMPARE(label->pixmap(Qt::ReturnByValue).cacheKey(), first.cacheKey());

    label->setMinimumSize(60, 60);
    QTRY_VERIFY(label->pixmap(Qt::ReturnByValue).cacheKey() != first.cacheKey());
    const qint64 second = label->pixmap(Qt::ReturnByValue).cacheKey();
    window->updateCoverLabel();
    QCOMPARE(label->pixmap(Qt::ReturnByValue).cacheKey(), second);
    window->setCoverImage(QPixmap());
    QVERIFY(label->pixmap(Qt::ReturnByValue).isNull());
}

void tst_MainWindow::onlyTheNewestCoverLands()
{
    // The slow folder's cover is extracted from its audio with ffmpeg, far slower than reading
    // the fast folder's file: without request numbers the first result would land last.
    QTemporaryDir dir;
    const QString slow = dir.filePath("slow/album.flac");
    for (const char *folder : { "slow", "fast", "plain" })
        QVERIFY(QDir().mkpath(dir.filePath(folder)));
    QVERIFY(MediaSupport::makeFlacWithPicture(slow, "red", 1.0));
    QImage blue(64, 64, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QVERIFY(blue.save(dir.filePath("fast/cover.png")));
    QVERIFY(TestSupport::makeTone(dir.filePath("plain/plain.flac"), 440, 0.5));
    QVERIFY(MediaSupport::writeFile(dir.filePath("broken/cover.png"), "not a picture"));

    auto window = WindowFixture::open();
    QVERIFY(window);
    auto *disc = window->findChild<SpinningDiscView *>();
    auto *label = child<QLabel>(*window, "lbCover");
    window->loadCover(slow, false);
    window->loadCover(dir.filePath("fast"), false);
    QVERIFY(!label->pixmap(Qt::ReturnByValue).isNull()); // the placeholder meanwhile
    settle();
    QCOMPARE(labelCentre(label), QColor(Qt::blue));
    // The playing page takes its colours from the cover.
    const QColor accent = CoverTheme::accentFor(Qt::blue, Qt::blue, false);
    QCOMPARE(window->accent(), accent);
    QCOMPARE(disc->ringColor(), accent.lighter(103));
    QCOMPARE(child<QLabel>(*window, "lbName")->styleSheet(),
        QString("color:%1;").arg(CoverTheme::textColorFor(accent).name()));

    window->loadCover(slow, true);
    QVERIFY(disc->isDefaultCover()); // a starting track resets the disc at once
    settle();
    QVERIFY(disc->primaryColor().red() > 240 && disc->primaryColor().blue() < 20);
    QVERIFY(labelCentre(label).red() > 240 && labelCentre(label).blue() < 20);

    // No cover, or a broken one: the placeholder.
    for (const char *folder : { "plain/plain.flac", "broken" }) {
        window->loadCover(dir.filePath(folder), false);
        settle();
        QVERIFY2(disc->isDefaultCover(), folder);
        QCOMPARE(window->accent().name(), QString("#3c78b0"));
    }
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
