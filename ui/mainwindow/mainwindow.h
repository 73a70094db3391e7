#pragma once

#include "ui/mainwindow/playingbackground.h"

#include <QColor>
#include <QFutureWatcher>
#include <QImage>
#include <QMainWindow>
#include <QPixmap>
#include <QSize>
#include <QStringList>

class AudioWaveView;
class PlaybackEngine;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class SpinningDiscView;

namespace Ui {
class MainWindow;
}

// The program's one top-level window: the library page (source folders or playlists on the
// left, the current and selected track lists on the right, a compact transport on top) and the
// playing page (spinning disc, title, progress bar, transport), in the stack swMainView.
//
// The bodies are split by concern: construction and page switching in mainwindow.cpp,
// the transport and cover in mainwindow_playback.cpp and mainwindow_cover.cpp, colours in
// mainwindow_theme.cpp, window events in mainwindow_events.cpp.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void initViews();
    void initTransport();
    // Play or pause shows on the library transport, following the engine.
    void syncPlayButtons();
    void showLibraryView();
    void showPlayingView();

    // Icon-only action button: the tip goes to the tooltip, status tip and accessible name.
    void setupActionButton(QPushButton *button, const QString &svgPath, const QString &tip);
    static QPixmap tintedSvgPixmap(const QString &svgPath, const QSize &size, const QColor &color);
    static QPixmap tintedSvgPixmapInRect(
        const QString &svgPath, const QSize &size, const QRectF &target, const QColor &color);
    static QPixmap drawTransportIcon(const QSize &size, const QColor &glyphColor,
        const QString &name, bool emphasised, const QColor &baseColor);
    static QPixmap defaultCoverPixmap(const QSize &size);

    // Transport glyphs of the library page / of the playing page in textColor.
    void updateTransportIcons(const QColor &textColor);
    void updatePlayingIcons(const QColor &textColor);

    // Shows the placeholder, then looks for the cover of path's folder (or of path, a folder)
    // in the background; only the newest request's result is used. resetNow also resets the
    // disc and the theme to the placeholder at once (a track is starting).
    void loadCover(const QString &path, bool resetNow);
    void setCoverImage(const QPixmap &pixmap);
    // Shows the cover in lbCover, rescaling only when the label's size or pixel ratio changed.
    void updateCoverLabel();

    // Colours of the system caption (where the platform allows) and of the library transport.
    void setTitleBarColors(const QColor &captionColor, const QColor &textColor);
    // Derives the playing page's colours from the disc's cover colours.
    void applyCoverTheme(bool updateCaption);
    void applySliderStyle();
    QColor accent() const { return accentColor; }

    PlaybackEngine *playbackEngine() const { return engine; }

public slots:
    // Files given on the command line or handed over by a later start.
    void openFiles(const QStringList &files);

    // Transport: the library page's buttons reach these by name, the playing page's twins and
    // the sliders are connected in initViews and initTransport.
    void on_btnPlay_clicked();
    void on_btnPause_clicked();
    void on_btnNext_clicked();
    void on_btnPrev_clicked();
    void onPlayProgressSliderPressed();
    void onPlayProgressSliderReleased();
    void onPlayProgressBarReleased();

    // Playlists panel
    void populateLibraryList();
    void on_twLibraryView_itemClicked(QTreeWidgetItem *item, int column);
    void playPlaylist();
    void deletePlaylist();
    void savePlaylist();
    // The save dialog has stored tracks into this playlist.
    void onPlaylistSaved(int playlistId, const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void switchNavigationPage(int page);
    void connectPlayingPageTransport();
    void syncPlayingPageButtons();
    // A track is playing or paused.
    bool hasCurrentTrack() const;
    void onTrackStarted(const QString &path, const QString &title);
    void onCoverFound(int request, const QPixmap &placeholder);

    Ui::MainWindow *ui;
    // Owned; shut down (playback stopped, output thread joined) before the form goes.
    PlaybackEngine *engine;
    AudioWaveView *audioWaveView = nullptr;
    SpinningDiscView *discView = nullptr;
    QPushButton *btnRevealInExplorer = nullptr;

    // Cover of the current folder or sheet: the picture, and its copy scaled for lbCover.
    QFutureWatcher<QString> coverWatcher;
    int coverRequest = 0;
    QImage coverImage;
    QPixmap coverPixmap;
    QSize coverPixmapSize;
    double coverPixmapRatio = 1.0;

    QColor titleBarColor { 25, 28, 35, 255 };
    QColor titleTextColor { 255, 255, 255, 255 };
    QColor accentColor { 25, 28, 35, 255 };
    PlayingBackground playingBackground;

    // Playlists panel
    void initPlaylistsPanel();
    QTreeWidgetItem *addPlaylistRow(int id, const QString &name);
    // Drag and drop within the playlists and the current list; true when the event is refused.
    bool handlePlaylistDragEvent(QObject *watched, QEvent *event);
    // Stores the list's order after a move; for the current list also renumbers and rebuilds
    // the play queue.
    void persistOrder(QTreeWidget *view);
    int shownPlaylistId = -1; // playlist whose tracks the current list shows; -1: a sheet or folder
};
