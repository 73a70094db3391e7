#include "app/configservice.h"
#include "app/resourceinit.h"
#include "media/mediatools.h"
#include "media/trackexporter.h"
#include "support/databasefixture.h"
#include "support/mediasupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/exportcontroller.h"
#include "ui/mainwindow/trackrow.h"
#include "ui/views/messageboxview.h"

#include <QApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

using MediaSupport::fileNames;
using MediaSupport::rangeTrack;
using MediaSupport::readFile;
using MediaSupport::wholeTrack;

namespace {

// The value as the database holds it, read back the way the next start of the program does.
QString storedExportPath()
{
    ConfigService fresh;
    fresh.load();
    return fresh.value(QStringLiteral("exportPath"));
}

// Answers every message box as it shows (with its sure button) and keeps its text. Looks for
// the box by type: the export's window-modal progress dialog is a modal widget as well.
class BoxRecorder : public QObject
{
public:
    BoxRecorder()
    {
        connect(&m_timer, &QTimer::timeout, this, &BoxRecorder::poll);
        m_timer.start(5);
    }
    QStringList texts;

private:
    void poll()
    {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            auto *box = qobject_cast<MessageBoxView *>(window);
            if (!box || !box->isVisible())
                continue;
            texts << box->findChild<QLabel *>(QStringLiteral("lbMessageBoxContent"))->text();
            box->findChild<QPushButton *>(QStringLiteral("btnSure"))->click();
        }
    }
    QTimer m_timer;
};

// Counts the paint events a widget gets.
class PaintCounter : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

} // namespace

class ExportControllerTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void emptyListAsksForTracks();
    void cancelledFolderDialogWritesNothing_data();
    void cancelledFolderDialogWritesNothing();
    void realExport();
    void cancelFromProgressDialog();
    void missingFfmpegIsReported();

private:
    QString newFolder();
    // An ffmpeg that writes `writes` to its output file (when not empty), sleeps, then exits.
    void useFakeFfmpeg(const QByteArray &writes, int exitCode = 0, int sleepSeconds = 0);
    // The controller answers the folder dialog with this folder and records how it was asked.
    void chooseFolder(const QString &folder);
    QProgressDialog *progressDialog() const;

    QTemporaryDir m_dir;
    QString m_record;
    int m_folders = 0;
    std::unique_ptr<DatabaseFixture> m_fixture;
    std::unique_ptr<ConfigService> m_config;
    std::unique_ptr<QWidget> m_window;
    QTreeWidget *m_list = nullptr;
    QPushButton *m_button = nullptr;
    std::unique_ptr<ExportController> m_controller;
    std::unique_ptr<BoxRecorder> m_boxes;
    QList<QVariantList> m_folderRequests; // parent, title, start folder
    QStringList m_opened; // folders handed to the file manager
};

void ExportControllerTest::initTestCase()
{
    initResources();
    QVERIFY(m_dir.isValid());
    m_record = m_dir.filePath(QStringLiteral("ffmpeg-calls"));
}

void ExportControllerTest::init()
{
    m_fixture = std::make_unique<DatabaseFixture>();
    QVERIFY(m_fixture->isValid());
    m_config = std::make_unique<ConfigService>();
    m_config->load();
    m_window = std::make_unique<QWidget>();
    m_list = new QTreeWidget(m_window.get());
    m_list->setColumnCount(4);
    m_button = new QPushButton(QStringLiteral("Export"), m_window.get());
    auto *layout = new QVBoxLayout(m_window.get());
    layout->addWidget(m_list);
    layout->addWidget(m_button);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_controller = std::make_unique<ExportController>(m_window.get(), m_list, m_button, *m_config);
    m_boxes = std::make_unique<BoxRecorder>();
    m_folderRequests.clear();
    m_opened.clear();
    m_controller->setFolderOpener([this](const QString &folder) { m_opened << folder; });
}

void ExportControllerTest::cleanup()
{
    m_boxes.reset();
    m_controller.reset();
    m_window.reset();
    m_config.reset();
    m_fixture.reset();
    MediaTools::setToolFolderOverride(QString());
    QFile::remove(m_record);
}

QString ExportControllerTest::newFolder()
{
    const QString folder = m_dir.filePath(QStringLiteral("folder%1").arg(++m_folders));
    QDir().mkpath(folder);
    return folder;
}

void ExportControllerTest::useFakeFfmpeg(const QByteArray &writes, int exitCode, int sleepSeconds)
{
    QVERIFY(MediaSupport::useFakeFfmpeg(newFolder(), writes, exitCode, sleepSeconds, m_record));
}

void ExportControllerTest::chooseFolder(const QString &folder)
{
    m_controller->setFolderChooser([this, folder](QWidget *parent, const QString &title,
                                       const QString &start) {
        m_folderRequests << QVariantList { QVariant::fromValue<QObject *>(parent), title, start };
        return folder;
    });
}

QProgressDialog *ExportControllerTest::progressDialog() const
{
    return m_window->findChild<QProgressDialog *>();
}

void ExportControllerTest::emptyListAsksForTracks()
{
    m_config->setValue(QStringLiteral("exportPath"), QStringLiteral("/old/place"));
    chooseFolder(newFolder());
    m_controller->exportTracks();
    QCOMPARE(m_boxes->texts,
        QStringList { QStringLiteral("Please add tracks to export by double-clicking.") });
    QVERIFY(m_folderRequests.isEmpty());
    QCOMPARE(storedExportPath(), QStringLiteral("/old/place"));
}

void ExportControllerTest::cancelledFolderDialogWritesNothing_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("startFolder");
    const QString old = m_dir.filePath(QStringLiteral("earlier export"));
    QTest::newRow("starts at the last folder") << old << old;
    QTest::newRow("starts at home") << QString() << QDir::homePath();
}

void ExportControllerTest::cancelledFolderDialogWritesNothing()
{
    QFETCH(QString, stored);
    QFETCH(QString, startFolder);
    useFakeFfmpeg("CUT");
    if (!stored.isEmpty()) {
        QDir().mkpath(stored);
        m_config->setValue(QStringLiteral("exportPath"), stored);
    }
    TrackRow::fill(m_list, { rangeTrack("One", m_dir.filePath("album.flac"), 0, 10) }, false);
    chooseFolder(QString());

    m_controller->exportTracks();
    QCOMPARE(m_folderRequests.size(), 1);
    QCOMPARE(m_folderRequests.first(),
        (QVariantList { QVariant::fromValue<QObject *>(m_window.get()),
            QStringLiteral("Select Export Folder"), startFolder }));
    QVERIFY(!m_controller->isRunning());
    QVERIFY(m_button->isEnabled());
    QVERIFY(!progressDialog());
    QCOMPARE(storedExportPath(), stored);
    QVERIFY(MediaSupport::recordedCalls(m_record).isEmpty());
    if (!stored.isEmpty())
        QCOMPARE(fileNames(stored), QStringList());
    // A message box runs modally, so it would have been answered before exportTracks returned.
    QCOMPARE(m_boxes->texts, QStringList());
}

void ExportControllerTest::realExport()
{
    const QString albumFolder = newFolder();
    const QString album = QDir(albumFolder).filePath(QStringLiteral("CDImage.flac"));
    const QString loose = QDir(albumFolder).filePath(QStringLiteral("Loose.flac"));
    QVERIFY(TestSupport::makeTone(album, 440, 6.0));
    QVERIFY(TestSupport::makeTone(loose, 660, 1.5));
    QVector<TrackInfo> tracks { rangeTrack("Opening", album, 0.0, 2.5),
        rangeTrack("Closing", album, 2.5, 3.5), wholeTrack(loose) };
    tracks[0].cuePath = tracks[1].cuePath =
        QDir(albumFolder).filePath(QStringLiteral("CDImage.cue"));
    TrackRow::fill(m_list, tracks, false);
    const QString target = newFolder();
    chooseFolder(target);

    m_controller->exportTracks();
    QCOMPARE(storedExportPath(), target);
    QVERIFY(m_controller->isRunning());
    QVERIFY(!m_button->isEnabled());
    QVERIFY(progressDialog());
    QVERIFY(progressDialog()->isVisible());
    QCOMPARE(progressDialog()->windowModality(), Qt::WindowModal);

    // The summary offers the folder; the recorder accepts.
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts.size(), 1, 120000);
    QCOMPARE(
        m_boxes->texts.first(), QStringLiteral("3 of 3 tracks were exported to %1.").arg(target));
    QCOMPARE(m_opened, QStringList { target });
    QVERIFY(m_button->isEnabled());
    QTRY_VERIFY(!progressDialog());
    QCOMPARE(fileNames(target).size(), 4); // three tracks and the playlist
    QCOMPARE(readFile(QDir(target).filePath("Loose.flac")), readFile(loose));
}

void ExportControllerTest::cancelFromProgressDialog()
{
    // An ffmpeg that has written part of its file and goes on for a minute.
    useFakeFfmpeg("PARTIAL", 0, 60);
    const QString album = m_dir.filePath(QStringLiteral("album.flac"));
    QVERIFY(MediaSupport::writeFile(album, "FLAC"));
    TrackRow::fill(m_list,
        { rangeTrack("One", album, 0, 10), rangeTrack("Two", album, 10, 10),
            rangeTrack("Three", album, 20, 10) },
        false);
    const QString target = newFolder();
    chooseFolder(target);
    PaintCounter paints;
    m_window->installEventFilter(&paints);

    m_controller->exportTracks();
    QTRY_VERIFY_WITH_TIMEOUT(!MediaSupport::recordedCalls(m_record).isEmpty(), 20000);
    QProgressDialog *dialog = progressDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY2(dialog->labelText().startsWith(QStringLiteral("0 of 3 tracks done. Writing:\nOne")),
        qPrintable(dialog->labelText()));
    QCOMPARE(dialog->value(), 0);
    QCOMPARE(dialog->maximum(), 3);
    QVERIFY(!m_button->isEnabled());
    // The window still paints while ffmpeg works.
    const int before = paints.count;
    m_window->update();
    QTRY_VERIFY(paints.count > before);

    QPushButton *cancel = dialog->findChild<QPushButton *>();
    QVERIFY(cancel);
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    cancel->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts.size(), 1, 20000);
    QCOMPARE(m_boxes->texts.first(),
        QStringLiteral("Export cancelled: 0 of 3 tracks were exported to %1.").arg(target));
    QCOMPARE(fileNames(target), QStringList());
    QVERIFY(m_opened.isEmpty());
    QVERIFY(m_button->isEnabled());
    QVERIFY(!m_controller->isRunning());
}

void ExportControllerTest::missingFfmpegIsReported()
{
    const QString empty = newFolder();
    MediaTools::setToolFolderOverride(empty);
    const QString source = m_dir.filePath(QStringLiteral("song.wav"));
    QVERIFY(MediaSupport::writeFile(source, "RIFF"));
    TrackRow::fill(m_list, { wholeTrack(source) }, false);
    const QString target = newFolder();
    chooseFolder(target);

    m_controller->exportTracks();
    QCOMPARE(m_boxes->texts, QStringList { TrackExporter::ffmpegMissingText() });
    QVERIFY(m_boxes->texts.first().contains(empty));
    // The folder is remembered all the same; nothing is written, not even the whole-file copy.
    QCOMPARE(storedExportPath(), target);
    QCOMPARE(fileNames(target), QStringList());
    QVERIFY(!m_controller->isRunning());
    QVERIFY(m_button->isEnabled());
    QVERIFY(!progressDialog());
}

QTEST_MAIN(ExportControllerTest)
#include "tst_exportcontroller.moc"
