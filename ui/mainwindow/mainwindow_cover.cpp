#include "ui/mainwindow/mainwindow.h"

#include "ui/mainwindow/iconpainter.h"
#include "ui/views/spinningdiscview.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>

void MainWindow::setCoverImage(const QPixmap &pixmap)
{
    coverImage = pixmap.isNull() ? QImage() : pixmap.toImage();
    coverPixmap = QPixmap();
    coverPixmapSize = QSize();
    updateCoverLabel();
}

void MainWindow::updateCoverLabel()
{
    QLabel *label = ui ? ui->lbCover : nullptr;
    if (!label)
        return;
    const QSize size = label->size();
    if (size.width() <= 0 || size.height() <= 0)
        return;
    double ratio = label->devicePixelRatioF();
    if (ratio <= 0)
        ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;

    if (!coverPixmap.isNull() && coverPixmapSize == size
        && qFuzzyCompare(coverPixmapRatio, ratio)) {
        label->setPixmap(coverPixmap);
        return;
    }
    if (coverImage.isNull()) {
        label->clear();
        return;
    }
    const QSize target(
        qMax(1, qRound(size.width() * ratio)), qMax(1, qRound(size.height() * ratio)));
    const QSize scaledSize = coverImage.size().isValid()
        ? coverImage.size().scaled(target, Qt::KeepAspectRatio)
        : target;
    QPixmap pixmap = QPixmap::fromImage(
        coverImage.scaled(scaledSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    coverPixmap = pixmap;
    coverPixmapSize = size;
    coverPixmapRatio = ratio;
    label->setPixmap(coverPixmap);
}
