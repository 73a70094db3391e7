#include "ui/mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

namespace {
const QColor libraryBase(0x42, 0x38, 0x69);
const QString revealIcon =
    QStringLiteral(":/resources/ui/images/default/common/reveal_in_explorer.svg");
} // namespace

void MainWindow::initTransport()
{
    syncPlayButtons();
}

bool MainWindow::hasCurrentTrack() const
{
    return enginePlaying || enginePaused;
}

void MainWindow::syncPlayButtons()
{
    ui->btnPause->setVisible(enginePlaying);
    ui->btnPause->setEnabled(enginePlaying);
    ui->btnPlay->setVisible(!enginePlaying);
    ui->btnPlay->setEnabled(!enginePlaying);
}

void MainWindow::syncPlayingPageButtons()
{
    ui->btnPlayMusic->setVisible(!enginePlaying);
    ui->btnPauseMusic->setVisible(enginePlaying);
}

void MainWindow::updateTransportIcons(const QColor &textColor)
{
    const QSize size(32, 32);
    const struct
    {
        QPushButton *button;
        const char *name;
        bool emphasised;
    } buttons[] = { { ui->btnPrev, "prev", false }, { ui->btnNext, "next", false },
        { ui->btnPlay, "play", true }, { ui->btnPause, "pause", true } };
    for (const auto &b : buttons) {
        b.button->setIcon(drawTransportIcon(
            size, textColor, QString::fromLatin1(b.name), b.emphasised, libraryBase));
        b.button->setIconSize(size);
    }
}

void MainWindow::updatePlayingIcons(const QColor &textColor)
{
    const QColor base = accentColor.lighter(103);
    const QSize glyph(36, 36);
    const QSize iconSize(32, 32);
    ui->btnBack->setIcon(
        drawTransportIcon(glyph, textColor, QStringLiteral("playlist"), false, base));
    ui->btnBack->setIconSize(iconSize);
    if (btnRevealInExplorer) {
        btnRevealInExplorer->setIcon(
            tintedSvgPixmapInRect(revealIcon, iconSize, QRectF(3, 3, 26, 26), textColor));
        btnRevealInExplorer->setIconSize(iconSize);
    }
    const struct
    {
        QPushButton *button;
        const char *name;
        bool emphasised;
    } buttons[] = { { ui->btnPrevMusic, "prev", false }, { ui->btnNextMusic, "next", false },
        { ui->btnPlayMusic, "play", true }, { ui->btnPauseMusic, "pause", true } };
    for (const auto &b : buttons) {
        b.button->setIcon(
            drawTransportIcon(glyph, textColor, QString::fromLatin1(b.name), b.emphasised, base));
        b.button->setIconSize(iconSize);
    }
}
