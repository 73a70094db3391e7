#include "ui/mainwindow/exportcontroller.h"

#include "app/configservice.h"
#include "ui/mainwindow/trackrow.h"
#include "ui/views/messageboxview.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QProgressBar>
#include <QProgressDialog>
#include <QTreeWidget>
#include <QUrl>

namespace {

const QString exportPathKey = QStringLiteral("exportPath");

QString standardFolderDialog(QWidget *parent, const QString &title, const QString &startFolder)
{
    return QFileDialog::getExistingDirectory(parent, title, startFolder, QFileDialog::ShowDirsOnly);
}

void openInFileManager(const QString &folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace

ExportController::ExportController(QWidget *window, QTreeWidget *list, QAbstractButton *button,
    ConfigService &config, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_list(list)
    , m_button(button)
    , m_config(config)
    , m_chooseFolder(standardFolderDialog)
    , m_openFolder(openInFileManager)
{
    connect(&m_exporter, &TrackExporter::progress, this, &ExportController::showProgress);
    connect(&m_exporter, &TrackExporter::finished, this, &ExportController::exportFinished);
}

ExportController::~ExportController()
{
    // The exporter, destroyed after this, stops ffmpeg and removes the file being written.
    delete m_progress;
}

void ExportController::exportTracks()
{
    if (m_exporter.isRunning() || !m_list)
        return;
    if (m_list->topLevelItemCount() == 0) {
        MessageBoxView::information(QCoreApplication::translate(
            "MainWindow", "Please add tracks to export by double-clicking."));
        return;
    }

    const QString folder =
        m_chooseFolder(m_window, QCoreApplication::translate("MainWindow", "Select Export Folder"),
            m_config.value(exportPathKey, QDir::homePath()));
    if (folder.isEmpty())
        return;
    m_config.setValue(exportPathKey, folder);

    QVector<TrackInfo> tracks;
    tracks.reserve(m_list->topLevelItemCount());
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        tracks << TrackRow::track(m_list->topLevelItem(i));
    const TrackExporter::StartResult started = m_exporter.start(tracks, folder);
    if (started == TrackExporter::StartResult::FfmpegMissing) {
        MessageBoxView::information(TrackExporter::ffmpegMissingText());
        return;
    }
    if (started != TrackExporter::StartResult::Started)
        return; // no rows, or still busy: both ruled out above

    setButtonEnabled(false);
    // Shown, not exec'd: the exporter works from the event loop, so the window goes on painting
    // while window modality keeps the user's hands off it. The bar is ours to set, because the
    // dialog's own setValue() runs a nested event loop when modal.
    m_progress = new QProgressDialog(m_window);
    m_progressBar = new QProgressBar(m_progress);
    m_progress->setBar(m_progressBar);
    m_progress->setWindowTitle(QCoreApplication::translate("MainWindow", "Export Music"));
    m_progress->setCancelButtonText(QCoreApplication::translate("MainWindow", "Cancel"));
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progressBar->setRange(0, tracks.size());
    m_progressBar->setValue(0);
    connect(m_progress, &QProgressDialog::canceled, &m_exporter, &TrackExporter::cancel);
    m_progress->show();
}

void ExportController::showProgress(int done, int count, const QStringList &writing)
{
    if (!m_progress)
        return;
    m_progressBar->setMaximum(count);
    m_progressBar->setValue(done);
    m_progress->setLabelText(
        QCoreApplication::translate("MainWindow", "%1 of %2 tracks done. Writing:\n%3")
            .arg(done)
            .arg(count)
            .arg(writing.join(QLatin1Char('\n'))));
}

void ExportController::exportFinished()
{
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
    }
    m_progress = nullptr;
    m_progressBar = nullptr;
    setButtonEnabled(true);
    const TrackExporter::Result &result = m_exporter.result();
    const QString summary = TrackExporter::summaryText(result);
    if (result.writtenFiles.isEmpty()) {
        MessageBoxView::information(summary);
        return;
    }
    const QString folder = result.folder;
    if (MessageBoxView::confirm(m_window, QCoreApplication::translate("MainWindow", "Export Music"),
            summary, QCoreApplication::translate("MainWindow", "Open Folder")))
        m_openFolder(folder);
}

void ExportController::setButtonEnabled(bool enabled)
{
    if (m_button)
        m_button->setEnabled(enabled);
}
