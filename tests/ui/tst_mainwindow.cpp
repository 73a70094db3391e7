#include "app/configservice.h"
#include "support/databasefixture.h"
#include "support/mediasupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/covertheme.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/views/audiowaveview.h"
#include "ui/views/iconlineedit.h"
#include "ui/views/spinningdiscview.h"

#include <QComboBox>
#include <QHBoxLayout>
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
    void widgetTree();
    void texts();
    void navigationPage_data();
    void navigationPage();
    void navigationButtonsStorePage();
    void actionButtons();
    void levelMeterBetweenButtons();
    void playingPage();
    void trackLists();
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

void tst_MainWindow::widgetTree()
{
    MainWindow window;
    const QStringList widgets { "centralwidget", "swMainView", "swMusicLibrary", "swPlayingView",
        "frame", "frNavView", "stackedWidget", "swLibraryView", "swSourceView", "frRightTopView",
        "label", "frame_2", "hsPlayProcessSlider", "lbCurrentPlayingMusic", "lbCover", "btnPrev",
        "btnPlay", "btnPause", "btnNext", "btnInfo", "frame_6", "twCurrentMusicView", "frame_3",
        "label_2", "twSelectedMusicView", "frame_4", "btnSaveToLibrary", "btnExportMusic",
        "frLeftTopView2", "label_5", "btnPlaylist2", "twLibraryView", "frLeftBottomView",
        "btnPlayLibrary", "btnDeleteLibrary", "frLeftTopView", "label_3", "edKeyword",
        "btnPlaylist", "twSourceView", "frLeftBottomView2", "label_4", "cbSourcePath",
        "btnSelectSourcePath", "btnDeleteSourcePath", "frame_5", "btnBack", "frame_8",
        "frMusicContentView", "wgSpinningDiscView", "lbName", "lbAuthor", "frame_10",
        "hsPlayProcessBar", "frame_9", "btnPrevMusic", "btnPlayMusic", "btnPauseMusic",
        "btnNextMusic", "audioWaveView", "btnRevealInExplorer" };
    for (const QString &name : widgets)
        QVERIFY2(window.findChild<QWidget *>(name), qPrintable(name));
    QVERIFY(qobject_cast<IconLineEdit *>(window.findChild<QWidget *>("edKeyword")));
    auto *main = window.findChild<QStackedWidget *>("swMainView");
    QCOMPARE(main->widget(0)->objectName(), QString("swMusicLibrary"));
    QCOMPARE(main->widget(1)->objectName(), QString("swPlayingView"));
    QCOMPARE(main->currentIndex(), 0);
    auto *nav = window.findChild<QStackedWidget *>("stackedWidget");
    QCOMPARE(nav->widget(0)->objectName(), QString("swLibraryView"));
    QCOMPARE(nav->widget(1)->objectName(), QString("swSourceView"));
    auto *combo = window.findChild<QComboBox *>("cbSourcePath");
    QVERIFY(!combo->isEditable());
    QCOMPARE(combo->insertPolicy(), QComboBox::NoInsert);
    QVERIFY(window.findChild<QWidget *>("hsPlayProcessSlider")->isHidden());
    QVERIFY(window.styleSheet().contains("#frMusicContentView"));
}

void tst_MainWindow::texts()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), QString("Quellin"));
    const QList<QPair<QString, QString>> labels { { "label_5", "Media Library Exporer" },
        { "label_3", "Cue Media File Exporer" }, { "label_4", "Media Library Directory" },
        { "label", "Current Music List" }, { "label_2", "Selected Music List" }, { "lbName", "" },
        { "lbAuthor", "" }, { "lbCurrentPlayingMusic", "" } };
    for (const auto &l : labels)
        QCOMPARE(window.findChild<QLabel *>(l.first)->text(), l.second);
    auto *keyword = window.findChild<IconLineEdit *>("edKeyword");
    QCOMPARE(keyword->placeholderText(), QString("Please enter content to search"));
    QCOMPARE(keyword->iconSize(), QSize(30, 30));
    for (const QString &name : QStringList { "btnPrev", "btnPlay", "btnPause", "btnNext", "btnInfo",
             "btnBack", "btnPlaylist", "btnPlaylist2", "btnPlayMusic", "btnPauseMusic" })
        QCOMPARE(window.findChild<QPushButton *>(name)->text(), QString());
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

void tst_MainWindow::actionButtons()
{
    MainWindow window;
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
}

void tst_MainWindow::levelMeterBetweenButtons()
{
    MainWindow window;
    auto *meter = window.findChild<AudioWaveView *>("audioWaveView");
    QVERIFY(meter);
    auto *row = window.findChild<QHBoxLayout *>("horizontalLayout_3");
    QCOMPARE(row->count(), 3); // the spacer is gone
    QCOMPARE(row->itemAt(0)->widget()->objectName(), QString("btnSaveToLibrary"));
    QCOMPARE(row->itemAt(1)->widget(), meter);
    QCOMPARE(row->itemAt(2)->widget()->objectName(), QString("btnExportMusic"));
    QCOMPARE(row->stretch(1), 1);
    QCOMPARE(meter->model().gain(), 2.2f);
    QVERIFY(meter->model().autoGainEnabled());
    QCOMPARE(meter->model().minGain(), 0.9f);
    QCOMPARE(meter->model().maxGain(), 3.2f);
    QCOMPARE(meter->model().smoothing(), 0.06f);
    QCOMPARE(meter->model().limiterStrength(), 0.9f);
    QVERIFY(!meter->isActive());
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

void tst_MainWindow::trackLists()
{
    MainWindow window;
    for (const QString &name : QStringList { "twCurrentMusicView", "twSelectedMusicView" }) {
        auto *list = window.findChild<QTreeWidget *>(name);
        QCOMPARE(list->columnCount(), 4);
        const QTreeWidgetItem *header = list->headerItem();
        QCOMPARE(
            QStringList({ header->text(0), header->text(1), header->text(2), header->text(3) }),
            QStringList({ "Title", "Start", "Duration", "#" }));
        QVERIFY(!list->rootIsDecorated());
        QCOMPARE(list->columnWidth(0), 260);
        QCOMPARE(list->contextMenuPolicy(), Qt::CustomContextMenu);
    }
    auto *current = window.findChild<QTreeWidget *>("twCurrentMusicView");
    QCOMPARE(current->dragDropMode(), QAbstractItemView::NoDragDrop);
    QCOMPARE(current->selectionMode(), QAbstractItemView::SingleSelection);
    auto *library = window.findChild<QTreeWidget *>("twLibraryView");
    QCOMPARE(library->headerItem()->text(0), QString("Playlists"));
    QCOMPARE(library->dragDropMode(), QAbstractItemView::InternalMove);
    QCOMPARE(window.findChild<QTreeWidget *>("twSourceView")->headerItem()->text(0),
        QString("Cue Files"));
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
