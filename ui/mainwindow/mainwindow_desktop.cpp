// What a desktop player offers beyond its buttons: keyboard shortcuts, seeking by click and
// arrow keys, media keys and other programs over MPRIS, the tray's tooltip and clear messages
// when a track cannot be played.
#include "ui/mainwindow/mainwindow.h"

#include "audio/playbackengine.h"
#include "ui/mainwindow/sliderseeker.h"
#include "ui/views/messageboxview.h"
#include "ui_mainwindow.h"

#include <QFileInfo>
#include <QShortcut>
#include <QTimer>

#ifndef Q_OS_WIN
#include "ui/mainwindow/mprisservice_unix.h"
#include <QDBusConnection>
#endif

namespace {
constexpr int kArrowSeekMs = 5000;
} // namespace

void MainWindow::initDesktop()
{
    auto shortcut = [this](const QKeySequence &keys, QWidget *scope, void (MainWindow::*slot)()) {
        auto *s = new QShortcut(keys, scope);
        s->setContext(scope == this ? Qt::WindowShortcut : Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence(Qt::Key_Space), this, &MainWindow::togglePlayback);
    shortcut(
        QKeySequence(int(Qt::CTRL) | int(Qt::Key_Left)), this, &MainWindow::on_btnPrev_clicked);
    shortcut(
        QKeySequence(int(Qt::CTRL) | int(Qt::Key_Right)), this, &MainWindow::on_btnNext_clicked);
    shortcut(QKeySequence(Qt::Key_Return), ui->twCurrentMusicView, &MainWindow::on_btnPlay_clicked);
    shortcut(QKeySequence(Qt::Key_Enter), ui->twCurrentMusicView, &MainWindow::on_btnPlay_clicked);
    initVolumeAndTime();

    connect(new SliderSeeker(ui->hsPlayProcessSlider, kArrowSeekMs), &SliderSeeker::seekRequested,
        engine, &PlaybackEngine::onPlayProgressSliderReleased);
    connect(new SliderSeeker(ui->hsPlayProcessBar, kArrowSeekMs), &SliderSeeker::seekRequested,
        engine, &PlaybackEngine::onPlayProgressBarReleased);

    connect(engine, &PlaybackEngine::trackFailed, this, &MainWindow::onTrackFailed);
    connect(engine, &PlaybackEngine::trackStarted, this, &MainWindow::updateTrayToolTip);
    connect(engine, &PlaybackEngine::playingChanged, this, &MainWindow::updateTrayToolTip);
    updateTrayToolTip();

#ifndef Q_OS_WIN
    MprisService::Actions actions;
    actions.play = [this]() { playFromOutside(); };
    actions.raise = [this]() { onTrayActivated(QSystemTrayIcon::Trigger); };
    actions.quit = [this]() { onQuitRequested(); };
    actions.openFiles = [this](const QStringList &files) { openFiles(files); };
    auto *mpris = new MprisService(engine, actions, this);
    // Without a session bus the player simply has no media keys.
    if (mpris->registerOn(QDBusConnection::sessionBus()))
        connect(this, &MainWindow::playingCoverChanged, mpris, &MprisService::setArtPath);
    else
        delete mpris;
#endif
}

void MainWindow::togglePlayback()
{
    if (engine->isPlaying())
        on_btnPause_clicked();
    else
        on_btnPlay_clicked();
}

void MainWindow::playFromOutside()
{
    if (engine->isPlaying())
        return;
    // No one is there to pick a row: the first one plays.
    QTreeWidget *list = ui->twCurrentMusicView;
    if (!engine->isPaused() && !list->currentItem()) {
        if (list->topLevelItemCount() == 0)
            return;
        list->setCurrentItem(list->topLevelItem(0));
    }
    on_btnPlay_clicked();
}

void MainWindow::updateTrayToolTip()
{
    if (!trayIcon)
        return;
    const QString title = engine->currentTitle();
    const bool loaded = engine->isPlaying() || engine->isPaused();
    trayIcon->setToolTip(loaded && !title.isEmpty() ? QStringLiteral("Quellin - ") + title
                                                    : QStringLiteral("Quellin"));
}

QString MainWindow::playFailureText(const QString &path, bool noOutputDevice)
{
    const QFileInfo info(path);
    const QString name = info.fileName().isEmpty() ? path : info.fileName();
    if (!info.exists())
        return tr("Cannot play \"%1\": the file does not exist.").arg(name);
    if (!info.isFile())
        return tr("Cannot play \"%1\": it is not a regular file.").arg(name);
    if (!info.isReadable())
        return tr("Cannot play \"%1\": the file cannot be read.").arg(name);
    if (noOutputDevice)
        return tr("Cannot play \"%1\": no audio output device is available.").arg(name);
    return tr("Cannot play \"%1\": no decoder can open this file.").arg(name);
}

void MainWindow::onTrackFailed(const QString &path, bool noOutputDevice)
{
    // Nothing plays now: no title of an earlier track, no stopped playing page.
    ui->lbCurrentPlayingMusic->clear();
    ui->lbName->clear();
    ui->lbAuthor->clear();
    unshownProgress = -1;
    ui->hsPlayProcessSlider->setValue(0);
    ui->hsPlayProcessBar->setValue(0);
    if (ui->swMainView->currentWidget() == ui->swPlayingView)
        showLibraryView();
    updateTrayToolTip();
    // The engine is still inside its call: the box waits for the next turn of the loop.
    const QString text = playFailureText(path, noOutputDevice);
    QTimer::singleShot(0, this, [text]() { MessageBoxView::information(text); });
}
