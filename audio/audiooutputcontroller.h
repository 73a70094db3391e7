#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class QAudioOutput;
class QIODevice;
class QThread;

// Owns the audio output and the thread it lives on ("AudioOutputThread"). Every QAudioOutput
// call runs on that thread; all but the volume wait until done, so the output and device
// pointers never change under a running call.
//
// The thread tops the output up itself (Qt's push mode) every 100 ms from its own loop rather
// than running an event loop: Qt's pull mode wakes the thread every 20 ms to hand over 20 ms.
class AudioOutputController : public QObject
{
    Q_OBJECT

public:
    explicit AudioOutputController(QObject *parent = nullptr);
    ~AudioOutputController() override;

    // Replaces any output with a new one fed from device (opened), with the given buffer size
    // in bytes (more than 100 ms) and start volume. Creates and starts the thread on first use.
    void start(const QAudioFormat &format, int bufferSize, QIODevice *device, double volume);
    // Stops and deletes the output.
    void teardown();
    // Stops the output; returns the bytes it had taken but not yet played.
    int pause();
    // Starts feeding from the device again.
    void resume();
    // Applies a volume (0.0 to 1.0) without waiting.
    void setVolume(double volume);

    bool hasOutput() const { return m_hasOutput; }
    // Tears the output down and ends the thread; waits for it without limit.
    void shutdown();

private:
    void ensureThread();
    void post(std::function<void()> command);
    void runBlocking(const std::function<void()> &command);
    void runLoop();
    // Output thread only.
    void openSink();
    void feed();
    void stopOutput();

    QThread *m_thread = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_commands; // guarded by m_mutex
    bool m_quit = false; // guarded by m_mutex

    // Written and used on the output thread only.
    QAudioOutput *m_output = nullptr;
    QIODevice *m_device = nullptr;
    QPointer<QIODevice> m_sink; // the output's push device; owned and at times deleted by it
    QByteArray m_chunk;
    std::chrono::steady_clock::time_point m_lastFeed;
    bool m_hasOutput = false; // the GUI thread's view of m_output
};
