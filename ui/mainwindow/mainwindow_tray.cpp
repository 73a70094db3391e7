#include "ui/mainwindow/mainwindow.h"

#include "audio/playbackengine.h"
#include "ui/mainwindow/trayavailability.h"
#include "ui/views/aboutview.h"
#include "ui/views/traymenu.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QTimer>

namespace {
const QString trayIconResource = QStringLiteral(":/resources/ui/images/default/common/icon.png");
const QColor trayGlyphColor(0xb4, 0xaf, 0xd0);
} // namespace

void MainWindow::initTray()
{
    // Only a tray keeps the program reachable once its window is gone; without one, the last
    // window closing may end it.
    const bool haveTray = TrayAvailability::isAvailable();
    QApplication::setQuitOnLastWindowClosed(!haveTray);
    if (!haveTray || trayIcon)
        return;

    trayIcon = new QSystemTrayIcon(QIcon(trayIconResource), this);
    trayMenu = new TrayMenu(
        [](const QString &glyph) {
            return QIcon(drawTransportIcon(QSize(16, 16), trayGlyphColor, glyph, false, QColor()));
        },
        this);
    connect(trayMenu->playAction(), &QAction::triggered, this, &MainWindow::on_btnPlay_clicked);
    connect(trayMenu->pauseAction(), &QAction::triggered, this, &MainWindow::on_btnPause_clicked);
    connect(trayMenu->previousAction(), &QAction::triggered, this, &MainWindow::on_btnPrev_clicked);
    connect(trayMenu->nextAction(), &QAction::triggered, this, &MainWindow::on_btnNext_clicked);
    connect(trayMenu->quitAction(), &QAction::triggered, this, &MainWindow::onQuitRequested);
    trayMenu->insertAction(trayMenu->quitAction(), gaplessAction);
    trayMenu->insertSeparator(trayMenu->quitAction());
    trayIcon->setContextMenu(trayMenu);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::onTrayActivated);
    trayIcon->show();
}

void MainWindow::onTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    // A right click only opens the menu.
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return;

    bool showPlaying = restorePlayingView;
    int page = restoreLibraryPage;
    if (!restorePending && ui->swMainView && ui->stackedWidget) {
        showPlaying = ui->swMainView->currentWidget() == ui->swPlayingView;
        page = ui->stackedWidget->currentIndex();
    }
    if (showPlaying) {
        showPlayingView();
    } else {
        showLibraryView();
        if (page >= 0)
            ui->stackedWidget->setCurrentIndex(page);
    }

    // Back from minimised, but a maximised window stays maximised.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    QTimer::singleShot(0, this, [this]() {
        if (ui)
            ui->swPlayingView->repaint();
    });
}

void MainWindow::saveViewState()
{
    if (!ui)
        return;
    restorePending = true;
    restorePlayingView = ui->swMainView->currentWidget() == ui->swPlayingView;
    restoreLibraryPage = ui->stackedWidget->currentIndex();
}

void MainWindow::onQuitRequested()
{
    engine->stopPlayback();
    stopBackgroundWork();
    // The start-up code deletes the window once the loop has returned.
    QCoreApplication::quit();
}

void MainWindow::stopBackgroundWork()
{
    coverWatcher.disconnect(this);
    coverWatcher.cancel();
    coverWatcher.waitForFinished();
    // A sheet parse may wait seconds for its probe: its result is dropped rather than awaited.
    folderWatcher.disconnect(this);
    sheetWatcher.disconnect(this);
    openFilesWatcher.disconnect(this);
    openFilesQueue.clear();
}

void MainWindow::showAbout()
{
    AboutView about(this);
    about.exec();
}
