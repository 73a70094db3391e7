#pragma once

#include "data/playlistentry.h"

#include <QDialog>
#include <QList>
#include <memory>

namespace Ui {
class MediaLibraryEditView;
}

// The save-playlist dialog: the user picks an existing playlist or types a new name, and Save
// appends the entries to it, skipping tracks it already holds. Created per use, given the
// entries, run modally.
class MediaLibraryEditView : public QDialog
{
    Q_OBJECT
public:
    explicit MediaLibraryEditView(QWidget *parent = nullptr);
    ~MediaLibraryEditView() override;

    void setMediaList(const QList<PlaylistEntry> &entries);

signals:
    // After a save that stored every track, before the dialog closes.
    void playlistSaved(int playlistId, const QString &name);

private:
    void save();

    std::unique_ptr<Ui::MediaLibraryEditView> ui;
    QList<PlaylistEntry> m_entries;
};
