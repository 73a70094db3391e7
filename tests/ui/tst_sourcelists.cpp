#include "app/configservice.h"
#include "support/mediasupport.h"
#include "support/modalsupport.h"
#include "ui/mainwindow/mainwindow.h"

#include <QComboBox>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using TestSupport::answerNextBox;

// The source folders of a real window: chosen, kept across restarts, deleted.
class tst_SourceLists : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<WindowFixture> fixture;

private slots:
    void init() { fixture = std::make_unique<WindowFixture>(); }
    void cleanup() { fixture.reset(); }

    void folderListAcrossRestarts()
    {
        const QString library = dir.filePath("Library"), other = dir.filePath("Other");
        QVERIFY(MediaSupport::writeFile(library + "/Album/CDImage.cue", "x"));
        QVERIFY(MediaSupport::writeFile(other + "/Other.cue", "x"));
        ConfigService::instance()->setValue("sourcePath", library);
        {
            auto window = WindowFixture::open();
            QVERIFY(window);
            auto *tree = child<QTreeWidget>(*window, "twSourceView");
            QCOMPARE(tree->topLevelItem(0)->child(0)->child(0)->text(0), QString("CDImage.cue"));
            TestSupport::whenModalShown([other](QWidget *w) {
                auto *dialog = qobject_cast<QFileDialog *>(w);
                dialog->setDirectory(other);
                dialog->selectFile(other);
                QMetaObject::invokeMethod(dialog, "accept");
            });
            window->on_btnSelectSourcePath_clicked();
            QCOMPARE(tree->topLevelItem(0)->text(0), QString("Other"));
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
};

QTEST_MAIN(tst_SourceLists)
#include "tst_sourcelists.moc"
