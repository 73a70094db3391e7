// The user's volume and the playing track's time, shown on both pages.
#include "ui/mainwindow/mainwindow.h"

#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "ui/mainwindow/sliderseeker.h"
#include "ui/mainwindow/volumebutton.h"
#include "ui_mainwindow.h"

#include <QShortcut>
#include <QSignalBlocker>

namespace {
const QString volumeKey = QStringLiteral("volume");
constexpr int kVolumeKeyStep = 5; // percent per Ctrl+Up/Down

int percentOf(qreal volume)
{
    return qRound(volume * 100);
}
} // namespace

void MainWindow::initVolumeAndTime()
{
    // The library page's header has no room for a slider: its slider opens from a button.
    for (QSlider *slider : { ui->btnVolume->slider(), ui->hsVolumeMusic }) {
        slider->setRange(0, 100);
        slider->setToolTip(tr("Volume"));
        slider->setAccessibleName(tr("Volume"));
        connect(slider, &QSlider::valueChanged, this,
            [this](int percent) { engine->setVolume(percent / 100.0); });
        // A drag is stored once, when it ends.
        connect(slider, &QSlider::sliderReleased, this, &MainWindow::storeVolume);
    }
    connect(engine, &PlaybackEngine::volumeChanged, this, &MainWindow::showVolume);
    const auto step = [this](int percent) {
        engine->setVolume((percentOf(engine->volume()) + percent) / 100.0);
    };
    connect(new QShortcut(QKeySequence(int(Qt::CTRL) | int(Qt::Key_Up)), this),
        &QShortcut::activated, this, [step]() { step(kVolumeKeyStep); });
    connect(new QShortcut(QKeySequence(int(Qt::CTRL) | int(Qt::Key_Down)), this),
        &QShortcut::activated, this, [step]() { step(-kVolumeKeyStep); });

    bool ok = false;
    const int stored =
        ConfigService::instance()->value(volumeKey, QStringLiteral("100")).toInt(&ok);
    engine->setVolume(ok ? qBound(0, stored, 100) / 100.0 : 1.0);
    showVolume(engine->volume());

    connect(engine, &PlaybackEngine::progressRangeChanged, this, &MainWindow::showPlayTime);
    connect(engine, &PlaybackEngine::playingChanged, this, &MainWindow::showPlayTime);
    connect(engine, &PlaybackEngine::progressSliderReset, this, &MainWindow::showPlayTime);
    connect(engine, &PlaybackEngine::trackFailed, this, &MainWindow::showPlayTime);
}

void MainWindow::showVolume(qreal volume)
{
    for (QSlider *slider : { ui->btnVolume->slider(), ui->hsVolumeMusic }) {
        const QSignalBlocker quiet(slider);
        slider->setValue(percentOf(volume));
    }
    ui->btnVolume->refresh();
    if (!ui->btnVolume->slider()->isSliderDown() && !ui->hsVolumeMusic->isSliderDown())
        storeVolume();
}

void MainWindow::storeVolume()
{
    const QString percent = QString::number(percentOf(engine->volume()));
    if (ConfigService::instance()->value(volumeKey) != percent)
        ConfigService::instance()->setValue(volumeKey, percent);
}

void MainWindow::showProgress(int value)
{
    if (isMinimized() || !isVisible()) {
        unshownProgress = value;
        return;
    }
    unshownProgress = -1;
    ui->hsPlayProcessSlider->setValue(value);
    ui->hsPlayProcessBar->setValue(value);
    showPlayTime();
}

void MainWindow::showUnshownProgress()
{
    if (unshownProgress >= 0)
        showProgress(unshownProgress);
}

void MainWindow::showPlayTime()
{
    QString text;
    if (engine->isPlaying() || engine->isPaused()) {
        const QSlider *bar = ui->hsPlayProcessBar;
        text = SliderSeeker::timeText(bar->value()) + QStringLiteral(" / ")
            + SliderSeeker::timeText(bar->maximum());
    }
    ui->lbPlayTime->setText(text);
    ui->lbPlayTimeMusic->setText(text);
}
