#include "ui/mainwindow/mainwindow.h"

#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "ui/mainwindow/volumebutton.h"
#include "ui/views/audiowaveview.h"
#include "ui/views/messageboxview.h"
#include "ui/views/spinningdiscview.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QFileInfo>

namespace {
const QString gaplessKey = QStringLiteral("gaplessPlayback");
const QColor libraryBase(0x42, 0x38, 0x69);
const QString revealIcon =
    QStringLiteral(":/resources/ui/images/default/common/reveal_in_explorer.svg");

// The track a row of the current list carries in column 0.
TrackInfo trackOfRow(const QTreeWidgetItem *item)
{
    TrackInfo track;
    track.title = item->text(0);
    track.filePath = item->data(0, Qt::UserRole).toString();
    track.startSeconds = item->data(0, Qt::UserRole + 1).toDouble();
    track.durationSeconds = item->data(0, Qt::UserRole + 2).toDouble();
    track.fileType = item->data(0, Qt::UserRole + 3).toString();
    track.number = item->data(0, Qt::UserRole + 5).toInt();
    track.wholeFile = item->data(0, Qt::UserRole + 6).toBool();
    track.cuePath = item->data(0, Qt::UserRole + 8).toString();
    return track;
}
} // namespace

void MainWindow::initTransport()
{
    connect(engine, &PlaybackEngine::playingChanged, this, [this]() {
        syncPlayButtons();
        syncPlayingPageButtons();
    });
    connect(engine, &PlaybackEngine::trackStarted, this, &MainWindow::onTrackStarted);
    connect(engine, &PlaybackEngine::progressRangeChanged, this, [this](int maximum) {
        unshownProgress = -1;
        for (QSlider *slider : { ui->hsPlayProcessSlider, ui->hsPlayProcessBar }) {
            slider->setRange(0, maximum);
            slider->setValue(0);
        }
    });
    connect(engine, &PlaybackEngine::progressChanged, this, &MainWindow::showProgress);
    connect(engine, &PlaybackEngine::progressSliderReset, this, [this]() {
        unshownProgress = -1;
        ui->hsPlayProcessSlider->setValue(0);
    });
    connect(engine, &PlaybackEngine::progressSliderShown, ui->hsPlayProcessSlider, &QWidget::show);
    connect(engine, &PlaybackEngine::visualsActiveChanged, this, [this](bool active) {
        if (audioWaveView)
            audioWaveView->setActive(active);
        if (!discView)
            return;
        if (active)
            discView->startSpin();
        else
            discView->stopSpin();
    });
    if (audioWaveView) {
        connect(engine, &PlaybackEngine::levelChanged, audioWaveView,
            qOverload<float, float>(&AudioWaveView::pushLevel));
        connect(
            audioWaveView, &AudioWaveView::frameStarting, engine, &PlaybackEngine::publishLevel);
        engine->setLevelsWanted(audioWaveView->isAnimating());
        connect(audioWaveView, &AudioWaveView::animatingChanged, engine,
            &PlaybackEngine::setLevelsWanted);
    }
    connect(engine, &PlaybackEngine::informationRequested, this,
        [](const QString &text) { MessageBoxView::information(text); });

    gaplessAction = new QAction(tr("Gapless Playback"), this);
    gaplessAction->setCheckable(true);
    const bool gapless = ConfigService::instance()->value(gaplessKey, QStringLiteral("false"))
        == QLatin1String("true");
    gaplessAction->setChecked(gapless);
    engine->setGaplessEnabled(gapless);
    connect(gaplessAction, &QAction::toggled, this, [this](bool on) {
        engine->setGaplessEnabled(on);
        ConfigService::instance()->setValue(
            gaplessKey, on ? QStringLiteral("true") : QStringLiteral("false"));
    });

    connect(ui->hsPlayProcessSlider, &QSlider::sliderPressed, this,
        &MainWindow::onPlayProgressSliderPressed);
    connect(ui->hsPlayProcessSlider, &QSlider::sliderReleased, this,
        &MainWindow::onPlayProgressSliderReleased);
    syncPlayButtons();
}

void MainWindow::connectPlayingPageTransport()
{
    connect(ui->btnPrevMusic, &QPushButton::clicked, this, &MainWindow::on_btnPrev_clicked);
    connect(ui->btnPlayMusic, &QPushButton::clicked, this, &MainWindow::on_btnPlay_clicked);
    connect(ui->btnPauseMusic, &QPushButton::clicked, this, &MainWindow::on_btnPause_clicked);
    connect(ui->btnNextMusic, &QPushButton::clicked, this, &MainWindow::on_btnNext_clicked);
    connect(ui->hsPlayProcessBar, &QSlider::sliderPressed, this,
        &MainWindow::onPlayProgressSliderPressed);
    connect(ui->hsPlayProcessBar, &QSlider::sliderReleased, this,
        &MainWindow::onPlayProgressBarReleased);
}

void MainWindow::onTrackStarted(const QString &path, const QString &title)
{
    ui->hsPlayProcessSlider->setEnabled(true);
    ui->lbCurrentPlayingMusic->setText(title);
    ui->lbName->setText(title);
    ui->lbAuthor->clear();
    if (discView)
        loadCover(path, true);
}

bool MainWindow::hasCurrentTrack() const
{
    return engine->isPlaying() || engine->isPaused();
}

void MainWindow::syncPlayButtons()
{
    const bool playing = engine->isPlaying();
    ui->btnPause->setVisible(playing);
    ui->btnPause->setEnabled(playing);
    ui->btnPlay->setVisible(!playing);
    ui->btnPlay->setEnabled(!playing);
}

void MainWindow::syncPlayingPageButtons()
{
    const bool playing = engine->isPlaying();
    ui->btnPlayMusic->setVisible(!playing);
    ui->btnPauseMusic->setVisible(playing);
}

void MainWindow::on_btnPlay_clicked()
{
    const QTreeWidgetItem *item = ui->twCurrentMusicView->currentItem();
    if (!item) {
        engine->playSelected(nullptr);
        return;
    }
    const TrackInfo row = trackOfRow(item);
    // A file that is gone, or a pipe in its place, is known before anything stops: what plays
    // goes on, and the message names the file and the reason.
    if (!row.filePath.isEmpty() && !QFileInfo(row.filePath).isFile()) {
        MessageBoxView::information(playFailureText(row.filePath, false));
        return;
    }
    engine->playSelected(&row);
}

void MainWindow::on_btnPause_clicked()
{
    engine->pause();
}

void MainWindow::on_btnNext_clicked()
{
    // With an empty queue the engine stops, as the transport's state table has it.
    engine->playNext();
}

void MainWindow::on_btnPrev_clicked()
{
    engine->playPrevious();
}

void MainWindow::onPlayProgressSliderPressed()
{
    engine->onPlayProgressSliderPressed();
}

void MainWindow::onPlayProgressSliderReleased()
{
    engine->onPlayProgressSliderReleased(ui->hsPlayProcessSlider->value());
}

void MainWindow::onPlayProgressBarReleased()
{
    engine->onPlayProgressBarReleased(ui->hsPlayProcessBar->value());
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
    ui->btnVolume->setGlyphColor(textColor);
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
