#pragma once

#include <QAudioFormat>
#include <QObject>

class QAudioOutput;
class QIODevice;
class QThread;

// Owns the audio output and the thread it lives on ("AudioOutputThread"). Every QAudioOutput
// call runs on that thread through a worker object living there; all but the volume wait until
// done, so the output and device pointers never change under a running call.
class AudioOutputController : public QObject
{
    Q_OBJECT

public:
    explicit AudioOutputController(QObject *parent = nullptr);
    ~AudioOutputController() override;

    // Replaces any output with a new one pulling from device (opened), with the given buffer size
    // in bytes and start volume. Creates and starts the thread on first use.
    void start(const QAudioFormat &format, int bufferSize, QIODevice *device, double volume);
    // Stops and deletes the output.
    void teardown();
    // Stops the output; returns the bytes it had taken but not yet played.
    int pause();
    // Starts pulling from the device again.
    void resume();
    // Applies a volume (0.0 to 1.0) without waiting.
    void setVolume(double volume);

    bool hasOutput() const { return m_hasOutput; }
    // Tears the output down and ends the thread; waits for it without limit.
    void shutdown();

private:
    template <typename Function> void runBlocking(Function function);

    QThread *m_thread = nullptr;
    QObject *m_outputWorker = nullptr;
    // Written and used on the output thread only, inside blocking calls or queued volume calls.
    QAudioOutput *m_output = nullptr;
    QIODevice *m_device = nullptr;
    bool m_hasOutput = false; // the GUI thread's view of m_output
};
