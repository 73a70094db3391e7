// PlaybackEngine's runs: which queue entries follow one another without a break (the same
// file at the sample where the last ended, or the next file from its first sample), how the
// device is told where a run ends, and how the window is moved along a run as it is heard.
#include "audio/playbackengine.h"

#include "audio/decoderfactory.h"
#include "audio/decoderiodevice.h"
#include "audio/iaudiodecoder.h"

#include <QAudioDeviceInfo>

int PlaybackEngine::sameFileSuccessor(int index) const
{
    if (!m_gapless || index < 0 || index >= m_playQueue.size() || m_playQueue.size() < 2)
        return -1;
    const int next = (index + 1) % m_playQueue.size();
    const TrackInfo &entry = m_playQueue.at(index);
    const TrackInfo &following = m_playQueue.at(next);
    const int rate = m_device ? m_device->sampleRate() : 0;
    if (rate <= 0 || entry.durationSeconds <= 0 || following.filePath != entry.filePath
        || following.startSeconds <= entry.startSeconds)
        return -1;
    const qint64 end = DecoderIODevice::frameAt(entry.startSeconds + entry.durationSeconds, rate);
    return DecoderIODevice::frameAt(following.startSeconds, rate) == end ? next : -1;
}

int PlaybackEngine::sameFileRunEnd(int index, qint64 *end) const
{
    const int rate = m_device->sampleRate();
    for (int next = sameFileSuccessor(index), steps = 0; next >= 0 && steps < m_playQueue.size();
         next = sameFileSuccessor(next), ++steps) {
        const TrackInfo &entry = m_playQueue.at(next);
        index = next;
        *end = entry.durationSeconds > 0
            ? DecoderIODevice::frameAt(entry.startSeconds + entry.durationSeconds, rate)
            : -1;
        if (*end < 0)
            break;
    }
    return index;
}

void PlaybackEngine::dropNextDecoder()
{
    // Once the device has gone on into it, the decoder stays until the join is heard.
    if (m_nextDecoder && !m_device->setNextDecoder(nullptr))
        return;
    if (m_nextDecoder) {
        m_nextDecoder->close();
        delete m_nextDecoder;
        m_nextDecoder = nullptr;
    }
    m_nextPath.clear();
}

int PlaybackEngine::prepareJoin(int index)
{
    const int size = m_playQueue.size();
    const int next = m_gapless && index >= 0 && size >= 2 ? (index + 1) % size : -1;
    bool joins = next >= 0 && m_playQueue.at(next).filePath != m_currentPath
        && DecoderIODevice::frameAt(m_playQueue.at(next).startSeconds, m_device->sampleRate()) == 0;
    if (joins) {
        // Ends at its file's end: to the end, or (a sheet's last track) within a CUE frame of it.
        const TrackInfo &entry = m_playQueue.at(index);
        joins = entry.durationSeconds <= 0
            || qRound64((entry.startSeconds + entry.durationSeconds) * 1000)
                >= m_decoder->durationMs() - 1000 / 75;
    }
    if (!joins) {
        dropNextDecoder();
        return -1;
    }
    const TrackInfo &following = m_playQueue.at(next);
    if (m_nextPath == following.filePath)
        return m_nextDecoder ? next : -1;
    dropNextDecoder();
    if (m_nextDecoder)
        return -1;
    m_nextPath = following.filePath;
    IAudioDecoder *decoder = DecoderFactory::openDecoder(following.filePath, this);
    if (!decoder)
        return -1;
    // The output keeps running only when the next file needs the same output format and the
    // device the same layout.
    if (DecoderFactory::negotiateFormat(decoder, QAudioDeviceInfo::defaultOutputDevice())
            != m_format
        || decoder->sampleRate() != m_decoder->sampleRate()
        || decoder->channelCount() != m_decoder->channelCount()
        || decoder->sampleSize() != m_decoder->sampleSize()
        || decoder->sampleType() != m_decoder->sampleType()) {
        decoder->close();
        delete decoder;
        return -1;
    }
    m_nextDecoder = decoder;
    m_nextEntry = following;
    m_device->setNextDecoder(decoder);
    return next;
}

bool PlaybackEngine::joiningNextFile() const
{
    return m_nextDecoder && sameFileSuccessor(m_currentIndex) < 0;
}

void PlaybackEngine::planDevice()
{
    if (!m_device)
        return;
    const int rate = m_device->sampleRate();
    // The queue entry playing now, when the queue still holds it.
    int index = m_currentIndex;
    if (index >= 0
        && (index >= m_playQueue.size() || m_playQueue.at(index).filePath != m_currentPath
            || !sameStart(m_playQueue.at(index).startSeconds, m_trackStart)))
        index = -1;
    qint64 runEnd = m_endFrame;
    const int last = sameFileRunEnd(index, &runEnd);
    // A run to its file's end may go on into the next file; its end is known in frames once
    // the device has reached that file.
    const int across = prepareJoin(last);
    m_plannedJoin = m_device->joinFrame();
    if (across >= 0) {
        const TrackInfo &entry = m_playQueue.at(across);
        qint64 end =
            entry.durationSeconds > 0 ? DecoderIODevice::frameAt(entry.durationSeconds, rate) : -1;
        sameFileRunEnd(across, &end);
        runEnd = m_plannedJoin >= 0 && end >= 0 ? m_plannedJoin + end : -1;
    }
    m_device->setEndFrame(runEnd);
    DecoderIODevice::Envelope envelope;
    envelope.enabled = m_fadeEnabled;
    envelope.fadeInStart = m_runStartFrame;
    envelope.fadeInFrames =
        qint64(m_queueSwitched ? m_switchFadeInLength : m_fadeInLength) * rate / 1000;
    envelope.fadeOutEnd = runEnd;
    envelope.fadeOutFrames = qint64(m_fadeOutLength) * rate / 1000;
    m_device->setEnvelope(envelope);
}

void PlaybackEngine::enterTrack(const TrackInfo &entry, int index, qint64 startFrame)
{
    setTrack(entry);
    m_startFrame = startFrame;
    m_endFrame = m_trackDuration > 0
        ? DecoderIODevice::frameAt(m_trackStart + m_trackDuration, m_device->sampleRate())
        : -1;
    m_currentIndex = index;
    const qint64 trackMs = m_endFrame >= 0 ? framesToMs(m_endFrame - m_startFrame)
                                           : qMax<qint64>(0, m_decoder->durationMs() - startMs());
    m_progressMaximum = int(trackMs);
    emit progressRangeChanged(m_progressMaximum);
    emit trackStarted(m_currentPath, m_currentTitle);
    if (index >= 0)
        emit playingRowChanged(index);
}

bool PlaybackEngine::followGaplessRun(qint64 frame)
{
    if (m_pendingSwitch)
        return false;
    bool moved = false;
    for (;;) {
        const int next = sameFileSuccessor(m_currentIndex);
        const qint64 join = m_nextDecoder ? m_device->joinFrame() : -1;
        if (m_endFrame >= 0 && frame >= m_endFrame && next >= 0) {
            enterTrack(m_playQueue.at(next), next, m_endFrame);
        } else if (next < 0 && join >= 0 && frame >= join) {
            // The next file is heard: count its frames from its start and let the old one go.
            m_device->completeJoin();
            frame -= join;
            m_runStartFrame -= join;
            m_decoder->close();
            delete m_decoder;
            m_decoder = m_nextDecoder;
            m_nextDecoder = nullptr;
            m_nextPath.clear();
            const int following =
                m_currentIndex >= 0 ? (m_currentIndex + 1) % m_playQueue.size() : -1;
            const int index = following >= 0
                    && m_playQueue.at(following).filePath == m_nextEntry.filePath
                    && sameStart(m_playQueue.at(following).startSeconds, 0)
                ? following
                : indexOfTrack(m_nextEntry.filePath, m_nextEntry.startSeconds);
            enterTrack(m_nextEntry, index, 0);
            planDevice();
        } else {
            break;
        }
        armEndTimer(frame);
        moved = true;
    }
    return moved;
}
