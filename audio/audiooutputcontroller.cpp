#include "audio/audiooutputcontroller.h"

#include <QAudioOutput>
#include <QThread>

AudioOutputController::AudioOutputController(QObject *parent)
    : QObject(parent)
{ }

AudioOutputController::~AudioOutputController()
{
    shutdown();
}

template <typename Function> void AudioOutputController::runBlocking(Function function)
{
    if (!m_thread || !m_outputWorker || !m_thread->isRunning())
        return;
    QMetaObject::invokeMethod(m_outputWorker, function, Qt::BlockingQueuedConnection);
}

void AudioOutputController::start(
    const QAudioFormat &format, int bufferSize, QIODevice *device, double volume)
{
    if (!m_thread) {
        m_thread = new QThread(this);
        m_thread->setObjectName(QStringLiteral("AudioOutputThread"));
        m_thread->start(QThread::InheritPriority);
    }
    if (!m_outputWorker) {
        m_outputWorker = new QObject;
        m_outputWorker->moveToThread(m_thread);
        connect(m_thread, &QThread::finished, m_outputWorker, &QObject::deleteLater);
    }
    runBlocking([this, format, bufferSize, device, volume] {
        if (m_output) {
            m_output->stop();
            delete m_output;
        }
        m_device = device;
        m_output = new QAudioOutput(format);
        m_output->setBufferSize(bufferSize);
        m_output->setVolume(volume);
        m_output->start(device);
    });
    m_hasOutput = m_thread->isRunning();
}

void AudioOutputController::teardown()
{
    runBlocking([this] {
        if (m_output) {
            m_output->stop();
            delete m_output;
            m_output = nullptr;
        }
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
        m_output->stop();
    });
    return unplayed;
}

void AudioOutputController::resume()
{
    runBlocking([this] {
        if (m_output && m_device)
            m_output->start(m_device);
    });
}

void AudioOutputController::setVolume(double volume)
{
    if (!m_thread || !m_outputWorker)
        return;
    QMetaObject::invokeMethod(
        m_outputWorker,
        [this, volume] {
            if (m_output)
                m_output->setVolume(volume);
        },
        Qt::QueuedConnection);
}

void AudioOutputController::shutdown()
{
    teardown();
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
        m_outputWorker = nullptr; // deleted when the thread finished
    }
}
