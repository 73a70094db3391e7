#pragma once

#include <QByteArray>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVector>

// A private PulseAudio with a null sink (no other program leaks into its recordings), and a
// recorder of what the sink plays.
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
    bool start(); // once the recorder receives the sink (false when not within 5 s)
    QVector<qint16> stop(); // the interleaved samples recorded

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

// A recording of the marks signal (left 0.5, so gain 1 reads kFull; right the 16-bit counter
// of the file frame) shows the gain and the file frame of every sample heard. Silence the
// output inserts while starved (both channels 0) holds no file frame and is skipped.
const int kFull = 16384;
QString marksSource(double seconds, int offset = 0);

// What the samples must be: frames from start and before end (-1: open), fading in over fadeIn
// frames and out over fadeOut. Without a fade-in, audio before the start counts (a run starts
// early).
struct Envelope
{
    qint64 start;
    qint64 end;
    int fadeIn;
    int fadeOut;
};

// From recorded frame *from on, the next run of at least 10 ms of consecutive file frames with
// the envelope's gains: its first and last file frames ({-1, -1}: none); *from moves past it.
QPair<qint64, qint64> heardRun(const QVector<qint16> &rec, int *from, const Envelope &expected);

} // namespace PulseSupport
