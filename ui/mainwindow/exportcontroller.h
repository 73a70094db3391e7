#pragma once

#include "media/trackexporter.h"

#include <QObject>
#include <QPointer>
#include <functional>

class ConfigService;
class QAbstractButton;
class QProgressBar;
class QProgressDialog;
class QTreeWidget;
class QWidget;

// The export of the selected list as the user drives it: asks for the folder (remembered as
// "exportPath"), runs the TrackExporter behind a window-modal progress dialog with Cancel while
// the window goes on painting, keeps the export button disabled meanwhile and ends with a
// message that says where the files went, why any failed, and offers to open the folder.
class ExportController : public QObject
{
    Q_OBJECT
public:
    // Asks for a folder: (dialog parent, title, start folder) -> the chosen folder, empty when
    // the user cancelled.
    using FolderChooser =
        std::function<QString(QWidget *parent, const QString &title, const QString &startFolder)>;
    using FolderOpener = std::function<void(const QString &folder)>;

    // window parents the dialogs; list holds track rows; button (may be null) is disabled while
    // an export runs.
    ExportController(QWidget *window, QTreeWidget *list, QAbstractButton *button,
        ConfigService &config, QObject *parent = nullptr);
    ~ExportController() override;

    // Exports every row of the list; returns at once, the export goes on in the event loop.
    void exportTracks();
    bool isRunning() const { return m_exporter.isRunning(); }

    // The standard folder dialog unless replaced.
    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    // The desktop's file manager unless replaced.
    void setFolderOpener(FolderOpener opener) { m_openFolder = std::move(opener); }

private:
    void showProgress(int done, int count, const QStringList &writing);
    void exportFinished();
    void setButtonEnabled(bool enabled);

    QPointer<QWidget> m_window;
    QPointer<QTreeWidget> m_list;
    QPointer<QAbstractButton> m_button;
    ConfigService &m_config;
    FolderChooser m_chooseFolder;
    FolderOpener m_openFolder;
    TrackExporter m_exporter;
    QPointer<QProgressDialog> m_progress;
    QProgressBar *m_progressBar = nullptr; // owned by m_progress
};
