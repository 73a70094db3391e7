#include "ui/mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

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
        playingBackground.paint(painter, ui->swPlayingView->size(), accentColor,
            ui->swPlayingView->devicePixelRatioF());
        return true;
    }

    if ((watched == ui->lbCover || watched == ui->lbCurrentPlayingMusic)
        && event->type() == QEvent::MouseButtonPress) {
        if (hasCurrentTrack())
            showPlayingView();
        return true;
    }

    if (watched == ui->lbCover
        && (event->type() == QEvent::Resize || event->type() == QEvent::Show
            || event->type() == QEvent::ScreenChangeInternal))
        updateCoverLabel();

    return QMainWindow::eventFilter(watched, event);
}
