#include "ui/mainwindow/mainwindow.h"

#include "audio/playbackengine.h"
#include "ui/mainwindow/windowmessages.h"
#include "ui/views/spinningdiscview.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QPainter>

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (!ui)
        return QMainWindow::eventFilter(watched, event);
    if (handlePlaylistDragEvent(watched, event))
        return true;

    if (watched == ui->swPlayingView && event->type() == QEvent::Paint) {
        QPainter painter(ui->swPlayingView);
        // The disc keeps a copy of the page behind it.
        if (playingBackground.paint(painter, ui->swPlayingView->size(), accentColor,
                ui->swPlayingView->devicePixelRatioF())
            && discView)
            discView->backdropChanged();
        return true;
    }

    if ((watched == ui->lbCover || watched == ui->lbCurrentPlayingMusic)
        && event->type() == QEvent::MouseButtonPress) {
        if (hasCurrentTrack())
            showPlayingView();
        return true;
    }

    // A new size or a screen of another pixel density needs the thumbnail scaled again.
    if (watched == ui->lbCover
        && (event->type() == QEvent::Resize || event->type() == QEvent::Show
            || event->type() == QEvent::ScreenChangeInternal))
        updateCoverLabel();

    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange) {
        if (isMinimized())
            saveViewState();
        if (engine)
            engine->setProgressWanted(isVisible() && !isMinimized());
        showUnshownProgress();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveViewState();
    if (!trayIcon || qApp->isSavingSession()) {
        // Nothing could bring a hidden window back, or the session is ending (refusing would
        // block logging out): closing ends the program like the tray's quit entry.
        onQuitRequested();
        event->accept();
        return;
    }
    event->ignore();
    hide();
}

void MainWindow::hideEvent(QHideEvent *event)
{
    saveViewState();
    if (engine)
        engine->setProgressWanted(false);
    QMainWindow::hideEvent(event);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (engine)
        engine->setProgressWanted(!isMinimized());
    showUnshownProgress();
}

bool MainWindow::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    // The playing page paints all of itself; erasing first would flash the plain background.
    if (ui && ui->swMainView && ui->swPlayingView
        && ui->swMainView->currentWidget() == ui->swPlayingView
        && WindowMessages::isEraseBackground(eventType, message)) {
        *result = 1;
        return true;
    }
    return QMainWindow::nativeEvent(eventType, message, result);
}
