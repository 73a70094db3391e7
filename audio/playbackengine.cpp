#include "audio/playbackengine.h"

#include "audio/audiooutputcontroller.h"
#include "audio/decoderfactory.h"
#include "audio/decoderiodevice.h"
#include "audio/iaudiodecoder.h"

#include <QAudioDeviceInfo>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

namespace {

QString mainWindowText(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// Starts less than 0.01 s apart, judged in whole milliseconds: in doubles 12.01 - 12.0 is
// below 0.01.
bool sameStart(double a, double b)
{
    return qAbs(qRound64(a * 1000) - qRound64(b * 1000)) < 10;
}

} // namespace

PlaybackEngine::PlaybackEngine(QObject *parent)
    : QObject(parent)
    , m_output(new AudioOutputController(this))
{
    m_endTimer.setSingleShot(true);
    // A coarse timer may fire 5 % early: seconds before the end of a long track.
    m_endTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_endTimer, &QTimer::timeout, this, &PlaybackEngine::onPlaybackTimerTimeout);
    m_progressTimer.setInterval(100);
    connect(&m_progressTimer, &QTimer::timeout, this, &PlaybackEngine::onProgressTick);
}

PlaybackEngine::~PlaybackEngine()
{
    shutdown();
}

void PlaybackEngine::shutdown()
{
    stopPlayback();
    m_output->shutdown();
    m_endTimer.stop();
}

void PlaybackEngine::setPlayQueue(const QVector<TrackInfo> &queue)
{
    m_playQueue = queue;
    m_currentIndex = -1;
}

void PlaybackEngine::setCurrentIndex(int index)
{
    m_currentIndex = index >= 0 && index < m_playQueue.size() ? index : -1;
}

int PlaybackEngine::indexOfTrack(const QString &path, double startSeconds) const
{
    for (int i = 0; i < m_playQueue.size(); ++i) {
        const TrackInfo &entry = m_playQueue.at(i);
        if (entry.filePath == path && sameStart(entry.startSeconds, startSeconds))
            return i;
    }
    return -1;
}

qint64 PlaybackEngine::heardFilePosition() const
{
    if (m_paused && m_pausedPosition >= 0)
        return m_pausedPosition;
    return m_device ? m_device->playedPositionMs() : 0;
}

qint64 PlaybackEngine::positionMs() const
{
    return m_device ? heardFilePosition() - startMs() : 0;
}

int PlaybackEngine::endTimerRemainingMs() const
{
    return m_endTimer.isActive() ? m_endTimer.remainingTime() : -1;
}

double PlaybackEngine::fadeGain(qint64 filePositionMs) const
{
    const double fadeIn = m_queueSwitched ? m_switchFadeInLength : m_fadeInLength;
    const qint64 elapsed = filePositionMs - startMs();
    double gain = 1.0;
    if (elapsed >= 0 && elapsed < fadeIn)
        gain = qMax(0.0, elapsed / fadeIn);
    if (m_trackDuration > 0) {
        const qint64 remaining = startMs() + durationMs() - filePositionMs;
        if (remaining >= 0 && remaining < m_fadeOutLength)
            gain = qMin(gain, qMax(0.0, double(remaining) / m_fadeOutLength));
    }
    return gain;
}

void PlaybackEngine::setOutputVolume(double volume)
{
    m_volume = volume;
    m_output->setVolume(volume);
}

void PlaybackEngine::cancelFade()
{
    if (m_fadeTimer) {
        m_fadeTimer->stop();
        m_fadeTimer->deleteLater();
        m_fadeTimer = nullptr;
    }
    delete m_fadeClock;
    m_fadeClock = nullptr;
    // A switch waiting for this fade will never happen: let Next work again.
    if (m_fadeCarriesSwitch) {
        m_fadeCarriesSwitch = false;
        m_switching = false;
    }
}

void PlaybackEngine::fadeVolume(
    double from, double to, int durationMs, const std::function<void()> &onFinished)
{
    if (!m_output->hasOutput() || durationMs <= 0) {
        if (m_output->hasOutput())
            setOutputVolume(to);
        if (onFinished)
            onFinished();
        return;
    }
    cancelFade();
    m_fadeClock = new QElapsedTimer;
    m_fadeClock->start();
    auto *timer = new QTimer(this);
    m_fadeTimer = timer;
    timer->setInterval(15);
    connect(timer, &QTimer::timeout, this, [this, timer, from, to, durationMs, onFinished] {
        if (timer != m_fadeTimer) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        const qint64 elapsed = m_fadeClock ? m_fadeClock->elapsed() : durationMs;
        if (elapsed < durationMs) {
            setOutputVolume(from + (to - from) * double(elapsed) / durationMs);
            return;
        }
        setOutputVolume(to);
        timer->stop();
        timer->deleteLater();
        m_fadeTimer = nullptr;
        delete m_fadeClock;
        m_fadeClock = nullptr;
        m_fadeCarriesSwitch = false;
        if (onFinished)
            onFinished();
    });
    timer->start();
}

void PlaybackEngine::startAudioOutput(const QAudioFormat &format, int bufferSize, bool startSilent)
{
    if (startSilent)
        m_volume = 0.0;
    m_output->start(format, bufferSize, m_device, m_volume);
}

void PlaybackEngine::releaseTrack()
{
    if (m_output->hasOutput())
        m_output->teardown();
    if (m_device) {
        m_device->close();
        delete m_device;
        m_device = nullptr;
    }
    if (m_decoder) {
        m_decoder->close();
        delete m_decoder;
        m_decoder = nullptr;
    }
}

void PlaybackEngine::playTrack(const QString &path, double startSeconds, double durationSeconds)
{
    if (m_playing)
        stopPlayback();
    cancelFade();
    m_currentPath = path;
    m_trackStart = startSeconds;
    m_trackDuration = durationSeconds;
    m_paused = false;
    releaseTrack();

    m_decoder = DecoderFactory::openDecoder(path, this);
    if (!m_decoder) {
        emit trackFailed(path, false);
        return;
    }

    m_format = DecoderFactory::negotiateFormat(m_decoder, QAudioDeviceInfo::defaultOutputDevice());
    if (!m_format.isValid()) {
        // No output device: nothing could pull the audio, and the track would never end.
        releaseTrack();
        emit trackFailed(path, true);
        return;
    }
    const int bufferSize = DecoderFactory::bufferSizeBytes(m_format);
    const qint64 totalMs = m_decoder->durationMs();
    const qint64 trackMs =
        durationSeconds > 0 ? durationMs() : qMax<qint64>(0, totalMs - startMs());
    m_progressMaximum = int(trackMs > 0 ? trackMs : totalMs);

    m_masterVolume = 1.0;
    m_volume = 1.0;
    m_device = new DecoderIODevice(m_decoder, this);
    m_device->setOutputFormat(
        m_format.sampleSize(), m_format.sampleType() == QAudioFormat::Float ? 3 : 1);
    if (startMs() > 0)
        m_device->seekDecoder(startMs());
    if (durationSeconds > 0)
        m_device->setEndPositionMs(startMs() + durationMs());
    m_device->open(QIODevice::ReadOnly);
    connect(m_device, &DecoderIODevice::levelChanged, this, &PlaybackEngine::levelChanged);
    emit visualsActiveChanged(true);
    emit progressRangeChanged(m_progressMaximum);

    startAudioOutput(m_format, bufferSize, m_fadeEnabled);
    m_progressTimer.start();
    if (durationSeconds > 0)
        armEndTimer(startMs());
    m_playing = true;
    emit playingChanged(true);
    emit trackStarted(path, m_currentTitle);
}

void PlaybackEngine::stopPlayback()
{
    cancelFade();
    m_progressTimer.stop();
    releaseTrack();
    m_endTimer.stop();
    m_playing = false;
    m_paused = false;
    m_pausedPosition = -1;
    m_currentPath.clear();
    m_trackStart = 0;
    m_trackDuration = 0;
    emit playingChanged(false);
    emit progressSliderReset();
    emit visualsActiveChanged(false);
}

void PlaybackEngine::armEndTimer(qint64 filePositionMs)
{
    m_endTimer.stop();
    if (m_trackDuration <= 0)
        return;
    m_endTimerPosition = filePositionMs;
    m_endTimer.start(int(qMax<qint64>(1, startMs() + durationMs() - filePositionMs)));
}

void PlaybackEngine::onPlaybackTimerTimeout()
{
    // The timer is a backstop for an output that stalls. While the heard position still
    // advances towards the end, the position decides, and the timer waits for the rest.
    if (m_device && m_playing && !m_device->isFinished()) {
        const qint64 heard = m_device->playedPositionMs();
        if (heard > m_endTimerPosition && heard < startMs() + durationMs()) {
            armEndTimer(heard);
            return;
        }
    }
    finishTrack();
}

void PlaybackEngine::onProgressTick()
{
    if (!m_decoder || !m_device || m_sliderDragging)
        return;
    const qint64 pos = heardFilePosition();
    if (pos < 0)
        return;
    const qint64 totalMs = m_decoder->durationMs();
    const bool endReached =
        m_trackDuration > 0 ? pos >= startMs() + durationMs() : totalMs > 0 && pos >= totalMs;
    if (endReached || m_device->isFinished()) {
        finishTrack();
        return;
    }
    // A running ramp (the switch fade-out) owns the volume until it ends.
    if (m_output->hasOutput() && m_fadeEnabled && !m_fadeTimer)
        setOutputVolume(m_masterVolume * fadeGain(pos));
    emit progressChanged(int(qBound<qint64>(0, pos - startMs(), m_progressMaximum)));
}

QString PlaybackEngine::titleOf(const TrackInfo &entry)
{
    return entry.wholeFile ? QFileInfo(entry.filePath).completeBaseName() : entry.title;
}

void PlaybackEngine::switchTo(int index, bool guarded)
{
    const TrackInfo entry = m_playQueue.at(index);
    m_currentTitle = titleOf(entry);
    auto doSwitch = [this, entry, index, guarded] {
        playTrack(entry.filePath, entry.startSeconds, entry.durationSeconds);
        m_currentIndex = index;
        m_queueSwitched = true;
        emit playingRowChanged(index);
        if (guarded)
            m_switching = false;
    };
    if (guarded)
        m_switching = true;
    if (m_output->hasOutput() && m_playing) {
        fadeVolume(m_volume, 0.0, m_switchFadeOutLength, doSwitch);
        m_fadeCarriesSwitch = guarded && m_fadeTimer;
    } else {
        doSwitch();
    }
}

void PlaybackEngine::finishTrack()
{
    if (!m_playQueue.isEmpty()) {
        playNext();
        return;
    }
    if (m_switching)
        return;
    // Nothing follows: the output still holds the track's last moments; let them play out
    // during the fade-out (over silence) before stopping.
    m_switching = true;
    fadeVolume(m_volume, 0.0, m_switchFadeOutLength, [this] {
        stopPlayback();
        m_switching = false;
    });
    m_fadeCarriesSwitch = m_fadeTimer != nullptr;
}

void PlaybackEngine::playNext()
{
    if (m_playQueue.isEmpty()) {
        stopPlayback();
        return;
    }
    if (m_switching)
        return;
    switchTo(m_currentIndex >= 0 ? (m_currentIndex + 1) % m_playQueue.size() : 0, true);
}

void PlaybackEngine::playPrevious()
{
    if (m_playQueue.isEmpty())
        return;
    switchTo(m_currentIndex > 0 ? m_currentIndex - 1 : m_playQueue.size() - 1, false);
}

void PlaybackEngine::playSelected(const TrackInfo *selectedRow)
{
    if (m_paused && !m_currentPath.isEmpty() && m_decoder && m_output->hasOutput() && m_device) {
        if (!selectedRow
            || (selectedRow->filePath == m_currentPath
                && sameStart(selectedRow->startSeconds, m_trackStart))) {
            resumePlayback();
            return;
        }
    }
    if (!selectedRow) {
        emit informationRequested(mainWindowText(QT_TRANSLATE_NOOP("MainWindow",
            "Please select a song from the current music list on the right to play")));
        return;
    }
    if (m_playing)
        stopPlayback();
    const TrackInfo row = *selectedRow;
    m_currentTitle = row.title;
    m_currentIndex = indexOfTrack(row.filePath, row.startSeconds);
    if (row.filePath.isEmpty()) {
        emit informationRequested(
            mainWindowText(QT_TRANSLATE_NOOP("MainWindow", "Unable to get audio file path")));
        return;
    }
    emit progressSliderShown();
    playTrack(row.filePath, row.startSeconds, row.durationSeconds);
    if (m_currentIndex >= 0)
        emit playingRowChanged(m_currentIndex);
}

void PlaybackEngine::pause()
{
    if (!m_decoder || !m_output->hasOutput() || !m_device)
        return;
    // Paused already: the output holds nothing more and the saved position stays right.
    if (m_paused)
        return;
    m_endTimer.stop();
    m_progressTimer.stop();
    const int unplayed = m_output->pause();
    const int frameBytes = m_format.bytesPerFrame() > 0 ? m_format.bytesPerFrame() : 1;
    const qint64 unplayedMs = qint64(unplayed) / frameBytes * 1000 / qMax(1, m_format.sampleRate());
    m_pausedPosition = qMax<qint64>(0, m_device->playedPositionMs() - unplayedMs);
    m_paused = true;
    m_playing = false;
    emit playingChanged(false);
    emit visualsActiveChanged(false);
}

void PlaybackEngine::resumePlayback()
{
    if (!m_decoder || !m_output->hasOutput() || !m_device)
        return;
    const qint64 pos =
        m_pausedPosition >= 0 ? m_pausedPosition : qMax<qint64>(0, m_device->playedPositionMs());
    if (m_trackDuration > 0 && startMs() + durationMs() - pos <= 0) {
        stopPlayback();
        return;
    }
    m_device->seekDecoder(pos);
    // Qt applies the volume as it writes: starting silent would drop the first buffer.
    if (m_fadeEnabled)
        setOutputVolume(m_masterVolume * fadeGain(pos));
    m_output->resume();
    m_progressTimer.start();
    armEndTimer(pos);
    m_paused = false;
    m_playing = true;
    emit playingChanged(true);
    emit visualsActiveChanged(true);
}

void PlaybackEngine::onPlayProgressSliderPressed()
{
    m_sliderDragging = true;
}

void PlaybackEngine::seekTo(qint64 filePositionMs, bool restartOutput)
{
    m_sliderDragging = false;
    if (!m_decoder || !m_device)
        return;
    m_device->seekDecoder(filePositionMs);
    if (m_paused) {
        // Nothing plays while paused; resume starts from here.
        m_pausedPosition = filePositionMs;
        return;
    }
    if (restartOutput && m_output->hasOutput())
        m_output->restart();
    if (m_playing)
        armEndTimer(filePositionMs);
}

void PlaybackEngine::onPlayProgressSliderReleased(int value)
{
    seekTo(value + startMs(), true);
}

void PlaybackEngine::onPlayProgressBarReleased(int value)
{
    seekTo(value + startMs(), false);
}
