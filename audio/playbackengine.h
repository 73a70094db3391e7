#pragma once

#include "media/trackinfo.h"

#include <QAudioFormat>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>
#include <functional>

class AudioOutputController;
class DecoderIODevice;
class IAudioDecoder;

// Plays one track at a time (a time range of an audio file) through the default output device
// and moves through the play queue. No widgets: what the window shows is announced by signals.
//
// Positions are those the listener gets: the device reports the file position of the audio
// handed to the output, and past a track's end it hands over silence. Track boundaries are cut
// at sample frames (round(seconds x rate)), and fades are applied to the samples by their file
// position; the output's volume carries only the user's volume. GUI thread only.
class PlaybackEngine : public QObject
{
    Q_OBJECT

public:
    explicit PlaybackEngine(QObject *parent = nullptr);
    // Stops playback and ends the output thread.
    ~PlaybackEngine() override;

    // The queue is the current music list; replacing it forgets the current entry (a switch
    // waiting for its fade still plays its track, found again in the new queue if there).
    void setPlayQueue(const QVector<TrackInfo> &queue);
    const QVector<TrackInfo> &playQueue() const { return m_playQueue; }
    int currentIndex() const { return m_currentIndex; }
    // After a reorder of the queue: the entry that is now current (-1, or out of range: none).
    void setCurrentIndex(int index);
    // First entry of the file whose start differs by less than 0.01 s; -1 if none.
    int indexOfTrack(const QString &path, double startSeconds) const;

    bool isPlaying() const { return m_playing; }
    bool isPaused() const { return m_paused; }
    bool isSwitching() const { return m_switching; }
    bool queueSwitched() const { return m_queueSwitched; }
    QString currentPath() const { return m_currentPath; }
    QString currentTitle() const { return m_currentTitle; }
    void setCurrentTitle(const QString &title) { m_currentTitle = title; }
    double trackStart() const { return m_trackStart; }
    double trackDuration() const { return m_trackDuration; }
    // Heard position within the current track in ms (0 when nothing is loaded).
    qint64 positionMs() const;
    qint64 pausedPositionMs() const { return m_pausedFrame < 0 ? -1 : framesToMs(m_pausedFrame); }
    int progressMaximum() const { return m_progressMaximum; }
    // Remaining time of the end timer in ms, -1 when it is not running.
    int endTimerRemainingMs() const;
    // The user's volume, 0.0 to 1.0; the output's volume. Fades multiply it on the samples.
    qreal volume() const { return m_volume; }
    void setVolume(qreal volume);
    bool fadeEnabled() const { return m_fadeEnabled; }
    void setFadeEnabled(bool enabled);
    // Gapless: a queue entry that continues the current one in the same file at the sample where
    // it ends, or starts the next file at its first sample after a track that ends at its file's
    // end, follows without fade, stop or gap (across files only when the output format stays).
    bool gaplessEnabled() const { return m_gapless; }
    void setGaplessEnabled(bool enabled);
    // Whether levelChanged is wanted (a meter is shown); off, the device measures nothing.
    void setLevelsWanted(bool wanted);
    // Whether progressChanged is wanted (the window is shown). Off, the position is checked
    // only as often as noticing a track's end needs, not ten times a second.
    void setProgressWanted(bool wanted);
    // Emits levelChanged now if 40 ms of audio have been handed over since the last one; the
    // meter calls it at each of its frames. A position due before the next frame is taken then
    // too, so that the position timer does not wake the window's thread between frames.
    void publishLevel();
    // Gain the samples at a file position get (fade-in after the start, fade-out before the end,
    // a switch ramp); 1.0 with nothing loaded.
    double fadeGain(qint64 filePositionMs) const;
    // The output format of the current track.
    QAudioFormat outputFormat() const { return m_format; }

public slots:
    // Starts a track: a file from startSeconds for durationSeconds (0 or less: to the end).
    // Stops what was playing first; a file no decoder opens leaves everything stopped.
    void playTrack(const QString &path, double startSeconds, double durationSeconds);
    void stopPlayback();
    // Next entry of the queue (wrapping), after a 300 ms fade-out while playing; with an empty
    // queue, stops.
    void playNext();
    // Previous button: previous entry (wrapping), after the fade-out while playing.
    void playPrevious();
    // Play button with the current row of the current list (nullptr: none selected): resumes a
    // paused track when the row is that track or none is selected, else plays the row.
    void playSelected(const TrackInfo *selectedRow);
    void pause();
    void resumePlayback();
    void onPlayProgressSliderPressed();
    // Main progress slider let go at value ms into the track: seek and drop the output buffer.
    void onPlayProgressSliderReleased(int value);
    // Playing view's slider let go: seek; what the output holds still plays.
    void onPlayProgressBarReleased(int value);
    void onProgressTick();
    void onPlaybackTimerTimeout();
    // Stops playback and joins the output thread; the engine is unusable afterwards.
    void shutdown();

signals:
    // After every change of playing: Pause buttons visible/enabled exactly when playing, Play
    // buttons exactly when not.
    void playingChanged(bool playing);
    // A track has started: enable the main slider, show title, empty the author, load the
    // cover for path.
    void trackStarted(const QString &path, const QString &title);
    // Both progress sliders: range 0 to maximum (ms), value 0.
    void progressRangeChanged(int maximum);
    // Both progress sliders: value in ms into the track.
    void progressChanged(int value);
    // Playback stopped: the main progress slider back to 0.
    void progressSliderReset();
    // The Play button started a row: show the main progress slider.
    void progressSliderShown();
    // Level meter active and disc turning, or both stopped.
    void visualsActiveChanged(bool active);
    // RMS levels of the audio being decoded, for the level meter.
    void levelChanged(float l, float r);
    // Highlight this row of the current list.
    void playingRowChanged(int index);
    // An information message box with this (translated) text.
    void informationRequested(const QString &text);
    // playTrack could not start path: no decoder opened it, or there is no output device.
    void trackFailed(const QString &path, bool noOutputDevice);
    // The user's volume changed (0.0 to 1.0).
    void volumeChanged(qreal volume);

private:
    // Runs `action` once what the output holds has been heard; `rampDown` first fades the
    // sound out over the switch fade-out, heard from now.
    void afterFadeOut(bool rampDown, const std::function<void()> &action);
    void onSwitchStep();
    // Drops a waiting switch; it never runs.
    void cancelSwitch();
    void releaseTrack();
    // A next-switch holds the switching guard; one at the end of a track lets the output play
    // out instead of fading.
    void switchTo(int index, bool guarded, bool atTrackEnd);
    int nextIndex() const;
    // The end of the track is heard: the next entry, or a stop once the output has played out.
    void finishTrack();
    void seekTo(qint64 filePositionMs, bool restartOutput);
    void armEndTimer(qint64 frame);
    int progressInterval() const;
    void startProgressTimer();
    // Lets the device buffer what the output takes at once before it starts taking it.
    void primeDevice();
    // The next queue entry, when it continues the entry at index in the same file; else -1.
    int sameFileSuccessor(int index) const;
    // The last entry of the same-file run from index and the frame where it ends (-1: the end
    // of its file).
    int sameFileRunEnd(int index, qint64 *end) const;
    // When the entry at index ends at its file's end and the next entry starts the next file,
    // opens that file's decoder for the device to go on with (same output format only).
    // Returns the next entry's index, or -1 (and drops a decoder no longer wanted).
    int prepareJoin(int index);
    void dropNextDecoder();
    // The device goes on into the next file when the current track ends.
    bool joiningNextFile() const;
    // The window moves to entry (found at index, -1: no longer queued) starting at startFrame.
    void enterTrack(const TrackInfo &entry, int index, qint64 startFrame);
    // The window follows the heard position into the entries that continue gaplessly; true
    // when it moved.
    bool followGaplessRun(qint64 frame);
    // The device's end and fades for the current track and the gapless run it starts.
    void planDevice();
    void setTrack(const TrackInfo &entry);
    static QString titleOf(const TrackInfo &entry);
    static bool sameStart(double a, double b);
    // File frame of what the listener has got: saved at pause, else what the device handed to
    // the output.
    qint64 heardFrame() const;
    qint64 framesToMs(qint64 frames) const;
    qint64 msToFrames(qint64 ms) const;
    // Rounded: 205.49 s must be 205 490 ms, which truncating the double does not give.
    qint64 startMs() const { return qRound64(m_trackStart * 1000); }
    qint64 durationMs() const { return qRound64(m_trackDuration * 1000); }

    QTimer m_endTimer;
    bool m_playing = false;
    QString m_currentPath;
    QString m_currentTitle;
    double m_trackStart = 0;
    double m_trackDuration = 0;
    qint64 m_startFrame = 0;
    qint64 m_endFrame = -1; // -1: the end of the file
    AudioOutputController *m_output;
    IAudioDecoder *m_decoder = nullptr;
    // The next file's decoder while the device may go on into it; m_nextPath set without it: the
    // next file cannot be joined.
    IAudioDecoder *m_nextDecoder = nullptr;
    QString m_nextPath;
    TrackInfo m_nextEntry;
    qint64 m_plannedJoin = -1; // the device's join frame planDevice last saw
    DecoderIODevice *m_device = nullptr;
    QAudioFormat m_format;
    qreal m_volume = 1.0;
    QTimer m_progressTimer;
    QTimer m_switchTimer; // watches a waiting switch
    QElapsedTimer m_switchClock;
    std::function<void()> m_pendingSwitch;
    qint64 m_switchRampEnd = -1; // file frame where the switch ramp ends; -1: no ramp
    bool m_switchGuarded = false; // the waiting switch holds the switching guard
    bool m_sliderDragging = false;
    bool m_paused = false;
    qint64 m_pausedFrame = -1; // file frame heard when paused
    qint64 m_runStartFrame = 0; // where the fade-in of the current gapless run starts
    int m_silentTracks = 0; // tracks in a row that ended without any audio
    bool m_fadeEnabled = true;
    bool m_gapless = false;
    bool m_levelsWanted = true;
    bool m_progressWanted = true;
    int m_fadeInLength = 600;
    int m_fadeOutLength = 800;
    bool m_switching = false;
    bool m_queueSwitched = false;
    int m_switchFadeOutLength = 300;
    int m_switchFadeInLength = 300;
    int m_progressMaximum = 0;
    qint64 m_endTimerFrame = -1; // heard frame when the end timer was armed
    QVector<TrackInfo> m_playQueue;
    int m_currentIndex = -1;
};
