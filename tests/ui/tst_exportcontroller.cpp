#include "app/configservice.h"
#include "app/resourceinit.h"
#include "media/mediatools.h"
#include "media/trackexporter.h"
#include "support/mediasupport.h"
#include "support/modalsupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/exportcontroller.h"
#include "ui/mainwindow/trackrow.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using MediaSupport::fileNames;
using MediaSupport::rangeTrack;

namespace {
// The value as the database holds it, read back the way the next start of the program does.
QString storedExportPath()
{
    ConfigService fresh;
    fresh.load();
    return fresh.value(QStringLiteral("exportPath"));
}
} // namespace

// The export of the selected list as the window drives it: the folder asked for and stored,
// nothing written when it cannot go on, and one real export.
class ExportControllerTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_record;
    int m_folders = 0;
    std::unique_ptr<WindowFixture> m_fixture;
    std::unique_ptr<QWidget> m_window;
    QTreeWidget *m_list = nullptr;
    QPushButton *m_button = nullptr;
    std::unique_ptr<ExportController> m_controller;
    QVariantList m_asked; // start folders the folder dialog was opened at
    QStringList m_opened; // folders handed to the file manager

    QString newFolder()
    {
        const QString folder = m_dir.filePath(QStringLiteral("folder%1").arg(++m_folders));
        QDir().mkpath(folder);
        return folder;
    }
    // The controller's folder dialog answers with folder (empty: cancelled).
    void chooseFolder(const QString &folder)
    {
        m_controller->setFolderChooser(
            [this, folder](QWidget *parent, const QString &title, const QString &start) {
                m_asked << start;
                return parent == m_window.get() && title == "Select Export Folder" ? folder : "";
            });
    }
    QProgressDialog *progress() const { return m_window->findChild<QProgressDialog *>(); }
    // Idle again: the button back, no dialog.
    void checkIdle()
    {
        QVERIFY(!m_controller->isRunning());
        QVERIFY(m_button->isEnabled());
        QTRY_VERIFY(!progress());
    }

private slots:
    void initTestCase()
    {
        initResources();
        m_record = m_dir.filePath(QStringLiteral("ffmpeg-calls"));
    }
    void init()
    {
        m_fixture = std::make_unique<WindowFixture>();
        m_window = std::make_unique<QWidget>();
        m_list = new QTreeWidget(m_window.get());
        m_list->setColumnCount(4);
        m_button = new QPushButton(QStringLiteral("Export"), m_window.get());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_controller = std::make_unique<ExportController>(
            m_window.get(), m_list, m_button, *ConfigService::instance());
        m_asked.clear();
        m_opened.clear();
        m_controller->setFolderOpener([this](const QString &folder) { m_opened << folder; });
    }
    void cleanup()
    {
        m_controller.reset();
        m_window.reset();
        m_fixture.reset();
        MediaTools::setToolFolderOverride(QString());
        QFile::remove(m_record);
    }

    void nothingExported_data()
    {
        QTest::addColumn<bool>("rows");
        QTest::addColumn<bool>("ffmpeg"); // else the tools folder is empty
        QTest::addColumn<QString>("stored"); // exportPath before; "old": an earlier folder
        QTest::addColumn<bool>("choose"); // else the folder dialog is cancelled
        QTest::addColumn<QString>("box"); // "missing": the text naming the tools folder
        QTest::addColumn<QString>("startFolder"); // where the dialog opened; empty: not opened
        QTest::newRow("empty list asks for tracks")
            << false << true << "old" << true << "Please add tracks to export by double-clicking."
            << "";
        QTest::newRow("cancelled at the last folder") << true << true << "old" << false << ""
                                                      << "old";
        // The folder is remembered all the same; nothing is written, not even a whole-file copy.
        QTest::newRow("ffmpeg missing") << true << false << "" << true << "missing"
                                        << "home";
    }

    void nothingExported()
    {
        QFETCH(bool, rows);
        QFETCH(bool, ffmpeg);
        QFETCH(QString, stored);
        QFETCH(bool, choose);
        QFETCH(QString, box);
        QFETCH(QString, startFolder);
        const QString tools = newFolder();
        if (ffmpeg)
            QVERIFY(MediaSupport::useFakeFfmpeg(tools, "CUT", 0, 0, m_record));
        else
            MediaTools::setToolFolderOverride(tools);
        const QString old = newFolder();
        stored.replace("old", old);
        startFolder.replace("old", old).replace("home", QDir::homePath());
        ConfigService::instance()->setValue(QStringLiteral("exportPath"), stored);
        const QString source = m_dir.filePath("song.wav");
        QVERIFY(MediaSupport::writeFile(source, "RIFF"));
        if (rows)
            TrackRow::fill(m_list,
                { rangeTrack("One", source, 0, 10), MediaSupport::wholeTrack(source) }, false);
        const QString target = newFolder();
        chooseFolder(choose ? target : QString());

        auto said = TestSupport::answerNextBox(true, 5000, m_window.get());
        m_controller->exportTracks(); // a box runs modally: answered before this returns
        QCOMPARE(*said, box == "missing" ? TrackExporter::ffmpegMissingText() : box);
        QVERIFY(box != "missing" || said->contains(tools));
        QCOMPARE(m_asked, startFolder.isEmpty() ? QVariantList() : QVariantList { startFolder });
        QCOMPARE(storedExportPath(), choose && rows ? target : stored);
        QVERIFY(MediaSupport::recordedCalls(m_record).isEmpty());
        QCOMPARE(fileNames(target), QStringList());
        checkIdle();
    }

    void realExport()
    {
        const QString album = m_dir.filePath("CDImage.flac");
        const QString loose = m_dir.filePath("Loose.flac");
        QVERIFY(TestSupport::makeTone(album, 440, 6.0));
        QVERIFY(TestSupport::makeTone(loose, 660, 1.5));
        QVector<TrackInfo> tracks { rangeTrack("Opening", album, 0.0, 2.5),
            rangeTrack("Closing", album, 2.5, 3.5), MediaSupport::wholeTrack(loose) };
        tracks[0].cuePath = tracks[1].cuePath = m_dir.filePath("CDImage.cue");
        TrackRow::fill(m_list, tracks, false);
        const QString target = newFolder();
        chooseFolder(target);

        auto said = TestSupport::answerNextBox(true, 120000, m_window.get());
        m_controller->exportTracks();
        QCOMPARE(storedExportPath(), target);
        QVERIFY(m_controller->isRunning());
        // The summary offers the folder; the answer opens it.
        QTRY_COMPARE_WITH_TIMEOUT(
            *said, QString("3 of 3 tracks were exported to %1.").arg(target), 120000);
        QCOMPARE(m_opened, QStringList { target });
        checkIdle();
        QCOMPARE(fileNames(target).size(), 4); // three tracks and the playlist
        QCOMPARE(MediaSupport::readFile(QDir(target).filePath("Loose.flac")),
            MediaSupport::readFile(loose));
    }
};

QTEST_MAIN(ExportControllerTest)
#include "tst_exportcontroller.moc"
