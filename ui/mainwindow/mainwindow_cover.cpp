#include "ui/mainwindow/mainwindow.h"

#include "media/mediatools.h"
#include "ui/mainwindow/iconpainter.h"
#include "ui/views/spinningdiscview.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QtConcurrent/QtConcurrentRun>

namespace {
QPixmap placeholderCover()
{
    const QPixmap resource(QString::fromLatin1(IconPainter::coverResource));
    return resource.isNull() ? IconPainter::defaultCoverPixmap(QSize(256, 256)) : resource;
}
} // namespace

void MainWindow::loadCover(const QString &path, bool resetNow)
{
    const QString nativePath = QDir::toNativeSeparators(path);
    const QFileInfo info(nativePath);
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();

    const int request = ++coverRequest;
    const QPixmap placeholder = placeholderCover();
    setCoverImage(placeholder);
    if (resetNow && discView) {
        discView->setCover(placeholder, true);
        applyCoverTheme(false);
    }

    coverWatcher.setFuture(QtConcurrent::run(&MediaTools::lookupCover, folder, path));
    coverWatcher.disconnect(this);
    connect(&coverWatcher, &QFutureWatcher<QString>::finished, this,
        [this, request, placeholder]() { onCoverFound(request, placeholder); });
}

void MainWindow::onCoverFound(int request, const QPixmap &placeholder)
{
    if (request != coverRequest)
        return; // a newer lookup has started since
    const QString coverPath =
        coverWatcher.future().resultCount() > 0 ? coverWatcher.result() : QString();
    QImage image;
    if (!coverPath.isEmpty()) {
        QImageReader reader(coverPath);
        reader.setAutoTransform(true);
        image = reader.read();
    }
    if (image.isNull()) {
        setCoverImage(placeholder);
        if (discView)
            discView->setCover(placeholder, true);
    } else {
        coverImage = image;
        coverPixmap = QPixmap();
        coverPixmapSize = QSize();
        updateCoverLabel();
        if (discView)
            discView->setCover(QPixmap::fromImage(image), false);
    }
    applyCoverTheme(true);
    emit playingCoverChanged(image.isNull() ? QString() : coverPath);
}

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
