#pragma once

#include "media/openfilesplan.h"
#include "media/requestcounter.h"
#include "media/trackinfo.h"
#include "ui/mainwindow/playingbackground.h"

#include <QColor>
#include <QFutureWatcher>
#include <QImage>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QSize>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QVector>
#include <memory>

class AudioWaveView;
class ExportController;
class FileRevealer;
class QDir;
class QMenu;
class SourceTreeBuilder;
class PlaybackEngine;
class QAction;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class SpinningDiscView;
class TrayMenu;

namespace Ui {
class MainWindow;
}

// The program's one top-level window: the library page (source folders or playlists on the
// left, the current and selected track lists on the right, a compact transport on top) and the
// playing page (spinning disc, title, progress bar, transport), in the stack swMainView.
//
// The bodies are split by concern: construction and page switching in mainwindow.cpp,
// the transport and cover in mainwindow_playback.cpp and mainwindow_cover.cpp, colours in
// mainwindow_theme.cpp, the tray, quitting and the About dialog in mainwindow_tray.cpp, window
// events in mainwindow_events.cpp, the source folders and tree in mainwindow_sourcetree.cpp,
// both track lists in mainwindow_tracklists.cpp, files opened from outside in
// mainwindow_openfiles.cpp, the playlists panel in mainwindow_playlists.cpp.
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
    // The checkable "Gapless Playback" entry of the tray menu and the current list's menu.
    QAction *gaplessPlaybackAction() const { return gaplessAction; }

    // Why path could not be played, naming the file, for the message box.
    static QString playFailureText(const QString &path, bool noOutputDevice);

    // Tracks, sheets and the external tools, for callers that know only the window.
    static QVector<TrackInfo> parseCueFile(const QString &cuePath);
    static double cueTimeToSeconds(const QString &mmssff);
    static QString secondsToHMS(double seconds);
    static QString sanitizeFileName(QString name);
    static QString ffprobePath();
    static QString ffmpegPath();
    static double probeMediaDurationSeconds(const QString &mediaPath);
    static QVector<TrackInfo> listAudioFiles(const QString &path);

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

    // Source tree and track lists
    void populateCueTree(const QString &rootPath);
    void addDirectoryNode(QTreeWidgetItem *parentItem, const QDir &dir);
    void populateAudioFiles(const QString &dirPath);
    void on_btnSelectSourcePath_clicked();
    void on_btnDeleteSourcePath_clicked();
    void on_cbSourcePath_currentIndexChanged(int index);
    void on_twSourceView_itemClicked(QTreeWidgetItem *item, int column);
    void on_twSourceView_customContextMenuRequested(const QPoint &pos);
    void on_twCurrentMusicView_itemDoubleClicked(QTreeWidgetItem *item, int column);
    void on_twCurrentMusicView_customContextMenuRequested(const QPoint &pos);
    void on_twSelectedMusicView_itemDoubleClicked(QTreeWidgetItem *item, int column);
    void on_twSelectedMusicView_customContextMenuRequested(const QPoint &pos);
    void on_btnExportMusic_clicked();
    void selectPlayingRow(int index);
    void revealPlayingFile();

    // Tray and window events
    // Stops playback and the background work, then ends the event loop.
    void onQuitRequested();
    // A click or double click brings the window back as it was when it hid.
    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    // Remembers the visible pages for the next tray click.
    void saveViewState();

    // Playlists panel
    void populateLibraryList();
    void on_twLibraryView_itemClicked(QTreeWidgetItem *item, int column);
    void playPlaylist();
    void deletePlaylist();
    void savePlaylist();
    // The save dialog has stored tracks into this playlist.
    void onPlaylistSaved(int playlistId, const QString &name);

signals:
    // The cover picture found for what the window shows (empty: the placeholder).
    void playingCoverChanged(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private:
    void switchNavigationPage(int page);
    void connectPlayingPageTransport();
    void syncPlayingPageButtons();
    // A track is playing or paused.
    bool hasCurrentTrack() const;
    void onTrackStarted(const QString &path, const QString &title);
    void onCoverFound(int request, const QPixmap &placeholder);

    // Source tree and track lists
    void initSourceFolders();
    QStringList loadSourcePathList() const;
    void saveSourcePaths(const QStringList &list, const QString &current);
    void refreshSourceTree(const QString &path);
    void fillSourceCombo(const QStringList &list);
    void filterSourceTree();
    // The current list shows a sheet, a folder or opened files from now on.
    void leavePlaylistView();
    // Shows the file in the file manager; says so in a message box when none answers.
    bool revealInExplorer(const QString &path);
    void showRevealFailure(const QString &path);
    // Opened files: plans the next waiting list on the pool; shows a finished plan and plays.
    void planNextOpenedFiles();
    void showOpenedFiles(const OpenFilesPlan &plan);
    void showSheetTracks(int requestNumber, const QString &sheetPath);
    void showFolderTracks(int requestNumber, const QString &folderPath);
    void showTracks(const QVector<TrackInfo> &tracks, const QString &coverPath, bool fromFolder);
    bool isInSelectedList(QTreeWidgetItem *row) const;
    void addToSelectedList(QTreeWidgetItem *row);
    void renumberSelectedList();
    void deleteFromPlaylist(QTreeWidgetItem *row, int mediaId);
    // A context menu of the window: one at a time per list, actions on the next turn.
    QMenu *newContextMenu(QPointer<QMenu> &slot, bool &openFlag, QWidget *list);

    Ui::MainWindow *ui;
    // Owned; shut down (playback stopped, output thread joined) before the form goes.
    PlaybackEngine *engine;
    // Stored under "gaplessPlayback"; applied to the engine when toggled.
    QAction *gaplessAction = nullptr;
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

    // Source tree and track lists
    std::unique_ptr<SourceTreeBuilder> sourceTreeBuilder;
    std::unique_ptr<FileRevealer> fileRevealer;
    ExportController *exportController = nullptr;
    RequestCounter folderRequest;
    RequestCounter sheetRequest;
    QFutureWatcher<QVector<TrackInfo>> folderWatcher;
    QFutureWatcher<QVector<TrackInfo>> sheetWatcher;
    QFutureWatcher<OpenFilesPlan> openFilesWatcher;
    QList<QStringList> openFilesQueue;
    bool openFilesRunning = false;
    QPointer<QMenu> sourceMenu;
    bool sourceMenuOpen = false;
    QPointer<QMenu> currentListMenu;
    bool currentMenuOpen = false;
    QPointer<QMenu> selectedListMenu;
    bool selectedMenuOpen = false;

    QColor titleBarColor { 25, 28, 35, 255 };
    QColor titleTextColor { 255, 255, 255, 255 };
    QColor accentColor { 25, 28, 35, 255 };
    PlayingBackground playingBackground;

    // Desktop integration: shortcuts, seeking by click and keys, MPRIS, failure messages.
    void initDesktop();
    // Space: pause while playing, else play (resume, or the selected row).
    void togglePlayback();
    // Play asked for from outside (media key, MPRIS): with no row chosen, the first one.
    void playFromOutside();
    void updateTrayToolTip();
    void onTrackFailed(const QString &path, bool noOutputDevice);
    // The volume sliders of both pages (stored under "volume", restored here), Ctrl+Up/Down,
    // and the elapsed / total time of the playing track.
    void initVolumeAndTime();
    void showVolume(qreal volume);
    void storeVolume();
    void showPlayTime();
    // Both seek bars and the time; while the window is minimised or hidden the value only waits
    // for the window to be shown (ten updates a second were most of what it cost hidden).
    void showProgress(int value);
    void showUnshownProgress();
    int unshownProgress = -1;

    // Tray and window events
    // Decides once whether the window hides to a tray icon or closing quits.
    void initTray();
    // The About dialog, modal.
    void showAbout();
    // Cancels the background look-ups and waits for them; no result reaches the window after.
    void stopBackgroundWork();
    // Null where the desktop has no tray: closing the window then quits.
    QSystemTrayIcon *trayIcon = nullptr;
    TrayMenu *trayMenu = nullptr;
    // The view state saved at the last hide; restorePending stays set once saved.
    bool restorePending = false;
    bool restorePlayingView = false;
    int restoreLibraryPage = -1;

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
