#include "ui/views/medialibraryeditview.h"

#include "app/apputils.h"
#include "data/medialibrary.h"
#include "data/playliststore.h"
#include "ui/mainwindow/windowframe.h"
#include "ui/views/messageboxview.h"
#include "ui_medialibraryeditview.h"

MediaLibraryEditView::MediaLibraryEditView(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::MediaLibraryEditView>())
{
    ui->setupUi(this);
    applyStyleSheet(this, QStringLiteral("medialibraryeditview.css"), true);
    setWindowTitle(tr("Save Playlist"));
    ui->label->setText(tr("Playlist Name:"));
    ui->cbLibraryName->setEditable(true);

    ui->cbLibraryName->clear();
    const QList<MediaLibraryPtr> playlists = PlaylistStore().playlists();
    for (const MediaLibraryPtr &playlist : playlists)
        ui->cbLibraryName->addItem(playlist->name);
    if (ui->cbLibraryName->count() == 0)
        ui->cbLibraryName->addItem(tr("DefaultLibrary"));

    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btnSave, &QPushButton::clicked, this, &MediaLibraryEditView::save);
    WindowFrame::setDarkFrame(this);
}

MediaLibraryEditView::~MediaLibraryEditView() = default;

void MediaLibraryEditView::setMediaList(const QList<PlaylistEntry> &entries)
{
    m_entries = entries;
}

void MediaLibraryEditView::save()
{
    const PlaylistStore::SaveResult result =
        PlaylistStore().save(ui->cbLibraryName->currentText(), m_entries);
    switch (result.status) {
    case PlaylistStore::SaveStatus::BlankName:
        MessageBoxView::information(tr("Please enter playlist name"));
        return;
    case PlaylistStore::SaveStatus::Failed:
        // Nothing of this save was stored; the dialog stays open so that Save can try again.
        MessageBoxView::information(tr("Failed to save playlist"));
        return;
    case PlaylistStore::SaveStatus::Saved:
        break;
    }
    MessageBoxView::information(tr("Save completed"));
    emit playlistSaved(result.playlistId, result.name);
    accept();
}
