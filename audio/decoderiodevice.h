#pragma once

#include "audio/pcmconverter.h"

#include <QByteArray>
#include <QIODevice>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

class IAudioDecoder;
class QThread;

// The read-only device an audio output pulls from. A filler thread ("DecoderIODeviceFiller")
// keeps up to 900 ms of decoded audio buffered, so the output never waits for decoding; an empty
// buffer reads as silence, never as a short read. Below 600 ms the filler tops the buffer up in
// one go, so it wakes a few times a second instead of on every read.
//
// Positions are sample frames of the file. The fade envelope is applied to the samples as they
// are handed over, by each frame's own file position: the output's volume takes effect a
// buffer ahead of what is heard, the samples do not.
//
// Threads: the filler is the only caller of the decoder's read(); seekFrame() and
// decoderPositionMs() take the same decoder lock, so the GUI thread never enters the decoder
// while it decodes. The buffer has its own lock, held only for copying: readData() (the output's
// thread) never waits for a decode. A full buffer, or a decoder at its end, sleeps on a
// condition until something changes.
class DecoderIODevice : public QIODevice
{
    Q_OBJECT

public:
    // Gain over file frames: a rise from fadeInStart over fadeInFrames, a fall over the
    // fadeOutFrames before fadeOutEnd (-1: none). Disabled: gain 1 everywhere.
    struct Envelope
    {
        bool enabled = false;
        qint64 fadeInStart = 0;
        qint64 fadeInFrames = 0;
        qint64 fadeOutEnd = -1;
        qint64 fadeOutFrames = 0;
        double gainAt(qint64 frame) const;
    };

    // The frame a time in the file falls on: round(seconds x rate). CUE starts (frames of 1/75 s)
    // land on their exact sample.
    static qint64 frameAt(double seconds, int sampleRate);

    // The decoder must be open, outlive the device and not be used by others while it is open.
    explicit DecoderIODevice(IAudioDecoder *decoder, QObject *parent = nullptr);
    ~DecoderIODevice() override;

    // The PCM layout handed to the output (1 signed / 3 float, 16/24/32 bits). When it differs
    // from what the decoder delivers, the filler converts. Call before open.
    void setOutputFormat(int sampleSize, int sampleType);
    int sampleSize() const { return m_outSampleSize; }
    int sampleType() const { return m_outSampleType; }

    bool open(OpenMode mode) override;
    void close() override;

    // Drops the buffered audio; the filler drops once more what it was decoding meanwhile.
    void clearBuffer();
    // Seeks the decoder to a frame of the file between two of the filler's reads and drops
    // everything buffered; the next frame handed over is that frame. False (nothing changed)
    // when the decoder cannot seek.
    bool seekFrame(qint64 frame);
    qint64 decoderPositionMs() const;
    int sampleRate() const { return m_sampleRate; }

    // File frame just past the audio handed to the output so far, and the same in ms.
    qint64 playedFrame() const;
    qint64 playedPositionMs() const;
    // From this file frame on the output gets silence; -1 removes the limit.
    void setEndFrame(qint64 frame);
    // Everything up to the end frame, or to the end of the stream, has been handed over.
    bool isFinished() const;
    // Some audio was decoded since the last seek.
    bool hasDecodedAudio() const;

    // Gapless across files: once the current decoder has ended (with no end frame set), the
    // filler goes on with `next` (same layout, open, positioned at its start, outliving the
    // device). Frames keep counting across the join until completeJoin(). nullptr withdraws a
    // decoder not yet reached; false (nothing changed) once the filler has gone on into it.
    bool setNextDecoder(IAudioDecoder *next);
    // Frame where the next decoder's audio starts; -1 while the filler has not reached it.
    qint64 joinFrame() const;
    // Once the join has been heard: frames count from the next decoder's start again, and the
    // decoder before it is no longer used.
    void completeJoin();

    void setEnvelope(const Envelope &envelope);
    // Gain of the envelope and of a running ramp at a file frame.
    double gainAt(qint64 frame) const;
    // Ramps the gain down to 0 over `frames`, from the next frame handed over; silence after it
    // until the next seek. Returns the file frame where the ramp ends.
    qint64 startFadeOut(qint64 frames);

    int highWaterBytes() const { return m_highWaterBytes; }
    // Waits until `bytes` are buffered, the end is buffered or timeoutMs have passed: an output
    // started on an empty buffer plays silence in the middle of the first moments of a track.
    void waitForBuffered(qint64 bytes, int timeoutMs) const;
    // Decoded bytes waiting for the output.
    qint64 bufferedBytes() const;

    // Levels are measured on the audio as it is handed to the output (fades included), so the
    // meter moves with what is heard, not with what is decoded 900 ms ahead. Unwanted (no meter
    // shown): nothing measured; wanted again, what was measured before is forgotten.
    void setLevelsWanted(bool wanted);
    // Called by the meter's frames on the device's thread: emits levelChanged with the level of
    // the next 40 ms block handed over, one block per 40 ms of the clock. The output takes its
    // audio in steps of up to 200 ms; pacing the blocks keeps the meter moving at the music's
    // rate rather than the output's. The meter fetches the level at a frame it draws anyway;
    // posting it woke the window 25 times a second more.
    void publishLevel();

    // RMS of channels 0 and 1 over the whole frames of a chunk (full scale = 1.0); false when
    // the layout cannot be read. One channel gives r = l.
    static bool measureLevels(const char *data, qint64 size, int channels, int sampleSize,
        int sampleType, float *l, float *r);

signals:
    void levelChanged(float l, float r);

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    // The sample type code of float PCM.
    static constexpr int kFloat = 3;
    void captureFormat();
    void startFiller();
    void stopFiller();
    void fillLoop();
    void appendChunk(QByteArray chunk);
    // At the current decoder's end, with a next one waiting: move on to it. Both locks held.
    bool joinNextLocked();
    bool bufferFull() const;
    double gainLocked(qint64 frame) const;
    void measureHandedOverLocked(const char *data, qint64 bytes);
    qint64 levelBlockFrames() const; // 40 ms
    void applyGain(char *data, qint64 bytes, qint64 firstFrame) const;
    qint64 unreadBytes() const { return m_buffer.size() - m_bufferOffset; }

    IAudioDecoder *m_decoder;
    QThread *m_filler = nullptr;

    // The buffer lock guards everything from here to m_levelFrames.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // the filler's sleep; woken by reads, seeks, limits, stop
    mutable std::condition_variable m_filled; // something was buffered, or the stream ended
    QByteArray m_buffer;
    int m_bufferOffset = 0; // bytes at the front of m_buffer already handed out
    bool m_discardPending = false;
    qint64 m_frontByte = 0; // file offset (output layout) of the first unread buffered byte
    qint64 m_endByte = -1;
    qint64 m_skipBytes = 0; // decoded bytes before the frame sought, still to drop
    int m_emptyReads = 0; // decoder reads in a row that gave nothing
    bool m_decodedAudio = false;
    Envelope m_envelope;
    qint64 m_rampStart = -1; // file frame where a fade-out ramp starts; -1: none
    qint64 m_rampFrames = 0;
    // Sums of squares of the audio handed over since the last full block; the blocks measured
    // and not yet published; the clock the published ones follow.
    double m_levelSquaresL = 0;
    double m_levelSquaresR = 0;
    qint64 m_levelFrames = 0;
    std::deque<std::pair<float, float>> m_levelBlocks;
    std::chrono::steady_clock::time_point m_levelClock;
    qint64 m_levelsPublished = -1; // since m_levelClock; -1: the clock starts with the next block

    // The decoder lock: held by the filler around each read and by callers of the decoder. It
    // also guards which decoder is current (m_decoder is read unlocked by the filler only).
    mutable std::mutex m_decoderMutex;
    IAudioDecoder *m_nextDecoder = nullptr;
    IAudioDecoder *m_joinedDecoder = nullptr; // the one before the join, until completeJoin()
    qint64 m_joinFrame = -1; // guarded by both locks
    PcmConverter m_converter;

    std::atomic<bool> m_running { false };
    std::atomic<bool> m_levelsWanted { true };
    int m_highWaterBytes = 0;
    int m_sampleRate = 0;
    int m_channels = 0;
    int m_outSampleSize = 0;
    int m_outSampleType = 0;
    int m_inFrameBytes = 0;
    int m_outFrameBytes = 0;
};
