#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "media/mediatools.h"
#include "support/databasefixture.h"
#include "support/mediasupport.h"
#include "support/modalsupport.h"
#include "support/pulsesupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/mainwindow/trackrow.h"
#include "ui/views/iconlineedit.h"
#include "ui/views/messageboxview.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTreeWidget>
#include <QtTest>

using MediaSupport::writeFile;

namespace {
QByteArray sheet(const QString &audio, const QStringList &titles)
{
    QByteArray text = "FILE \"" + audio.toUtf8() + "\" WAVE\n";
    for (int i = 0; i < titles.size(); ++i)
        text += QStringLiteral("TRACK %1 AUDIO\nTITLE \"%2\"\nINDEX 01 00:%3:00\n")
                    .arg(i + 1, 2, 10, QLatin1Char('0'))
                    .arg(titles.at(i))
                    .arg(i, 2, 10, QLatin1Char('0'))
                    .toUtf8();
    return text;
}

QStringList column(QTreeWidget *list, int c)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(c);
    return out;
}

QTreeWidgetItem *treeItem(QTreeWidget *tree, const QString &text)
{
    const auto hits = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return hits.isEmpty() ? nullptr : hits.first();
}

// Answers the next message box (accepting it) and records its text.
void answerMessageBox(QString *text, bool accept = true)
{
    TestSupport::whenModalShown([text, accept](QWidget *w) {
        if (auto *box = qobject_cast<MessageBoxView *>(w)) {
            if (text) {
                const auto labels = box->findChildren<QLabel *>();
                for (QLabel *l : labels)
                    *text += l->text() + QLatin1Char('\n');
            }
            accept ? box->accept() : box->reject();
        }
    });
}
} // namespace

class tst_SourceLists : public QObject
{
    Q_OBJECT

private:
    PulseSupport::PrivateServer pulse;
    QTemporaryDir dir;
    std::unique_ptr<DatabaseFixture> db;
    QString library;

    std::unique_ptr<MainWindow> newWindow()
    {
        auto window = std::make_unique<MainWindow>();
        window->show();
        return window;
    }
    template <typename T> T *child(MainWindow &w, const char *name)
    {
        return w.findChild<T *>(name);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        pulse.start();
        library = dir.filePath(QStringLiteral("Library"));
        for (const char *sub : { "/Album", "/Songs", "/Loose2" })
            QDir().mkpath(library + QLatin1String(sub));
        QVERIFY(TestSupport::makeTone(library + QStringLiteral("/Album/CDImage.flac"), 440, 4.0));
        writeFile(library + QStringLiteral("/Album/CDImage.cue"),
            sheet(QStringLiteral("CDImage.flac"), { "One", "Two", "Three" }));
        writeFile(library + QStringLiteral("/Other/Other.cue"),
            sheet(QStringLiteral("o.flac"), { "Solo" }));
        for (const char *name : { "a.flac", "b.mp3", "c.wav" })
            writeFile(library + QStringLiteral("/Loose/") + QLatin1String(name), "x");
        writeFile(library + QStringLiteral("/Loose/notes.txt"), "x");
    }

    void init()
    {
        db = std::make_unique<DatabaseFixture>();
        QVERIFY(db->isValid());
        ConfigService::instance()->load();
    }

    void cleanup()
    {
        QThreadPool::globalInstance()->waitForDone();
        MediaTools::setToolFolderOverride(QString());
        db.reset();
    }

    void folderListAcrossRestarts()
    {
        ConfigService::instance()->setValue(QStringLiteral("sourcePath"), library);
        {
            auto window = newWindow();
            auto *combo = child<QComboBox>(*window, "cbSourcePath");
            QCOMPARE(combo->count(), 1);
            QCOMPARE(combo->currentText(), library);
            QVERIFY(treeItem(
                child<QTreeWidget>(*window, "twSourceView"), QStringLiteral("CDImage.cue")));

            // Adding a folder through the folder dialog.
            const QString other = library + QStringLiteral("/Other");
            TestSupport::whenModalShown([other](QWidget *w) {
                auto *dialog = qobject_cast<QFileDialog *>(w);
                QVERIFY(dialog);
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Select Media Folder"));
                dialog->setDirectory(other);
                dialog->selectFile(other);
                QMetaObject::invokeMethod(dialog, "accept");
            });
            QMetaObject::invokeMethod(window.get(), "on_btnSelectSourcePath_clicked");
            QCOMPARE(combo->count(), 2);
            QCOMPARE(combo->currentText(), other);
            QCOMPARE(ConfigService::instance()->value(QStringLiteral("sourcePathList")),
                QStringLiteral("[\"%1\",\"%2\"]").arg(library, other));
            QCOMPARE(ConfigService::instance()->value(QStringLiteral("sourcePath")), other);
            QCOMPARE(child<QTreeWidget>(*window, "twSourceView")->topLevelItem(0)->text(0),
                QStringLiteral("Other"));
        }
        QVERIFY(db->restart());
        ConfigService::instance()->load();
        {
            auto window = newWindow();
            auto *combo = child<QComboBox>(*window, "cbSourcePath");
            QCOMPARE(combo->count(), 2);
            QCOMPARE(combo->currentText(), library + QStringLiteral("/Other"));
            // Declining the question changes nothing; deleting both leaves nothing.
            answerMessageBox(nullptr, false);
            QMetaObject::invokeMethod(window.get(), "on_btnDeleteSourcePath_clicked");
            QCOMPARE(combo->count(), 2);
            for (int i = 0; i < 2; ++i) {
                answerMessageBox(nullptr);
                QMetaObject::invokeMethod(window.get(), "on_btnDeleteSourcePath_clicked");
            }
            QCOMPARE(combo->count(), 0);
            QCOMPARE(child<QTreeWidget>(*window, "twSourceView")->topLevelItemCount(), 0);
            QCOMPARE(
                ConfigService::instance()->value(QStringLiteral("sourcePath"), QStringLiteral("-")),
                QStringLiteral("-"));
        }
    }

    void keywordFilterThroughTheField()
    {
        ConfigService::instance()->setValue(QStringLiteral("sourcePath"), library);
        auto window = newWindow();
        auto *tree = child<QTreeWidget>(*window, "twSourceView");
        auto *keyword = child<IconLineEdit>(*window, "edKeyword");
        keyword->setText(QStringLiteral("other"));
        QTest::keyClick(keyword, Qt::Key_Return);
        QVERIFY(!treeItem(tree, QStringLiteral("Other.cue"))->isHidden());
        QVERIFY(treeItem(tree, QStringLiteral("CDImage.cue"))->isHidden());
        keyword->clear();
        QTest::keyClick(keyword, Qt::Key_Return);
        QVERIFY(!treeItem(tree, QStringLiteral("CDImage.cue"))->isHidden());
    }

    void onlyTheNewestClickLands()
    {
        // The first sheet's length probe is slow, so its result comes in last.
        QTemporaryDir tools;
        const QString probe = tools.filePath(QStringLiteral("ffprobe"));
        writeFile(probe, "#!/bin/sh\ncase \"$*\" in *slow*) sleep 1.5;; esac\necho 100.0\n");
        QFile::setPermissions(probe, QFile::permissions(probe) | QFileDevice::ExeOwner);
        MediaTools::setToolFolderOverride(tools.path());
        writeFile(dir.filePath(QStringLiteral("Clicks/slow.cue")),
            sheet(QStringLiteral("slow.flac"), { "Slow" }));
        writeFile(dir.filePath(QStringLiteral("Clicks/fast.cue")),
            sheet(QStringLiteral("fast.flac"), { "Fast A", "Fast B" }));
        ConfigService::instance()->setValue(
            QStringLiteral("sourcePath"), dir.filePath(QStringLiteral("Clicks")));

        auto window = newWindow();
        auto *tree = child<QTreeWidget>(*window, "twSourceView");
        auto *current = child<QTreeWidget>(*window, "twCurrentMusicView");
        QMetaObject::invokeMethod(window.get(), "on_twSourceView_itemClicked",
            Q_ARG(QTreeWidgetItem *, treeItem(tree, QStringLiteral("slow.cue"))), Q_ARG(int, 0));
        QMetaObject::invokeMethod(window.get(), "on_twSourceView_itemClicked",
            Q_ARG(QTreeWidgetItem *, treeItem(tree, QStringLiteral("fast.cue"))), Q_ARG(int, 0));
        QTRY_COMPARE(column(current, 0), (QStringList { "Fast A", "Fast B" }));
        QThreadPool::globalInstance()->waitForDone();
        QTest::qWait(100);
        QCOMPARE(column(current, 0), (QStringList { "Fast A", "Fast B" }));
        QCOMPARE(window->playbackEngine()->playQueue().size(), 2);
    }

    void folderRowsAndTheExportList()
    {
        ConfigService::instance()->setValue(QStringLiteral("sourcePath"), library);
        auto window = newWindow();
        auto *tree = child<QTreeWidget>(*window, "twSourceView");
        auto *current = child<QTreeWidget>(*window, "twCurrentMusicView");
        auto *selected = child<QTreeWidget>(*window, "twSelectedMusicView");
        QMetaObject::invokeMethod(window.get(), "on_twSourceView_itemClicked",
            Q_ARG(QTreeWidgetItem *, treeItem(tree, QStringLiteral("Loose"))), Q_ARG(int, 0));
        QTRY_COMPARE(column(current, 3), (QStringList { "1", "2", "3" }));
        QCOMPARE(column(current, 0), (QStringList { "a.flac", "b.mp3", "c.wav" }));
        QCOMPARE(column(current, 1), (QStringList { "", "", "" }));

        // Control-double-click adds once, however often.
        for (int i = 0; i < 2; ++i) {
            QTest::keyPress(window->windowHandle(), Qt::Key_Control, Qt::ControlModifier);
            QMetaObject::invokeMethod(window.get(), "on_twCurrentMusicView_itemDoubleClicked",
                Q_ARG(QTreeWidgetItem *, current->topLevelItem(0)), Q_ARG(int, 0));
            QTest::keyRelease(window->windowHandle(), Qt::Key_Control);
        }
        QCOMPARE(QApplication::keyboardModifiers(), Qt::NoModifier);
        QCOMPARE(column(selected, 3), QStringList { "1" });

        // Two rows selected together go at once, in list order, on the menu's next turn; then
        // the middle one goes.
        current->clearSelection();
        current->topLevelItem(2)->setSelected(true);
        current->topLevelItem(1)->setSelected(true);
        QMetaObject::invokeMethod(window.get(), "on_twCurrentMusicView_customContextMenuRequested",
            Q_ARG(QPoint, current->visualItemRect(current->topLevelItem(2)).center()));
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QStringList texts;
        for (QAction *a : menu->actions())
            texts << a->text();
        QCOMPARE(texts, (QStringList { "Add to Export List", "", "Gapless Playback" }));
        menu->actions().first()->trigger();
        menu->close();
        QTRY_COMPARE(selected->topLevelItemCount(), 3);
        QCOMPARE(column(selected, 0), (QStringList { "a.flac", "b.mp3", "c.wav" }));
        QMetaObject::invokeMethod(window.get(), "on_twSelectedMusicView_itemDoubleClicked",
            Q_ARG(QTreeWidgetItem *, selected->topLevelItem(1)), Q_ARG(int, 0));
        QCOMPARE(column(selected, 0), (QStringList { "a.flac", "c.wav" }));
        QCOMPARE(column(selected, 3), (QStringList { "1", "2" }));
    }

    void playlistRowsOfferDelete()
    {
        auto window = newWindow();
        auto *current = child<QTreeWidget>(*window, "twCurrentMusicView");
        TrackInfo t;
        t.title = QStringLiteral("From a playlist");
        t.filePath = library + QStringLiteral("/Album/CDImage.flac");
        QTreeWidgetItem *row = TrackRow::make(t, 1, false);
        row->setData(0, TrackRow::MediaIdRole, 12);
        current->addTopLevelItem(row);
        QMetaObject::invokeMethod(window.get(), "on_twCurrentMusicView_customContextMenuRequested",
            Q_ARG(QPoint, current->visualItemRect(row).center()));
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 4);
        QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("Delete from Playlist"));
        // The gapless switch: off by default, stored and applied when toggled.
        QAction *gapless = menu->actions().last();
        QVERIFY(gapless->isCheckable() && !gapless->isChecked());
        gapless->trigger();
        QVERIFY(window->playbackEngine()->gaplessEnabled());
        QCOMPARE(ConfigService::instance()->value(QStringLiteral("gaplessPlayback")),
            QStringLiteral("true"));
        gapless->trigger();
        // While it shows, a second request is ignored.
        QMetaObject::invokeMethod(window.get(), "on_twCurrentMusicView_customContextMenuRequested",
            Q_ARG(QPoint, current->visualItemRect(row).center()));
        QCOMPARE(QApplication::activePopupWidget(), menu);
        menu->close();
    }

    void revealWithNothingToReveal()
    {
        auto window = newWindow();
        QString text;
        answerMessageBox(&text);
        QMetaObject::invokeMethod(window.get(), "revealPlayingFile");
        QVERIFY2(
            text.contains(QStringLiteral("Unable to locate current media file")), qPrintable(text));
    }

    void openingFiles_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<int>("playing");
        QTest::newRow("album sheet")
            << QStringList { "Album/CDImage.cue" } << QStringList { "One", "Two", "Three" } << 0;
        // The order rules of several files are OpenFilesPlan's, tested there.
        QTest::newRow("song named in a sheet")
            << QStringList { "Songs/two.flac" } << QStringList { "Intro", "Two", "Outro" } << 1;
        QTest::newRow("two loose files") << QStringList { "Loose2/x.flac", "Loose2/y.flac" }
                                         << QStringList { "x.flac", "y.flac" } << 0;
    }

    void openingFiles()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, titles);
        QFETCH(int, playing);
        static bool made = false;
        if (!made) {
            made = true;
            QVERIFY(TestSupport::makeTone(library + QStringLiteral("/Songs/two.flac"), 330, 2.0));
            writeFile(library + QStringLiteral("/Songs/album.cue"),
                sheet(QStringLiteral("album.flac"), { "Intro", "two", "Outro" }));
            QVERIFY(TestSupport::makeTone(library + QStringLiteral("/Loose2/x.flac"), 330, 2.0));
            QVERIFY(TestSupport::makeTone(library + QStringLiteral("/Loose2/y.flac"), 550, 2.0));
        }
        QStringList paths;
        for (const QString &n : names)
            paths << library + QLatin1Char('/') + n;
        const bool albumMissing = names.first().startsWith(QLatin1String("Songs"));
        auto window = newWindow();
        QString message;
        if (albumMissing)
            answerMessageBox(&message);
        window->openFiles(paths);
        auto *current = child<QTreeWidget>(*window, "twCurrentMusicView");
        // Planned on the pool; the list fills when the plan is ready.
        QTRY_COMPARE(current->topLevelItemCount(), titles.size());
        QStringList shown = column(current, 0);
        if (names.first().startsWith(QLatin1String("Songs")))
            shown[1] = shown[1].trimmed();
        QCOMPARE(shown.size(), titles.size());
        QCOMPARE(current->indexOfTopLevelItem(current->currentItem()), playing);
        QCOMPARE(child<QStackedWidget>(*window, "swMainView")->currentWidget()->objectName(),
            QStringLiteral("swPlayingView"));
        if (!names.first().startsWith(QLatin1String("Songs")))
            QCOMPARE(shown, titles);
        // The row that plays is a real file here, except the sheet whose album is missing:
        // its rows are dimmed, name the file, and playing one says so.
        if (albumMissing) {
            const QString album = library + QStringLiteral("/Songs/album.flac");
            QVERIFY(current->topLevelItem(1)->toolTip(0).contains(album));
            QVERIFY(current->topLevelItem(1)->foreground(2).color()
                != current->palette().color(QPalette::Text));
            QVERIFY2(message.contains(QStringLiteral("\"album.flac\": the file does not exist")),
                qPrintable(message));
        } else {
            QTRY_VERIFY(window->playbackEngine()->isPlaying());
        }
        window->playbackEngine()->stopPlayback();
    }

    void openingOnlyOtherFilesChangesNothing()
    {
        auto window = newWindow();
        window->openFiles({ library + QStringLiteral("/Loose/notes.txt") });
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(child<QTreeWidget>(*window, "twCurrentMusicView")->topLevelItemCount(), 0);
        QCOMPARE(child<QStackedWidget>(*window, "swMainView")->currentWidget()->objectName(),
            QStringLiteral("swMusicLibrary"));
    }
};

QTEST_MAIN(tst_SourceLists)
#include "tst_sourcelists.moc"
