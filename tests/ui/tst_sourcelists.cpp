#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "media/mediatools.h"
#include "support/mediasupport.h"
#include "support/modalsupport.h"
#include "support/pulsesupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/mainwindow/trackrow.h"
#include "ui/views/iconlineedit.h"

#include <QComboBox>
#include <QFileDialog>
#include <QMenu>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTreeWidget>
#include <QtTest>

using MediaSupport::writeFile;
using TestSupport::answerNextBox;
using TestSupport::columnTexts;

namespace {
QByteArray sheet(const QString &audio, const QStringList &titles)
{
    QByteArray text = "FILE \"" + audio.toUtf8() + "\" WAVE\n";
    for (int i = 0; i < titles.size(); ++i)
        text += QStringLiteral("TRACK %1 AUDIO\nTITLE \"%2\"\nINDEX 01 00:%1:00\n")
                    .arg(i + 1, 2, 10, QLatin1Char('0'))
                    .arg(titles.at(i))
                    .toUtf8();
    return text;
}

QTreeWidgetItem *treeItem(MainWindow &window, const QString &text)
{
    const auto hits = child<QTreeWidget>(window, "twSourceView")
                          ->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return hits.isEmpty() ? nullptr : hits.first();
}

QMenu *openMenu(MainWindow &window, QTreeWidget *list, int row)
{
    window.on_twCurrentMusicView_customContextMenuRequested(
        list->visualItemRect(list->topLevelItem(row)).center());
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}
} // namespace

// The source folders, their tree and the track lists they fill, on a real window.
class tst_SourceLists : public QObject
{
    Q_OBJECT

    PulseSupport::PrivateServer pulse;
    QTemporaryDir dir;
    QString library;
    std::unique_ptr<WindowFixture> fixture;

    std::unique_ptr<MainWindow> openAt(const QString &folder)
    {
        ConfigService::instance()->setValue("sourcePath", folder);
        return WindowFixture::open();
    }

private slots:
    void initTestCase()
    {
        pulse.start();
        library = dir.filePath("Library");
        QVERIFY(QDir().mkpath(library + "/Album") && QDir().mkpath(library + "/Songs"));
        QVERIFY(TestSupport::makeTone(library + "/Album/CDImage.flac", 440, 4.0));
        QVERIFY(TestSupport::makeTone(library + "/Songs/two.flac", 330, 2.0));
        writeFile(library + "/Album/CDImage.cue", sheet("CDImage.flac", { "One", "Two", "Three" }));
        writeFile(library + "/Songs/album.cue", sheet("album.flac", { "Intro", "two", "Outro" }));
        writeFile(library + "/Other/Other.cue", sheet("o.flac", { "Solo" }));
        for (const char *name : { "a.flac", "b.mp3", "c.wav", "notes.txt" })
            writeFile(library + "/Loose/" + name, "x");
    }
    void init() { fixture = std::make_unique<WindowFixture>(); }
    void cleanup()
    {
        fixture.reset();
        MediaTools::setToolFolderOverride(QString());
    }

    void folderListAcrossRestarts()
    {
        const QString other = library + "/Other";
        {
            auto window = openAt(library);
            QVERIFY(window);
            QVERIFY(treeItem(*window, "CDImage.cue"));
            TestSupport::whenModalShown([other](QWidget *w) {
                auto *dialog = qobject_cast<QFileDialog *>(w);
                dialog->setDirectory(other);
                dialog->selectFile(other);
                QMetaObject::invokeMethod(dialog, "accept");
            });
            window->on_btnSelectSourcePath_clicked();
            QCOMPARE(child<QTreeWidget>(*window, "twSourceView")->topLevelItem(0)->text(0),
                QString("Other"));
        }
        QVERIFY(fixture->restart());
        QCOMPARE(ConfigService::instance()->value("sourcePathList"),
            QStringLiteral("[\"%1\",\"%2\"]").arg(library, other));
        auto window = WindowFixture::open();
        QVERIFY(window);
        auto *combo = child<QComboBox>(*window, "cbSourcePath");
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->currentText(), other);
        combo->setCurrentIndex(0); // the user's choice is the next start's folder
        QCOMPARE(ConfigService::instance()->value("sourcePath"), library);
        // Declining the question changes nothing; deleting both leaves nothing.
        auto asked = answerNextBox(false);
        window->on_btnDeleteSourcePath_clicked();
        QVERIFY(!asked->isEmpty());
        QCOMPARE(combo->count(), 2);
        for (int i = 0; i < 2; ++i) {
            answerNextBox();
            window->on_btnDeleteSourcePath_clicked();
        }
        QCOMPARE(combo->count(), 0);
        QCOMPARE(child<QTreeWidget>(*window, "twSourceView")->topLevelItemCount(), 0);
        QVERIFY(fixture->restart());
        QCOMPARE(ConfigService::instance()->value("sourcePath", "-"), QString("-"));
        QCOMPARE(ConfigService::instance()->value("sourcePathList", "-"), QString("-"));
    }

    void keywordFiltersTheTree()
    {
        auto window = openAt(library);
        QVERIFY(window);
        auto *keyword = child<IconLineEdit>(*window, "edKeyword");
        keyword->setFocus(); // as a click into the field does
        keyword->setText("other");
        QTest::keyClick(keyword, Qt::Key_Return);
        QVERIFY(!treeItem(*window, "Other.cue")->isHidden());
        QVERIFY(treeItem(*window, "CDImage.cue")->isHidden());
    }

    void onlyTheNewestClickLands()
    {
        // The first sheet's length probe is slow, so its result comes in last.
        QTemporaryDir tools;
        const QString probe = tools.filePath("ffprobe");
        writeFile(probe, "#!/bin/sh\ncase \"$*\" in *slow*) sleep 1.5;; esac\necho 100.0\n");
        QFile::setPermissions(probe, QFile::permissions(probe) | QFileDevice::ExeOwner);
        MediaTools::setToolFolderOverride(tools.path());
        writeFile(dir.filePath("Clicks/slow.cue"), sheet("slow.flac", { "Slow" }));
        writeFile(dir.filePath("Clicks/fast.cue"), sheet("fast.flac", { "Fast A", "Fast B" }));
        auto window = openAt(dir.filePath("Clicks"));
        QVERIFY(window);
        window->on_twSourceView_itemClicked(treeItem(*window, "slow.cue"), 0);
        window->on_twSourceView_itemClicked(treeItem(*window, "fast.cue"), 0);
        auto *current = child<QTreeWidget>(*window, "twCurrentMusicView");
        QTRY_COMPARE(columnTexts(current, 0), (QStringList { "Fast A", "Fast B" }));
        // The slow sheet's result, come in since, changed nothing.
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(columnTexts(current, 0), (QStringList { "Fast A", "Fast B" }));
        QCOMPARE(window->playbackEngine()->playQueue().size(), 2);
    }

    void folderRowsAndTheExportList()
    {
        auto window = openAt(library);
        QVERIFY(window);
        auto *current = child<QTreeWidget>(*window, "twCurrentMusicView");
        auto *selected = child<QTreeWidget>(*window, "twSelectedMusicView");
        window->on_twSourceView_itemClicked(treeItem(*window, "Loose"), 0);
        QTRY_COMPARE(columnTexts(current, 0), (QStringList { "a.flac", "b.mp3", "c.wav" }));
        QCOMPARE(columnTexts(current, 3), (QStringList { "1", "2", "3" }));

        // Control-double-click adds once, however often.
        for (int i = 0; i < 2; ++i) {
            QTest::keyPress(window->windowHandle(), Qt::Key_Control, Qt::ControlModifier);
            window->on_twCurrentMusicView_itemDoubleClicked(current->topLevelItem(0), 0);
            QTest::keyRelease(window->windowHandle(), Qt::Key_Control);
        }
        QCOMPARE(columnTexts(selected, 3), QStringList { "1" });

        // Rows selected together go at once, in list order, on the menu's next turn; a second
        // request while the menu shows is ignored.
        current->clearSelection();
        current->topLevelItem(2)->setSelected(true);
        current->topLevelItem(1)->setSelected(true);
        QMenu *menu = openMenu(*window, current, 2);
        QVERIFY(menu);
        QCOMPARE(menu->actions().first()->text(), QString("Add to Export List"));
        QCOMPARE(openMenu(*window, current, 2), menu);
        menu->actions().first()->trigger();
        menu->close();
        QTRY_COMPARE(columnTexts(selected, 0), (QStringList { "a.flac", "b.mp3", "c.wav" }));
        window->on_twSelectedMusicView_itemDoubleClicked(selected->topLevelItem(1), 0);
        QCOMPARE(columnTexts(selected, 0), (QStringList { "a.flac", "c.wav" }));
        QCOMPARE(columnTexts(selected, 3), (QStringList { "1", "2" }));

        // A playlist's row offers its deletion; the gapless switch is stored.
        current->topLevelItem(0)->setData(0, TrackRow::MediaIdRole, 12);
        menu = openMenu(*window, current, 0);
        QVERIFY(menu);
        QCOMPARE(menu->actions().at(1)->text(), QString("Delete from Playlist"));
        QAction *gapless = menu->actions().last();
        QVERIFY(gapless->isCheckable() && !gapless->isChecked());
        gapless->trigger();
        QVERIFY(window->playbackEngine()->gaplessEnabled());
        QCOMPARE(ConfigService::instance()->value("gaplessPlayback"), QString("true"));
        menu->close();

        auto said = answerNextBox();
        current->setCurrentItem(nullptr);
        window->revealPlayingFile(); // nothing plays, no row is current
        QCOMPARE(*said, QString("Unable to locate current media file"));
    }

    void openingFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<int>("playing"); // the current row; -1: the library page stays
        QTest::addColumn<QString>("message");
        QTest::newRow("album sheet")
            << "Album/CDImage.cue" << QStringList { "One", "Two", "Three" } << 0 << "";
        // The song is found in its folder's sheet, whose album file is missing: the rows are
        // dimmed, name the file, and playing one says so.
        QTest::newRow("song in a sheet without its album")
            << "Songs/two.flac" << QStringList { "Intro", "two", "Outro" } << 1
            << "Cannot play \"album.flac\": the file does not exist.";
        QTest::newRow("no audio") << "Loose/notes.txt" << QStringList() << -1 << "";
    }

    void openingFiles()
    {
        QFETCH(QStringList, titles);
        QFETCH(int, playing);
        QFETCH(QString, message);
        auto window = WindowFixture::open();
        QVERIFY(window);
        auto said = answerNextBox(true, message.isEmpty() ? 0 : 10000);
        QFETCH(QString, name);
        window->openFiles({ library + "/" + name });
        // Planned on the pool; the list fills when the plan is ready.
        QThreadPool::globalInstance()->waitForDone();
        auto *current = child<QTreeWidget>(*window, "twCurrentMusicView");
        QTRY_COMPARE(columnTexts(current, 0), titles);
        QCOMPARE(current->indexOfTopLevelItem(current->currentItem()), playing);
        QCOMPARE(child<QStackedWidget>(*window, "swMainView")->currentIndex(), playing < 0 ? 0 : 1);
        if (message.isEmpty()) {
            QTRY_COMPARE(window->playbackEngine()->isPlaying(), playing >= 0);
        } else {
            QTRY_COMPARE(*said, message);
            QVERIFY(current->topLevelItem(1)->toolTip(0).contains(library + "/Songs/album.flac"));
            QVERIFY(current->topLevelItem(1)->foreground(2).color()
                != current->palette().color(QPalette::Text));
        }
        window->playbackEngine()->stopPlayback();
    }
};

QTEST_MAIN(tst_SourceLists)
#include "tst_sourcelists.moc"
