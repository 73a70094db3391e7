#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVector>

// A private PulseAudio with a null sink for tests that play real audio, and a recorder of what
// the sink plays. Private, so that other programs sharing a sound server cannot leak into the
// recordings.
namespace PulseSupport {

class PrivateServer
{
public:
    PrivateServer() = default;
    PrivateServer(const PrivateServer &) = delete;
    PrivateServer &operator=(const PrivateServer &) = delete;
    ~PrivateServer();

    // Starts a daemon with one 44.1 kHz stereo null sink "nullsink" and makes it this process's
    // server (PULSE_SERVER). Call before anything touches Qt's audio. False when it cannot.
    bool start();

private:
    QTemporaryDir m_runtime;
    qint64 m_daemonPid = 0;
    QProcess m_keepAlive; // an idle null sink stalls new streams; a reader keeps it running
};

// Records the null sink's monitor as 44.1 kHz stereo signed 16-bit frames.
class MonitorRecording
{
public:
    // Returns once the recorder receives the sink (false when it does not within 5 s).
    bool start();
    // Stops and returns the interleaved samples recorded.
    QVector<qint16> stop();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

// Amplitude of a frequency in frames [first, first + count) of one channel of interleaved
// stereo samples (Goertzel; a full-scale sine reads about 1.0).
double toneAmplitude(const QVector<qint16> &stereo, int channel, int first, int count,
    double frequency, int sampleRate = 44100);

} // namespace PulseSupport
