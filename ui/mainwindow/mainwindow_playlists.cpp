#include "ui/mainwindow/mainwindow.h"

#include "audio/playbackengine.h"
#include "data/medialibrary.h"
#include "data/playliststore.h"
#include "ui/mainwindow/iconpainter.h"
#include "ui/mainwindow/trackrow.h"
#include "ui/views/medialibraryeditview.h"
#include "ui/views/messageboxview.h"
#include "ui_mainwindow.h"

#include <QDropEvent>
#include <QStyle>
#include <QTimer>

namespace {
const QString playlistType = QStringLiteral("playlist");
constexpr int playlistIdRole = Qt::UserRole + 1;

QPixmap defaultCover()
{
    const QSize size(256, 256);
    const QPixmap resource(QString::fromLatin1(IconPainter::coverResource));
    if (resource.isNull())
        return IconPainter::defaultCoverPixmap(size);
    return resource.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QTreeWidgetItem *parentRow(const QTreeWidgetItem *row)
{
    return row ? row->parent() : nullptr;
}
} // namespace

void MainWindow::initPlaylistsPanel()
{
    connect(ui->btnSaveToLibrary, &QPushButton::clicked, this, &MainWindow::savePlaylist);
    populateLibraryList();
    connect(ui->btnPlayLibrary, &QPushButton::clicked, this, &MainWindow::playPlaylist);
    connect(ui->btnDeleteLibrary, &QPushButton::clicked, this, &MainWindow::deletePlaylist);
}

QTreeWidgetItem *MainWindow::addPlaylistRow(int id, const QString &name)
{
    auto *row = new QTreeWidgetItem(ui->twLibraryView);
    row->setText(0, name);
    row->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    // Rows move between rows; a drop onto a row would make a playlist a child of another.
    row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
    row->setData(0, Qt::UserRole, playlistType);
    row->setData(0, playlistIdRole, id);
    return row;
}

void MainWindow::populateLibraryList()
{
    ui->twLibraryView->clear();
    const QList<MediaLibraryPtr> playlists = PlaylistStore().playlists();
    for (const MediaLibraryPtr &playlist : playlists)
        addPlaylistRow(playlist->id, playlist->name);
    ui->twLibraryView->expandAll();
}

void MainWindow::on_twLibraryView_itemClicked(QTreeWidgetItem *item, int column)
{
    Q_UNUSED(column)
    if (!item || item->data(0, Qt::UserRole).toString() != playlistType)
        return;
    shownPlaylistId = item->data(0, playlistIdRole).toInt();

    // A playlist's tracks can be reordered; a sheet's or folder's cannot.
    QTreeWidget *current = ui->twCurrentMusicView;
    current->setDragEnabled(true);
    current->setAcceptDrops(true);
    current->setDropIndicatorShown(true);
    current->setDragDropMode(QAbstractItemView::InternalMove);
    current->setDefaultDropAction(Qt::MoveAction);

    // A cover look-up still running belongs to what the list showed before.
    ++coverRequest;
    coverWatcher.disconnect(this);
    if (ui->swMainView->currentWidget() != ui->swPlayingView)
        setCoverImage(defaultCover());

    const QVector<PlaylistTrack> tracks = PlaylistStore().tracks(shownPlaylistId);
    QVector<TrackInfo> queue;
    QList<QTreeWidgetItem *> rows;
    queue.reserve(tracks.size());
    rows.reserve(tracks.size());
    for (const PlaylistTrack &entry : tracks) {
        QTreeWidgetItem *row = TrackRow::make(entry.track, entry.track.number, false);
        row->setData(0, TrackRow::MediaIdRole, entry.mediaId);
        row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
        rows << row;
        queue << entry.track;
    }
    current->clear();
    current->addTopLevelItems(rows);
    engine->setPlayQueue(queue);
}

void MainWindow::playPlaylist()
{
    QTreeWidgetItem *item = ui->twLibraryView->currentItem();
    if (!item) {
        MessageBoxView::information(tr("Please select a playlist"));
        return;
    }
    on_twLibraryView_itemClicked(item, 0);
    QTreeWidget *current = ui->twCurrentMusicView;
    if (current->topLevelItemCount() == 0) {
        MessageBoxView::information(tr("This playlist has no songs"));
        return;
    }
    current->setCurrentItem(current->topLevelItem(0));
    on_btnPlay_clicked();
}

void MainWindow::deletePlaylist()
{
    QTreeWidgetItem *item = ui->twLibraryView->currentItem();
    if (!item || item->data(0, Qt::UserRole).toString() != playlistType) {
        MessageBoxView::information(tr("Please select a playlist"));
        return;
    }
    const int id = item->data(0, playlistIdRole).toInt();
    if (id < 1) {
        MessageBoxView::information(tr("Unable to get playlist id"));
        return;
    }
    if (!MessageBoxView::confirm(
            this, tr("Delete"), tr("Are you sure you want to delete this playlist?"), QString()))
        return;

    if (!PlaylistStore().deletePlaylist(id)) {
        // Nothing was deleted: the playlist and what the lists show stay as they were.
        MessageBoxView::information(tr("Failed to delete playlist"));
        return;
    }
    populateLibraryList();
    // What plays keeps playing; only the list and the queue go.
    ui->twCurrentMusicView->clear();
    engine->setPlayQueue({});
}

void MainWindow::savePlaylist()
{
    const QTreeWidget *selected = ui->twSelectedMusicView;
    if (selected->topLevelItemCount() == 0) {
        MessageBoxView::information(tr("Please add tracks to the export list first"));
        return;
    }
    QList<PlaylistEntry> entries;
    entries.reserve(selected->topLevelItemCount());
    for (int i = 0; i < selected->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = selected->topLevelItem(i);
        entries << PlaylistStore::entryForTrack(row->text(0),
            row->data(0, TrackRow::FilePathRole).toString(),
            row->data(0, TrackRow::StartRole).toDouble(),
            row->data(0, TrackRow::DurationRole).toDouble(),
            row->data(0, TrackRow::WholeFileRole).toBool());
    }
    MediaLibraryEditView dialog(this);
    dialog.setMediaList(entries);
    connect(&dialog, &MediaLibraryEditView::playlistSaved, this, &MainWindow::onPlaylistSaved);
    dialog.exec();
}

void MainWindow::onPlaylistSaved(int playlistId, const QString &name)
{
    QTreeWidget *library = ui->twLibraryView;
    for (int i = 0; i < library->topLevelItemCount(); ++i) {
        if (library->topLevelItem(i)->data(0, playlistIdRole).toInt() == playlistId)
            return; // an existing playlist keeps its place
    }
    addPlaylistRow(playlistId, name);
    library->expandAll();
}

bool MainWindow::handlePlaylistDragEvent(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    QTreeWidget *view = nullptr;
    if (watched == ui->twLibraryView->viewport())
        view = ui->twLibraryView;
    else if (watched == ui->twCurrentMusicView->viewport())
        view = ui->twCurrentMusicView;
    else
        return false;

    // Drag enter and drag move derive from the drop event.
    auto *drag = static_cast<QDropEvent *>(event);
    const bool sheetOrFolder = view == ui->twCurrentMusicView && shownPlaylistId < 1;
    // Rows only move within their own list.
    if (sheetOrFolder || drag->source() != view) {
        drag->ignore();
        return true;
    }

    if (type == QEvent::Drop) {
        // The list moves the row itself; the order is read once it has.
        QTimer::singleShot(0, this, [this, view]() { persistOrder(view); });
        return false;
    }
    if (type == QEvent::DragMove) {
        const QTreeWidgetItem *dragged = view->currentItem();
        const QTreeWidgetItem *target = view->itemAt(drag->pos());
        const bool allowed = view == ui->twCurrentMusicView
            ? dragged && !dragged->parent() && !parentRow(target)
            : parentRow(dragged) == parentRow(target);
        if (!allowed) {
            drag->ignore();
            return true;
        }
    }
    drag->acceptProposedAction();
    return false;
}

void MainWindow::persistOrder(QTreeWidget *view)
{
    if (view == ui->twLibraryView) {
        QList<int> ids;
        for (int i = 0; i < view->topLevelItemCount(); ++i)
            ids << view->topLevelItem(i)->data(0, playlistIdRole).toInt();
        if (!PlaylistStore().storePlaylistOrder(ids)) {
            MessageBoxView::information(tr("Failed to save the new order"));
            populateLibraryList(); // back to the order that is stored
        }
        return;
    }
    if (view != ui->twCurrentMusicView)
        return;

    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = view->topLevelItem(i);
        row->setText(3, QString::number(i + 1));
        row->setData(0, TrackRow::NumberRole, i + 1);
    }
    if (shownPlaylistId < 1)
        return;

    QList<int> ids;
    QVector<TrackInfo> queue;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = view->topLevelItem(i);
        ids << row->data(0, TrackRow::MediaIdRole).toInt();
        queue << TrackRow::track(row);
    }
    // The list keeps the new order for this visit (it plays in that order), but the user
    // learns that the playlist will come back in its stored order.
    if (!PlaylistStore().storeTrackOrder(ids))
        MessageBoxView::information(tr("Failed to save the new order"));

    engine->setPlayQueue(queue);
    // Next and Previous go on from the track that plays, wherever it moved to; with nothing
    // playing, from the current row.
    int index = -1;
    if (!engine->currentPath().isEmpty()) {
        index = engine->indexOfTrack(engine->currentPath(), engine->trackStart());
    } else if (const QTreeWidgetItem *row = view->currentItem()) {
        index = engine->indexOfTrack(row->data(0, TrackRow::FilePathRole).toString(),
            row->data(0, TrackRow::StartRole).toDouble());
    }
    engine->setCurrentIndex(index);
}
