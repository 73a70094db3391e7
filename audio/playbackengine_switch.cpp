// PlaybackEngine's switches between entries: the fade-out heard from the press, then the new
// entry started where the fade ends, and what cancels a switch still waiting for its fade.
#include "audio/playbackengine.h"

#include "audio/audiooutputcontroller.h"
#include "audio/decoderiodevice.h"

void PlaybackEngine::cancelSwitch()
{
    m_switchTimer.stop();
    m_pendingSwitch = nullptr;
    m_switchRampEnd = -1;
    // A switch waiting for its fade will never happen: let Next work again.
    if (m_switchGuarded) {
        m_switchGuarded = false;
        m_switching = false;
    }
}

void PlaybackEngine::afterFadeOut(bool rampDown, const std::function<void()> &action)
{
    cancelSwitch();
    if (!m_output->hasOutput() || !m_device) {
        action();
        return;
    }
    if (rampDown) {
        // The output holds a buffer already handed over; taking it back and handing it over
        // again with the ramp makes the fade heard from now rather than a buffer later.
        const int frameBytes = qMax(1, m_format.bytesPerFrame());
        const qint64 unplayed = m_output->pause() / frameBytes;
        m_device->seekFrame(qMax<qint64>(0, m_device->playedFrame() - unplayed));
        m_switchRampEnd = m_device->startFadeOut(msToFrames(m_switchFadeOutLength));
        primeDevice();
        m_output->resume();
    }
    m_pendingSwitch = action;
    m_switchClock.start();
    m_switchTimer.start();
}

void PlaybackEngine::onSwitchStep()
{
    // Heard from the press for the fade-out length, and the ramp handed over to its end.
    if (m_switchClock.elapsed() < m_switchFadeOutLength
        || (m_switchRampEnd >= 0 && m_device && m_device->playedFrame() < m_switchRampEnd
            && m_switchClock.elapsed() < 4 * m_switchFadeOutLength))
        return;
    const std::function<void()> action = m_pendingSwitch;
    m_switchTimer.stop();
    m_pendingSwitch = nullptr;
    m_switchRampEnd = -1;
    m_switchGuarded = false;
    if (action)
        action();
}

void PlaybackEngine::switchTo(int index, bool guarded, bool atTrackEnd)
{
    const TrackInfo entry = m_playQueue.at(index);
    m_currentTitle = titleOf(entry);
    auto doSwitch = [this, entry, index, guarded] {
        m_queueSwitched = true;
        m_currentTitle = titleOf(entry);
        playTrack(entry.filePath, entry.startSeconds, entry.durationSeconds);
        // The queue may have been replaced while the fade ran.
        const bool sameQueue = index < m_playQueue.size()
            && m_playQueue.at(index).filePath == entry.filePath
            && sameStart(m_playQueue.at(index).startSeconds, entry.startSeconds);
        m_currentIndex = sameQueue ? index : indexOfTrack(entry.filePath, entry.startSeconds);
        planDevice();
        if (m_currentIndex >= 0)
            emit playingRowChanged(m_currentIndex);
        if (guarded)
            m_switching = false;
    };
    if (guarded)
        m_switching = true;
    if (m_output->hasOutput() && m_playing) {
        // At the end of a track the output holds only its last moments: let them play out.
        afterFadeOut(!atTrackEnd, doSwitch);
        m_switchGuarded = guarded;
    } else {
        doSwitch();
    }
}
