#include "audio/playbackengine.h"

#include "audio/audiooutputcontroller.h"
#include "audio/decoderfactory.h"
#include "audio/decoderiodevice.h"
#include "audio/iaudiodecoder.h"

#include <QAudioDeviceInfo>
#include <QCoreApplication>
#include <QFileInfo>

namespace {

QString mainWindowText(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

} // namespace

// Less than 0.01 s apart, judged in whole milliseconds: in doubles 12.01 - 12.0 is below 0.01.
bool PlaybackEngine::sameStart(double a, double b)
{
    return qAbs(qRound64(a * 1000) - qRound64(b * 1000)) < 10;
}

PlaybackEngine::PlaybackEngine(QObject *parent)
    : QObject(parent)
    , m_output(new AudioOutputController(this))
{
    m_endTimer.setSingleShot(true);
    // A coarse timer may fire 5 % early: seconds before the end of a long track.
    m_endTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_endTimer, &QTimer::timeout, this, &PlaybackEngine::onPlaybackTimerTimeout);
    connect(&m_progressTimer, &QTimer::timeout, this, &PlaybackEngine::onProgressTick);
    m_switchTimer.setInterval(15);
    connect(&m_switchTimer, &QTimer::timeout, this, &PlaybackEngine::onSwitchStep);
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
    m_silentTracks = 0;
    planDevice();
}

void PlaybackEngine::setCurrentIndex(int index)
{
    m_currentIndex = index >= 0 && index < m_playQueue.size() ? index : -1;
    planDevice();
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

qint64 PlaybackEngine::framesToMs(qint64 frames) const
{
    const int rate = m_device ? m_device->sampleRate() : 0;
    return rate > 0 ? (frames * 1000 + rate / 2) / rate : 0;
}

qint64 PlaybackEngine::msToFrames(qint64 ms) const
{
    const int rate = m_device ? m_device->sampleRate() : 0;
    return ms * rate / 1000;
}

qint64 PlaybackEngine::heardFrame() const
{
    if (m_paused && m_pausedFrame >= 0)
        return m_pausedFrame;
    return m_device ? m_device->playedFrame() : 0;
}

qint64 PlaybackEngine::positionMs() const
{
    return m_device ? framesToMs(heardFrame() - m_startFrame) : 0;
}

int PlaybackEngine::endTimerRemainingMs() const
{
    return m_endTimer.isActive() ? m_endTimer.remainingTime() : -1;
}

double PlaybackEngine::fadeGain(qint64 filePositionMs) const
{
    if (!m_device)
        return 1.0;
    return m_device->gainAt(
        DecoderIODevice::frameAt(filePositionMs / 1000.0, m_device->sampleRate()));
}

void PlaybackEngine::setVolume(qreal volume)
{
    const qreal bounded = qBound<qreal>(0.0, volume, 1.0);
    if (qFuzzyCompare(bounded + 1.0, m_volume + 1.0))
        return;
    m_volume = bounded;
    m_output->setVolume(m_volume);
    emit volumeChanged(m_volume);
}

void PlaybackEngine::setFadeEnabled(bool enabled)
{
    m_fadeEnabled = enabled;
    planDevice();
}

void PlaybackEngine::setGaplessEnabled(bool enabled)
{
    m_gapless = enabled;
    planDevice();
}

void PlaybackEngine::setLevelsWanted(bool wanted)
{
    m_levelsWanted = wanted;
    if (m_device)
        m_device->setLevelsWanted(wanted);
}

void PlaybackEngine::setProgressWanted(bool wanted)
{
    if (m_progressWanted == wanted)
        return;
    m_progressWanted = wanted;
    if (!m_progressTimer.isActive())
        return;
    // Shown again: the bars catch up now, not at the end of a long hidden interval.
    if (wanted)
        onProgressTick();
    if (m_progressTimer.isActive())
        startProgressTimer();
}

int PlaybackEngine::progressInterval() const
{
    const int shown = 100;
    // While hidden a CUE track's end comes from the end timer and a file cut short shows as the
    // device finishing; a half-second look is enough for both. A whole file has no end timer:
    // its end is looked for when due. A join into the next file is planned as soon as the
    // device reaches it.
    const int hidden = 500;
    if (m_progressWanted || m_nextDecoder || !m_decoder)
        return shown;
    if (m_endFrame >= 0)
        return hidden;
    const qint64 left = m_decoder->durationMs() - framesToMs(heardFrame());
    return int(qBound<qint64>(shown, left, hidden));
}

void PlaybackEngine::startProgressTimer()
{
    const int interval = progressInterval();
    if (!m_progressTimer.isActive() || m_progressTimer.interval() != interval)
        m_progressTimer.start(interval);
}

void PlaybackEngine::publishLevel()
{
    if (m_device)
        m_device->publishLevel();
    // Frames come every 16 ms; anything up to 20 ms counts as before the next one.
    const int frameMs = 20;
    if (m_progressTimer.isActive() && m_progressTimer.remainingTime() <= frameMs) {
        m_progressTimer.start();
        onProgressTick();
    }
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
    if (m_nextDecoder) {
        m_nextDecoder->close();
        delete m_nextDecoder;
        m_nextDecoder = nullptr;
    }
    m_nextPath.clear();
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
    cancelSwitch();
    m_currentPath = path;
    m_trackStart = startSeconds;
    m_trackDuration = durationSeconds;
    m_paused = false;
    m_pausedFrame = -1;
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

    m_device = new DecoderIODevice(m_decoder, this);
    m_device->setLevelsWanted(m_levelsWanted);
    m_device->setOutputFormat(
        m_format.sampleSize(), m_format.sampleType() == QAudioFormat::Float ? 3 : 1);
    const int rate = m_device->sampleRate();
    m_startFrame = DecoderIODevice::frameAt(startSeconds, rate);
    m_endFrame =
        durationSeconds > 0 ? DecoderIODevice::frameAt(startSeconds + durationSeconds, rate) : -1;
    m_runStartFrame = m_startFrame;
    if (m_startFrame > 0)
        m_device->seekFrame(m_startFrame);
    planDevice();
    m_device->open(QIODevice::ReadOnly);
    connect(m_device, &DecoderIODevice::levelChanged, this, &PlaybackEngine::levelChanged);
    emit visualsActiveChanged(true);
    emit progressRangeChanged(m_progressMaximum);

    primeDevice();
    m_output->start(m_format, bufferSize, m_device, m_volume);
    startProgressTimer();
    armEndTimer(m_startFrame);
    m_playing = true;
    emit playingChanged(true);
    emit trackStarted(path, m_currentTitle);
}

void PlaybackEngine::stopPlayback()
{
    cancelSwitch();
    m_progressTimer.stop();
    releaseTrack();
    m_endTimer.stop();
    m_playing = false;
    m_paused = false;
    m_pausedFrame = -1;
    m_currentPath.clear();
    m_trackStart = 0;
    m_trackDuration = 0;
    emit playingChanged(false);
    emit progressSliderReset();
    emit visualsActiveChanged(false);
}

void PlaybackEngine::primeDevice()
{
    // An output buffer's worth; bounded, so a stalled decoder delays the start only so long.
    m_device->waitForBuffered(DecoderFactory::bufferSizeBytes(m_format), 250);
}

void PlaybackEngine::armEndTimer(qint64 frame)
{
    m_endTimer.stop();
    if (m_endFrame < 0)
        return;
    m_endTimerFrame = frame;
    m_endTimer.start(int(qMax<qint64>(1, framesToMs(m_endFrame - frame))));
}

void PlaybackEngine::onPlaybackTimerTimeout()
{
    // The timer is a backstop for an output that stalls. While the heard position still
    // advances towards the end, the position decides, and the timer waits for the rest.
    if (m_device && m_playing && !m_device->isFinished()) {
        const qint64 heard = m_device->playedFrame();
        if (followGaplessRun(heard) || joiningNextFile())
            return;
        if (heard > m_endTimerFrame && heard < m_endFrame) {
            armEndTimer(heard);
            return;
        }
    }
    finishTrack();
}

void PlaybackEngine::setTrack(const TrackInfo &entry)
{
    m_currentTitle = titleOf(entry);
    m_currentPath = entry.filePath;
    m_trackStart = entry.startSeconds;
    m_trackDuration = entry.durationSeconds;
}

void PlaybackEngine::onProgressTick()
{
    if (!m_decoder || !m_device || m_sliderDragging)
        return;
    followGaplessRun(heardFrame());
    // The device reaching the next file tells where the run ends.
    if (m_nextDecoder && m_device->joinFrame() != m_plannedJoin)
        planDevice();
    const qint64 frame = heardFrame();
    const qint64 totalMs = m_decoder->durationMs();
    const bool endReached = !joiningNextFile()
        && (m_endFrame >= 0 ? frame >= m_endFrame : totalMs > 0 && framesToMs(frame) >= totalMs);
    if (endReached || m_device->isFinished()) {
        finishTrack();
        return;
    }
    emit progressChanged(
        int(qBound<qint64>(0, framesToMs(frame - m_startFrame), m_progressMaximum)));
    if (!m_progressWanted)
        startProgressTimer();
}

QString PlaybackEngine::titleOf(const TrackInfo &entry)
{
    return entry.wholeFile ? QFileInfo(entry.filePath).completeBaseName() : entry.title;
}

void PlaybackEngine::finishTrack()
{
    if (m_pendingSwitch || m_switching)
        return;
    // Tracks without audio (a header-only file, a range past a cut file's end) would cycle for
    // ever: one round of the queue without any sound ends it.
    m_silentTracks = m_device && m_device->hasDecodedAudio() ? 0 : m_silentTracks + 1;
    if (m_silentTracks >= qMax(1, m_playQueue.size())) {
        m_silentTracks = 0;
        stopPlayback();
        emit informationRequested(mainWindowText("No track of the current list gave any sound"));
        return;
    }
    if (!m_playQueue.isEmpty()) {
        switchTo(nextIndex(), true, true);
        return;
    }
    // Nothing follows: the output still holds the track's last moments; let them play out
    // before stopping.
    m_switching = true;
    afterFadeOut(false, [this] {
        stopPlayback();
        m_switching = false;
    });
    m_switchGuarded = true;
}

void PlaybackEngine::playNext()
{
    if (m_playQueue.isEmpty()) {
        stopPlayback();
        return;
    }
    if (m_switching)
        return;
    switchTo(nextIndex(), true, false);
}

int PlaybackEngine::nextIndex() const
{
    return m_currentIndex >= 0 ? (m_currentIndex + 1) % m_playQueue.size() : 0;
}

void PlaybackEngine::playPrevious()
{
    if (m_playQueue.isEmpty())
        return;
    const int size = m_playQueue.size();
    switchTo(
        m_currentIndex > 0 && m_currentIndex <= size ? m_currentIndex - 1 : size - 1, false, false);
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
    m_silentTracks = 0;
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
    // A switch waiting for its fade-out happens now, paused at the start of its track.
    if (m_pendingSwitch) {
        const std::function<void()> action = m_pendingSwitch;
        m_switchTimer.stop();
        m_pendingSwitch = nullptr;
        m_switchGuarded = false;
        action();
    }
    if (!m_decoder || !m_output->hasOutput() || !m_device)
        return;
    // Paused already: the output holds nothing more and the saved position stays right.
    if (m_paused)
        return;
    m_endTimer.stop();
    m_progressTimer.stop();
    const int frameBytes = qMax(1, m_format.bytesPerFrame());
    const qint64 unplayed = m_output->pause() / frameBytes;
    m_pausedFrame = qMax<qint64>(m_startFrame, m_device->playedFrame() - unplayed);
    m_paused = true;
    m_playing = false;
    emit playingChanged(false);
    emit visualsActiveChanged(false);
}

void PlaybackEngine::resumePlayback()
{
    if (!m_decoder || !m_output->hasOutput() || !m_device)
        return;
    qint64 frame = m_pausedFrame >= 0 ? m_pausedFrame : m_device->playedFrame();
    if (m_endFrame >= 0 && frame >= m_endFrame) {
        stopPlayback();
        return;
    }
    if (!m_device->seekFrame(frame))
        frame = m_device->playedFrame();
    m_pausedFrame = -1;
    primeDevice();
    m_output->resume();
    startProgressTimer();
    armEndTimer(frame);
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
    const qint64 frame = m_startFrame + msToFrames(filePositionMs - startMs());
    // Stopped before the device seeks: left running while the device refills, the output would
    // take the first frames after the target and drop them with its buffer at the restart.
    const bool restart = restartOutput && !m_paused && m_output->hasOutput();
    if (restart)
        m_output->pause();
    const bool sought = m_device->seekFrame(frame);
    if (restart) {
        primeDevice();
        m_output->resume();
    }
    // A seek that fails leaves the track where it was, end timer included.
    if (!sought)
        return;
    if (m_paused) {
        // Nothing plays while paused; resume starts from here.
        m_pausedFrame = frame;
        return;
    }
    if (m_playing)
        armEndTimer(frame);
}

void PlaybackEngine::onPlayProgressSliderReleased(int value)
{
    seekTo(value + startMs(), true);
}

void PlaybackEngine::onPlayProgressBarReleased(int value)
{
    seekTo(value + startMs(), false);
}
