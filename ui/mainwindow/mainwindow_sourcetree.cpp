// The source folders, the tree of subfolders and sheets, and the background work of its clicks.
#include "ui/mainwindow/mainwindow.h"

#include "app/configservice.h"
#include "media/audiofiles.h"
#include "media/cueparser.h"
#include "media/filerevealer.h"
#include "media/mediatools.h"
#include "media/sourcefolders.h"
#include "ui/mainwindow/sourcetreebuilder.h"
#include "ui/mainwindow/trackrow.h"
#include "ui/views/messageboxview.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>
#include <QToolTip>
#include <QtConcurrent/QtConcurrentRun>

namespace {
SourceFolders sourceFolders()
{
    return SourceFolders(*ConfigService::instance());
}
} // namespace

QVector<TrackInfo> MainWindow::parseCueFile(const QString &cuePath)
{
    return CueParser::parseCueFile(cuePath);
}

double MainWindow::cueTimeToSeconds(const QString &mmssff)
{
    return ::cueTimeToSeconds(mmssff);
}

QString MainWindow::secondsToHMS(double seconds)
{
    return ::secondsToHMS(seconds);
}

QString MainWindow::sanitizeFileName(QString name)
{
    return ::sanitizeFileName(std::move(name));
}

QString MainWindow::ffprobePath()
{
    return MediaTools::ffprobePath();
}

QString MainWindow::ffmpegPath()
{
    return MediaTools::ffmpegPath();
}

double MainWindow::probeMediaDurationSeconds(const QString &mediaPath)
{
    return MediaTools::probeMediaDurationSeconds(mediaPath);
}

QVector<TrackInfo> MainWindow::listAudioFiles(const QString &path)
{
    return AudioFiles::listAudioFiles(path);
}

QStringList MainWindow::loadSourcePathList() const
{
    return sourceFolders().loadSourcePathList();
}

void MainWindow::saveSourcePaths(const QStringList &list, const QString &current)
{
    sourceFolders().saveSourcePaths(list, current);
}

void MainWindow::fillSourceCombo(const QStringList &list)
{
    ui->cbSourcePath->clear();
    ui->cbSourcePath->addItems(list);
    // The box is narrower than long paths; the whole path shows in the tooltips.
    for (int i = 0; i < list.size(); ++i)
        ui->cbSourcePath->setItemData(i, list.at(i), Qt::ToolTipRole);
}

void MainWindow::initSourceFolders()
{
    connect(
        ui->cbSourcePath, &QComboBox::currentTextChanged, ui->cbSourcePath, &QComboBox::setToolTip);
    const bool wasBlocked = ui->cbSourcePath->blockSignals(true);
    fillSourceCombo(loadSourcePathList());
    const QString current = sourceFolders().startupPath();
    if (!current.isEmpty()) {
        int index = ui->cbSourcePath->findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index < 0) {
            ui->cbSourcePath->addItem(current);
            index = ui->cbSourcePath->count() - 1;
            ui->cbSourcePath->setItemData(index, current, Qt::ToolTipRole);
        }
        ui->cbSourcePath->setCurrentIndex(index);
    }
    refreshSourceTree(current);
    ui->cbSourcePath->blockSignals(wasBlocked);
    ui->cbSourcePath->setToolTip(ui->cbSourcePath->currentText());
}

void MainWindow::refreshSourceTree(const QString &path)
{
    populateLibraryList();
    const QString native = QDir::toNativeSeparators(path);
    if (native.isEmpty() || !QDir(native).exists()) {
        ui->twSourceView->clear();
        return;
    }
    populateCueTree(native);
}

void MainWindow::populateCueTree(const QString &rootPath)
{
    sourceTreeBuilder->populate(ui->twSourceView, rootPath);
}

void MainWindow::addDirectoryNode(QTreeWidgetItem *parentItem, const QDir &dir)
{
    if (parentItem)
        sourceTreeBuilder->addDirectoryNode(parentItem, dir);
}

void MainWindow::filterSourceTree()
{
    SourceTreeBuilder::filter(ui->twSourceView, ui->edKeyword->text());
}

void MainWindow::populateAudioFiles(const QString &dirPath)
{
    showTracks(AudioFiles::listAudioFiles(dirPath), QString(), true);
}

void MainWindow::on_btnSelectSourcePath_clicked()
{
    QString start = ui->cbSourcePath->currentText();
    if (start.isEmpty())
        start = QDir::homePath();
    const QString chosen = QFileDialog::getExistingDirectory(
        this, tr("Select Media Folder"), start, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return;
    const QString native = sourceFolders().addFolder(chosen);
    fillSourceCombo(loadSourcePathList());
    ui->cbSourcePath->setCurrentIndex(
        ui->cbSourcePath->findText(native, Qt::MatchExactly | Qt::MatchCaseSensitive));
    refreshSourceTree(native);
}

void MainWindow::on_btnDeleteSourcePath_clicked()
{
    if (!MessageBoxView::confirm(
            this, tr("Delete"), tr("Are you sure you want to delete this source path?")))
        return;
    const QString current = ui->cbSourcePath->currentText();
    if (current.isEmpty())
        return;
    const QString newCurrent = sourceFolders().removeFolder(current);
    const QStringList list = loadSourcePathList();
    fillSourceCombo(list);
    if (list.isEmpty()) {
        refreshSourceTree(QString());
        return;
    }
    ui->cbSourcePath->setCurrentIndex(0);
    refreshSourceTree(newCurrent);
}

void MainWindow::on_cbSourcePath_currentIndexChanged(int index)
{
    Q_UNUSED(index);
    const QString native = QDir::toNativeSeparators(ui->cbSourcePath->currentText());
    sourceFolders().setCurrentPath(native);
    refreshSourceTree(native);
}

void MainWindow::on_twSourceView_itemClicked(QTreeWidgetItem *item, int column)
{
    Q_UNUSED(column);
    if (!item)
        return;
    leavePlaylistView();

    const QString type = item->data(0, Qt::UserRole).toString();
    const QString path = item->data(0, Qt::UserRole + 1).toString();
    // A request superseded before its task starts skips the work, so quick clicks through many
    // sheets do not queue up parses (and their probes) in front of the newest one.
    if (type == SourceTreeBuilder::kDirType) {
        const int request = folderRequest.next();
        const auto latest = folderRequest.shared();
        folderWatcher.disconnect(this);
        folderWatcher.setFuture(QtConcurrent::run([latest, request, path]() {
            return *latest == request ? AudioFiles::listAudioFiles(path) : QVector<TrackInfo>();
        }));
        connect(&folderWatcher, &QFutureWatcherBase::finished, this,
            [this, request, path]() { showFolderTracks(request, path); });
    } else if (type == SourceTreeBuilder::kFileType) {
        const int request = sheetRequest.next();
        const auto latest = sheetRequest.shared();
        sheetWatcher.disconnect(this);
        sheetWatcher.setFuture(QtConcurrent::run([latest, request, path]() {
            return *latest == request ? CueParser::parseCueFile(path) : QVector<TrackInfo>();
        }));
        connect(&sheetWatcher, &QFutureWatcherBase::finished, this,
            [this, request, path]() { showSheetTracks(request, path); });
    }
}

void MainWindow::leavePlaylistView()
{
    // Sheet and folder rows keep their order: only playlist rows may be dragged.
    QTreeWidget *current = ui->twCurrentMusicView;
    current->setDragEnabled(false);
    current->setAcceptDrops(false);
    current->setDropIndicatorShown(false);
    current->setDragDropMode(QAbstractItemView::NoDragDrop);
    shownPlaylistId = -1;
}

QMenu *MainWindow::newContextMenu(QPointer<QMenu> &slot, bool &openFlag, QWidget *list)
{
    if (slot) {
        slot->close();
        slot->deleteLater();
        slot = nullptr;
    }
    openFlag = true;
    auto *menu = new QMenu(this);
    slot = menu;
    connect(menu, &QMenu::aboutToHide, this, [this, menu, &slot, &openFlag, list]() {
        list->update();
        openFlag = false;
        menu->deleteLater();
        if (slot == menu)
            slot = nullptr;
    });
    return menu;
}

void MainWindow::on_twSourceView_customContextMenuRequested(const QPoint &pos)
{
    QTreeWidgetItem *item = ui->twSourceView->itemAt(pos);
    if (!item || sourceMenuOpen)
        return;
    const QString type = item->data(0, Qt::UserRole).toString();
    const QString path = item->data(0, Qt::UserRole + 1).toString();
    QMenu *menu = newContextMenu(sourceMenu, sourceMenuOpen, ui->twSourceView->viewport());
    QAction *open = menu->addAction(tr("Open in Explorer"));
    connect(menu, &QMenu::triggered, this, [this, open, type, path](QAction *action) {
        if (action != open)
            return;
        QToolTip::hideText();
        QTimer::singleShot(0, this, [this, type, path]() {
            if (path.isEmpty())
                return;
            if (type == SourceTreeBuilder::kFileType)
                revealInExplorer(path);
            else if (!fileRevealer->showFolder(path))
                showRevealFailure(path);
        });
    });
    menu->popup(ui->twSourceView->viewport()->mapToGlobal(pos));
}

bool MainWindow::revealInExplorer(const QString &path)
{
    if (fileRevealer->showItem(QFileInfo(path).absoluteFilePath()))
        return true;
    showRevealFailure(path);
    return false;
}

void MainWindow::showRevealFailure(const QString &path)
{
    MessageBoxView::information(
        tr("No file manager could show \"%1\".")
            .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
}
