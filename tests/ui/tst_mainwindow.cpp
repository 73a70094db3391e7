#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "support/databasefixture.h"
#include "support/mediasupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/covertheme.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/mainwindow/volumebutton.h"
#include "ui/views/iconlineedit.h"
#include "ui/views/spinningdiscview.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void texts();
    void navigationPage_data();
    void navigationPage();
    void navigationButtonsStorePage();
    void volumeRestored_data();
    void volumeRestored();
    void volumeControls();
    void playingPage();
    void coverThumbnailRescaledOncePerSize();
    void coverThemeFollowsDisc();
    void onlyTheNewestCoverLands();
    void noCoverKeepsPlaceholder();

private:
    std::unique_ptr<DatabaseFixture> db;
};

namespace {
QImage coloured(QColor color)
{
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

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

void tst_MainWindow::init()
{
    QStandardPaths::setTestModeEnabled(true); // extracted covers go to a test cache
    db = std::make_unique<DatabaseFixture>();
    QVERIFY(db->isValid());
    ConfigService::instance()->load();
}

void tst_MainWindow::cleanup()
{
    db.reset();
}

void tst_MainWindow::texts()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), QString("Quellin"));
    const QList<QPair<QString, QString>> labels { { "label_5", "Media Library Explorer" },
        { "label_3", "Cue Media File Explorer" }, { "label_4", "Media Library Directory" },
        { "label", "Current Music List" }, { "label_2", "Selected Music List" }, { "lbName", "" },
        { "lbAuthor", "" }, { "lbCurrentPlayingMusic", "" } };
    for (const auto &l : labels)
        QCOMPARE(window.findChild<QLabel *>(l.first)->text(), l.second);
    auto *keyword = qobject_cast<IconLineEdit *>(window.findChild<QWidget *>("edKeyword"));
    QVERIFY(keyword);
    QCOMPARE(keyword->placeholderText(), QString("Please enter content to search"));
    QCOMPARE(keyword->iconSize(), QSize(30, 30));
    for (const QString &name : QStringList { "btnPrev", "btnPlay", "btnPause", "btnNext", "btnInfo",
             "btnBack", "btnPlaylist", "btnPlaylist2", "btnPlayMusic", "btnPauseMusic" })
        QCOMPARE(window.findChild<QPushButton *>(name)->text(), QString());
    const QList<QPair<QString, QString>> buttons {
        { "btnSelectSourcePath", "Add media directory" },
        { "btnDeleteSourcePath", "Delete media directory" },
        { "btnSaveToLibrary", "Save playlist" },
        { "btnExportMusic", "Export Music" },
        { "btnPlayLibrary", "Play library" },
        { "btnDeleteLibrary", "Delete library" },
    };
    for (const auto &b : buttons) {
        auto *button = window.findChild<QPushButton *>(b.first);
        QCOMPARE(button->text(), QString());
        QCOMPARE(button->toolTip(), b.second);
        QCOMPARE(button->statusTip(), b.second);
        QCOMPARE(button->accessibleName(), b.second);
        QCOMPARE(button->iconSize(), QSize(24, 24));
        QVERIFY(!button->icon().isNull());
    }
    for (const char *name : { "twCurrentMusicView", "twSelectedMusicView" }) {
        const QTreeWidgetItem *h = window.findChild<QTreeWidget *>(name)->headerItem();
        QCOMPARE(QStringList({ h->text(0), h->text(1), h->text(2), h->text(3) }),
            QStringList({ "Title", "Start", "Duration", "#" }));
    }
    QCOMPARE(window.findChild<QTreeWidget *>("twLibraryView")->headerItem()->text(0),
        QString("Playlists"));
    QCOMPARE(window.findChild<QTreeWidget *>("twSourceView")->headerItem()->text(0),
        QString("Cue Files"));
}

void tst_MainWindow::navigationPage_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("page");
    QTest::newRow("first start") << QString() << 1;
    QTest::newRow("playlists") << "0" << 0;
    QTest::newRow("sources") << "1" << 1;
    QTest::newRow("other number") << "7" << 0;
    QTest::newRow("garbage") << "x" << 0;
}

void tst_MainWindow::navigationPage()
{
    QFETCH(QString, stored);
    QFETCH(int, page);
    if (!stored.isNull())
        ConfigService::instance()->setValue("nav.view.id", stored);
    MainWindow window;
    QCOMPARE(window.findChild<QStackedWidget *>("stackedWidget")->currentIndex(), page);
}

void tst_MainWindow::volumeRestored_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("percent");
    QTest::newRow("first start") << QString() << 100;
    QTest::newRow("stored") << "35" << 35;
    QTest::newRow("too loud") << "250" << 100;
    QTest::newRow("garbage") << "x" << 100;
}

void tst_MainWindow::volumeRestored()
{
    QFETCH(QString, stored);
    QFETCH(int, percent);
    if (!stored.isNull())
        ConfigService::instance()->setValue("volume", stored);
    MainWindow window;
    QCOMPARE(window.findChild<QSlider *>("hsVolume")->value(), percent);
    QCOMPARE(window.findChild<QSlider *>("hsVolumeMusic")->value(), percent);
    QCOMPARE(qRound(window.playbackEngine()->volume() * 100), percent);
}

// The library page's speaker button: the wheel over it steps the volume, Ctrl+Up too, each
// step stored and shown; a click opens the slider.
void tst_MainWindow::volumeControls()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *button = window.findChild<VolumeButton *>("btnVolume");
    QVERIFY(button);
    const QPointF at(4, 4);
    QWheelEvent down(at, button->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, -240), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(button, &down);
    QCOMPARE(qRound(window.playbackEngine()->volume() * 100), 90);
    QTest::keyClick(&window, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(qRound(window.playbackEngine()->volume() * 100), 95);
    QCOMPARE(ConfigService::instance()->value("volume"), QString("95"));
    QCOMPARE(button->toolTip(), QString("Volume: 95 %"));
    QCOMPARE(window.findChild<QSlider *>("hsVolumeMusic")->value(), 95);
    QVERIFY(!button->slider()->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(button->slider()->isVisible());
}

void tst_MainWindow::navigationButtonsStorePage()
{
    {
        MainWindow window;
        auto *nav = window.findChild<QStackedWidget *>("stackedWidget");
        QCOMPARE(nav->currentIndex(), 1);
        window.findChild<QPushButton *>("btnPlaylist")->click();
        QCOMPARE(nav->currentIndex(), 0);
        QCOMPARE(ConfigService::instance()->value("nav.view.id"), QString("0"));
    }
    // After a restart the playlists page comes back, and its button leads to the sources.
    QVERIFY(db->restart());
    ConfigService::instance()->load();
    MainWindow window;
    auto *nav = window.findChild<QStackedWidget *>("stackedWidget");
    QCOMPARE(nav->currentIndex(), 0);
    window.findChild<QPushButton *>("btnPlaylist2")->click();
    QCOMPARE(nav->currentIndex(), 1);
    QCOMPARE(ConfigService::instance()->value("nav.view.id"), QString("1"));
}

void tst_MainWindow::playingPage()
{
    MainWindow window;
    window.resize(1167, 680);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *disc = window.findChild<SpinningDiscView *>();
    QVERIFY(disc);
    QCOMPARE(disc->parentWidget()->objectName(), QString("wgSpinningDiscView"));
    auto *reveal = window.findChild<QPushButton *>("btnRevealInExplorer");
    QCOMPARE(reveal->size(), QSize(32, 32));
    QCOMPARE(reveal->focusPolicy(), Qt::NoFocus);

    auto *main = window.findChild<QStackedWidget *>("swMainView");
    window.showPlayingView();
    QCOMPARE(main->currentWidget()->objectName(), QString("swPlayingView"));
    // Nothing plays: the play button shows on the playing page.
    QVERIFY(window.findChild<QWidget *>("hsPlayProcessSlider")->isHidden());
    QVERIFY(!window.findChild<QWidget *>("btnPlayMusic")->isHidden());
    QVERIFY(window.findChild<QWidget *>("btnPauseMusic")->isHidden());
    window.findChild<QPushButton *>("btnBack")->click();
    QCOMPARE(main->currentWidget()->objectName(), QString("swMusicLibrary"));
    QVERIFY(!window.findChild<QWidget *>("btnPlay")->isHidden());
    QVERIFY(window.findChild<QWidget *>("btnPause")->isHidden());

    // The page paints its own background from the accent colour: the placeholder's blue.
    disc->setCover(MainWindow::defaultCoverPixmap(QSize(256, 256)), true);
    window.showPlayingView();
    QCOMPARE(window.accent().name(), QString("#3c78b0"));
    QWidget *page = window.findChild<QWidget *>("swPlayingView");
    const QImage shot = page->grab().toImage();
    const QColor top = shot.pixelColor(40, 8);
    const QColor bottom = shot.pixelColor(40, shot.height() - 8);
    QVERIFY2(qAbs(top.red() - 0x3c) <= 12 && qAbs(top.green() - 0x78) <= 12
            && qAbs(top.blue() - 0xb0) <= 12,
        qPrintable(top.name()));
    QVERIFY2(bottom.blue() < top.blue() - 30, qPrintable(bottom.name())); // darker by 135
}

void tst_MainWindow::coverThumbnailRescaledOncePerSize()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *label = window.findChild<QLabel *>("lbCover");
    QImage cover(400, 200, QImage::Format_RGB32);
    cover.fill(QColor(200, 30, 30));
    window.setCoverImage(QPixmap::fromImage(cover));
    const QPixmap first = label->pixmap(Qt::ReturnByValue);
    QVERIFY(!first.isNull());
    // Wide cover scaled into the label keeping its aspect.
    const QSize logical = first.size() / first.devicePixelRatio();
    QCOMPARE(logical.width(), label->width());
    QCOMPARE(logical.height(), qRound(label->width() / 2.0));

    window.updateCoverLabel();
    window.updateCoverLabel();
    QCOMPARE(label->pixmap(Qt::ReturnByValue).cacheKey(), first.cacheKey());

    label->setMinimumSize(60, 60);
    QTRY_VERIFY(label->size() != QSize(36, 36)
        && label->pixmap(Qt::ReturnByValue).cacheKey() != first.cacheKey());
    const qint64 second = label->pixmap(Qt::ReturnByValue).cacheKey();
    window.updateCoverLabel();
    QCOMPARE(label->pixmap(Qt::ReturnByValue).cacheKey(), second);

    window.setCoverImage(QPixmap());
    QVERIFY(label->pixmap(Qt::ReturnByValue).isNull());
}

void tst_MainWindow::coverThemeFollowsDisc()
{
    MainWindow window;
    auto *disc = window.findChild<SpinningDiscView *>();
    QImage cover(64, 64, QImage::Format_RGB32);
    cover.fill(QColor(230, 230, 60)); // light yellow: replaced by a palette colour
    disc->setCover(QPixmap::fromImage(cover), false);
    window.applyCoverTheme(true);
    const QColor accent =
        CoverTheme::accentFor(disc->primaryColor(), disc->secondaryColor(), false);
    QCOMPARE(window.accent(), accent);
    const QString text = CoverTheme::textColorFor(accent).name();
    QCOMPARE(window.findChild<QLabel *>("lbName")->styleSheet(), QString("color:%1;").arg(text));
    QCOMPARE(window.findChild<QLabel *>("lbAuthor")->styleSheet(), QString("color:%1;").arg(text));
    QCOMPARE(window.findChild<QSlider *>("hsPlayProcessBar")->styleSheet(),
        CoverTheme::playBarStyleSheet(accent));
    QCOMPARE(disc->ringColor(), accent.lighter(103));

    disc->setCover(QPixmap::fromImage(cover), true);
    window.applyCoverTheme(false);
    QCOMPARE(window.accent().name(), QString("#3c78b0"));
}

void tst_MainWindow::onlyTheNewestCoverLands()
{
    // The first folder's cover must be extracted from its audio file with ffmpeg, which takes
    // far longer than finding the second folder's cover file: without the request numbers the
    // first result would land last.
    QTemporaryDir dir;
    const QString slow = dir.path() + "/slow";
    const QString fast = dir.path() + "/fast";
    QVERIFY(QDir().mkpath(slow) && QDir().mkpath(fast));
    QVERIFY(MediaSupport::makeFlacWithPicture(slow + "/album.flac", "red", 1.0));
    QVERIFY(coloured(QColor(0, 0, 255)).save(fast + "/cover.png"));

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *disc = window.findChild<SpinningDiscView *>();
    auto *label = window.findChild<QLabel *>("lbCover");

    window.loadCover(slow + "/album.flac", false);
    window.loadCover(fast, false);
    // Meanwhile the placeholder shows.
    QVERIFY(!label->pixmap(Qt::ReturnByValue).isNull());
    settle();
    QCOMPARE(labelCentre(label), QColor(0, 0, 255));
    QCOMPARE(disc->primaryColor(), QColor(0, 0, 255));
    QVERIFY(!disc->isDefaultCover());
    QCOMPARE(window.accent(), CoverTheme::accentFor(QColor(0, 0, 255), QColor(0, 0, 255), false));

    // The slow one alone does land.
    window.loadCover(slow + "/album.flac", true);
    QVERIFY(disc->isDefaultCover()); // a starting track resets the disc at once
    QCOMPARE(window.accent().name(), QString("#3c78b0"));
    settle();
    QVERIFY(disc->primaryColor().red() > 240 && disc->primaryColor().blue() < 20);
    QVERIFY(labelCentre(label).red() > 240 && labelCentre(label).blue() < 20);
}

void tst_MainWindow::noCoverKeepsPlaceholder()
{
    QTemporaryDir dir;
    QVERIFY(TestSupport::makeTone(dir.path() + "/plain.flac", 440, 0.5));
    QFile broken(dir.path() + "/other/cover.png");
    QVERIFY(QDir().mkpath(dir.path() + "/other"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();

    MainWindow window;
    auto *disc = window.findChild<SpinningDiscView *>();
    for (const QString &path : QStringList { dir.path() + "/plain.flac", dir.path() + "/other" }) {
        disc->setCover(QPixmap::fromImage(coloured(Qt::green)), false);
        window.loadCover(path, false);
        settle();
        QVERIFY2(disc->isDefaultCover(), qPrintable(path));
        QCOMPARE(window.accent().name(), QString("#3c78b0"));
    }
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
