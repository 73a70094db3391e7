// The current list (the play queue) and the selected list (the export list).
#include "ui/mainwindow/mainwindow.h"

#include "audio/playbackengine.h"
#include "data/dao.h"
#include "ui/mainwindow/exportcontroller.h"
#include "ui/mainwindow/trackrow.h"
#include "ui/views/messageboxview.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>
#include <QToolTip>

void MainWindow::showSheetTracks(int requestNumber, const QString &sheetPath)
{
    if (!sheetRequest.isLatest(requestNumber))
        return;
    const QVector<TrackInfo> tracks =
        sheetWatcher.future().resultCount() > 0 ? sheetWatcher.result() : QVector<TrackInfo>();
    showTracks(tracks, sheetPath, false);
}

void MainWindow::showFolderTracks(int requestNumber, const QString &folderPath)
{
    if (!folderRequest.isLatest(requestNumber))
        return;
    const QVector<TrackInfo> tracks =
        folderWatcher.future().resultCount() > 0 ? folderWatcher.result() : QVector<TrackInfo>();
    showTracks(tracks, folderPath, true);
}

void MainWindow::showTracks(
    const QVector<TrackInfo> &tracks, const QString &coverPath, bool fromFolder)
{
    TrackRow::fill(ui->twCurrentMusicView, tracks, fromFolder);
    engine->setPlayQueue(tracks);
    if (!coverPath.isEmpty())
        loadCover(coverPath, false);
}

void MainWindow::on_twCurrentMusicView_itemDoubleClicked(QTreeWidgetItem *item, int column)
{
    Q_UNUSED(column);
    if (!item)
        return;
    if (QApplication::keyboardModifiers() & Qt::ControlModifier) {
        if (isInSelectedList(item))
            return;
        ui->twSelectedMusicView->addTopLevelItem(TrackRow::copy(item));
        renumberSelectedList();
        return;
    }
    ui->twCurrentMusicView->setCurrentItem(item);
    on_btnPlay_clicked();
}

void MainWindow::on_twCurrentMusicView_customContextMenuRequested(const QPoint &pos)
{
    QTreeWidget *list = ui->twCurrentMusicView;
    QTreeWidgetItem *item = list->itemAt(pos);
    if (!item || currentMenuOpen)
        return;
    // The rows travel as copies and the clicked row by address; the address is checked again
    // before use, since the list may be refilled while the menu shows. A click on one of
    // several selected rows adds them all, in list order.
    QList<std::shared_ptr<QTreeWidgetItem>> taken;
    if (item->isSelected()) {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->isSelected())
                taken << std::shared_ptr<QTreeWidgetItem>(TrackRow::copy(list->topLevelItem(i)));
        }
    } else {
        taken << std::shared_ptr<QTreeWidgetItem>(TrackRow::copy(item));
    }
    const int mediaId = item->data(0, TrackRow::MediaIdRole).toInt();
    QMenu *menu = newContextMenu(currentListMenu, currentMenuOpen, list->viewport());
    QAction *add = menu->addAction(tr("Add to Export List"));
    QAction *remove = mediaId > 0 ? menu->addAction(tr("Delete from Playlist")) : nullptr;
    menu->addSeparator();
    menu->addAction(gaplessAction);
    connect(menu, &QMenu::triggered, this, [this, add, remove, taken, item, mediaId](QAction *a) {
        QToolTip::hideText();
        if (a == add) {
            QTimer::singleShot(0, this, [this, taken]() {
                for (const auto &row : taken)
                    addToSelectedList(row.get());
            });
        } else if (remove && a == remove) {
            QTimer::singleShot(
                0, this, [this, item, mediaId]() { deleteFromPlaylist(item, mediaId); });
        }
    });
    menu->popup(list->viewport()->mapToGlobal(pos));
}

void MainWindow::deleteFromPlaylist(QTreeWidgetItem *row, int mediaId)
{
    if (!MessageBoxView::confirm(this, tr("Delete"),
            tr("Are you sure you want to delete this song from the playlist?"), QString()))
        return;
    if (!Dao().deleteMedia(mediaId)) {
        MessageBoxView::information(tr("Failed to delete the song from the playlist"));
        return;
    }
    // The list may have been refilled meanwhile: only the same playlist row goes.
    if (TrackRow::contains(ui->twCurrentMusicView, row)
        && row->data(0, TrackRow::MediaIdRole).toInt() == mediaId)
        delete ui->twCurrentMusicView->takeTopLevelItem(
            ui->twCurrentMusicView->indexOfTopLevelItem(row));
}

bool MainWindow::isInSelectedList(QTreeWidgetItem *row) const
{
    QTreeWidget *selected = ui->twSelectedMusicView;
    for (int i = 0; i < selected->topLevelItemCount(); ++i) {
        if (TrackRow::isDuplicate(selected->topLevelItem(i), row))
            return true;
    }
    return false;
}

void MainWindow::addToSelectedList(QTreeWidgetItem *row)
{
    if (!row || isInSelectedList(row))
        return;
    ui->twSelectedMusicView->addTopLevelItem(TrackRow::copy(row));
    renumberSelectedList();
}

void MainWindow::renumberSelectedList()
{
    TrackRow::renumber(ui->twSelectedMusicView);
}

void MainWindow::on_twSelectedMusicView_itemDoubleClicked(QTreeWidgetItem *item, int column)
{
    Q_UNUSED(column);
    QTreeWidget *selected = ui->twSelectedMusicView;
    if (!TrackRow::contains(selected, item))
        return;
    delete selected->takeTopLevelItem(selected->indexOfTopLevelItem(item));
    renumberSelectedList();
}

void MainWindow::on_twSelectedMusicView_customContextMenuRequested(const QPoint &pos)
{
    QTreeWidget *selected = ui->twSelectedMusicView;
    QTreeWidgetItem *item = selected->itemAt(pos);
    if (!item || selectedMenuOpen)
        return;
    QMenu *menu = newContextMenu(selectedListMenu, selectedMenuOpen, selected->viewport());
    QAction *remove = menu->addAction(tr("Remove from List"));
    connect(menu, &QMenu::triggered, this, [this, remove, item](QAction *a) {
        if (a != remove)
            return;
        QToolTip::hideText();
        QTimer::singleShot(0, this, [this, item]() {
            QTreeWidget *list = ui->twSelectedMusicView;
            if (TrackRow::contains(list, item))
                delete list->takeTopLevelItem(list->indexOfTopLevelItem(item));
            renumberSelectedList();
        });
    });
    menu->popup(selected->viewport()->mapToGlobal(pos));
}

void MainWindow::selectPlayingRow(int index)
{
    const QVector<TrackInfo> &queue = engine->playQueue();
    if (index < 0 || index >= queue.size())
        return;
    if (QTreeWidgetItem *row = TrackRow::findPlaying(ui->twCurrentMusicView, queue.at(index))) {
        ui->twCurrentMusicView->setCurrentItem(row);
        ui->twCurrentMusicView->scrollToItem(row);
    }
}

void MainWindow::revealPlayingFile()
{
    QString target;
    const QString playing = engine->currentPath();
    if (playing.isEmpty()) {
        if (QTreeWidgetItem *row = ui->twCurrentMusicView->currentItem()) {
            target = row->data(0, TrackRow::CuePathRole).toString();
            if (target.isEmpty())
                target = row->data(0, TrackRow::FilePathRole).toString();
        }
    } else {
        const QVector<TrackInfo> &queue = engine->playQueue();
        const int current = engine->currentIndex();
        const double start = engine->trackStart();
        const TrackInfo *entry = nullptr;
        if (current >= 0 && current < queue.size() && queue.at(current).isSameTrack(playing, start))
            entry = &queue.at(current);
        for (int i = 0; !entry && i < queue.size(); ++i) {
            if (queue.at(i).isSameTrack(playing, start))
                entry = &queue.at(i);
        }
        if (entry && QFileInfo(entry->cuePath).suffix().toLower() == QLatin1String("cue"))
            target = entry->cuePath;
        if (target.isEmpty())
            target = playing;
    }
    if (target.isEmpty()) {
        MessageBoxView::information(tr("Unable to locate current media file"));
        return;
    }
    if (!QFileInfo::exists(target)) {
        MessageBoxView::information(
            tr("File does not exist:\n%1").arg(QDir::toNativeSeparators(target)));
        return;
    }
    revealInExplorer(QFileInfo(target).absoluteFilePath());
}

void MainWindow::on_btnExportMusic_clicked()
{
    exportController->exportTracks();
}
