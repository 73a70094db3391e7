#include "audio/audiooutputcontroller.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QThread>

#include <chrono>

namespace {

// Half the buffer the engine asks for: the other half covers a late wake-up.
constexpr std::chrono::milliseconds kFeedInterval(100);

} // namespace

AudioOutputController::AudioOutputController(QObject *parent)
    : QObject(parent)
{ }

AudioOutputController::~AudioOutputController()
{
    shutdown();
}

void AudioOutputController::ensureThread()
{
    if (m_thread)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = false;
    }
    m_thread = QThread::create([this] { runLoop(); });
    m_thread->setObjectName(QStringLiteral("AudioOutputThread"));
    m_thread->start(QThread::InheritPriority);
}

void AudioOutputController::post(std::function<void()> command)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_commands.push_back(std::move(command));
    }
    m_wake.notify_all();
}

void AudioOutputController::runBlocking(const std::function<void()> &command)
{
    if (!m_thread || !m_thread->isRunning())
        return;
    std::mutex doneMutex;
    std::condition_variable doneWake;
    bool done = false;
    post([&] {
        command();
        std::lock_guard<std::mutex> lock(doneMutex);
        done = true;
        doneWake.notify_all();
    });
    std::unique_lock<std::mutex> lock(doneMutex);
    doneWake.wait(lock, [&] { return done; });
}

void AudioOutputController::runLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        const auto ready = [this] { return m_quit || !m_commands.empty(); };
        // No output, nothing to feed: sleep until told (paused costs no wake-ups).
        if (m_sink)
            m_wake.wait_until(lock, m_lastFeed + kFeedInterval, ready);
        else
            m_wake.wait(lock, ready);
        std::deque<std::function<void()>> commands;
        commands.swap(m_commands);
        const bool quit = m_quit && commands.empty();
        lock.unlock();
        for (const auto &command : commands)
            command();
        if (quit)
            break;
        if (m_sink && std::chrono::steady_clock::now() >= m_lastFeed + kFeedInterval)
            feed();
        // Calls the output queued to itself (a lost sound server, for one).
        QCoreApplication::sendPostedEvents();
        lock.lock();
    }
    stopOutput();
    delete m_output;
    m_output = nullptr;
    QCoreApplication::sendPostedEvents();
}

void AudioOutputController::openSink()
{
    m_sink = m_output ? m_output->start() : nullptr;
    if (m_sink && m_output)
        m_chunk.resize(qMax(m_output->bufferSize(), 4096));
    feed();
}

void AudioOutputController::feed()
{
    if (!m_sink || !m_device || !m_output)
        return;
    m_lastFeed = std::chrono::steady_clock::now();
    const int frameBytes = qMax(1, m_output->format().bytesPerFrame());
    int room = qMin(m_output->bytesFree(), int(m_chunk.size()));
    room -= room % frameBytes;
    if (room <= 0)
        return;
    const qint64 got = m_device->read(m_chunk.data(), room);
    if (got > 0)
        m_sink->write(m_chunk.constData(), got);
}

void AudioOutputController::stopOutput()
{
    if (m_output)
        m_output->stop(); // deletes the push device
    m_sink = nullptr;
}

void AudioOutputController::start(
    const QAudioFormat &format, int bufferSize, QIODevice *device, double volume)
{
    ensureThread();
    runBlocking([this, format, bufferSize, device, volume] {
        stopOutput();
        delete m_output;
        m_device = device;
        m_output = new QAudioOutput(format);
        m_output->setBufferSize(bufferSize);
        m_output->setVolume(volume);
        openSink();
    });
    m_hasOutput = m_thread->isRunning();
}

void AudioOutputController::teardown()
{
    runBlocking([this] {
        stopOutput();
        delete m_output;
        m_output = nullptr;
        m_device = nullptr;
    });
    m_hasOutput = false;
}

int AudioOutputController::pause()
{
    int unplayed = 0;
    runBlocking([this, &unplayed] {
        if (!m_output)
            return;
        const QAudio::State state = m_output->state();
        if (state == QAudio::ActiveState || state == QAudio::IdleState)
            unplayed = qMax(0, m_output->bufferSize() - m_output->bytesFree());
        stopOutput();
    });
    return unplayed;
}

void AudioOutputController::resume()
{
    runBlocking([this] {
        if (m_output && m_device)
            openSink();
    });
}

void AudioOutputController::setVolume(double volume)
{
    if (!m_thread)
        return;
    post([this, volume] {
        if (m_output)
            m_output->setVolume(volume);
    });
}

void AudioOutputController::shutdown()
{
    if (!m_thread)
        return;
    teardown();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}
