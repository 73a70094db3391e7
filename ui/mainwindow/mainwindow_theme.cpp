#include "ui/mainwindow/mainwindow.h"

#include "ui/mainwindow/covertheme.h"
#include "ui/mainwindow/windowframe.h"
#include "ui/views/spinningdiscview.h"
#include "ui_mainwindow.h"

void MainWindow::setTitleBarColors(const QColor &captionColor, const QColor &textColor)
{
    WindowFrame::setCaptionColors(this, captionColor, textColor);
    updateTransportIcons(textColor);
}

void MainWindow::applyCoverTheme(bool updateCaption)
{
    if (!discView)
        return;
    const QColor newAccent = CoverTheme::accentFor(
        discView->primaryColor(), discView->secondaryColor(), discView->isDefaultCover());
    const QColor text = CoverTheme::textColorFor(newAccent);

    // The page's background is painted from accentColor by the event filter.
    ui->swPlayingView->setStyleSheet(QString());
    ui->swPlayingView->update();
    accentColor = newAccent;

    const QString labelStyle = QStringLiteral("color:%1;").arg(text.name());
    ui->lbName->setStyleSheet(labelStyle);
    ui->lbAuthor->setStyleSheet(labelStyle);
    updatePlayingIcons(text);
    applySliderStyle();

    if (updateCaption && (!ui->swMainView || ui->swMainView->currentWidget() == ui->swPlayingView))
        setTitleBarColors(newAccent.darker(102), text);
    discView->setRingColor(newAccent.lighter(103));
}

void MainWindow::applySliderStyle()
{
    ui->hsPlayProcessBar->setStyleSheet(CoverTheme::playBarStyleSheet(accentColor));
    ui->hsPlayProcessSlider->setStyleSheet(CoverTheme::playSliderStyleSheet());
}
