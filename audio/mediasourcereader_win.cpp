#include "audio/mediasourcereader.h"

#include <QDir>

#include <windows.h>

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <propidl.h>

#include <limits>
#include <string>

// Media Foundation's source reader, asked for uncompressed PCM of the first audio stream.

namespace {

const DWORD kAudioStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);

template <typename T> void release(T *&object)
{
    if (object) {
        object->Release();
        object = nullptr;
    }
}

} // namespace

struct MediaSourceReader::Private
{
    IMFSourceReader *reader = nullptr;
    bool comInitialised = false;
    bool mediaFoundationStarted = false;
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 16;
    qint64 duration = 0;

    // On the thread that opened: COM and Media Foundation are started per reader.
    ~Private()
    {
        release(reader);
        if (mediaFoundationStarted)
            MFShutdown();
        if (comInitialised)
            CoUninitialize();
    }

    bool requestPcm();
    void takeFormat();
    void takeDuration();
};

bool MediaSourceReader::Private::requestPcm()
{
    // Only the audio stream is read; a selected video stream would queue up unread samples.
    reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    reader->SetStreamSelection(kAudioStream, TRUE);

    IMFMediaType *pcm = nullptr;
    if (FAILED(MFCreateMediaType(&pcm)))
        return false;
    HRESULT hr = pcm->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    if (SUCCEEDED(hr))
        hr = pcm->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM);
    if (SUCCEEDED(hr))
        hr = reader->SetCurrentMediaType(kAudioStream, nullptr, pcm);
    pcm->Release();
    return SUCCEEDED(hr);
}

void MediaSourceReader::Private::takeFormat()
{
    IMFMediaType *actual = nullptr;
    if (FAILED(reader->GetCurrentMediaType(kAudioStream, &actual)))
        return;
    UINT32 rate = 0;
    UINT32 count = 0;
    UINT32 bits = 16;
    actual->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate);
    actual->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &count);
    actual->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits);
    actual->Release();
    sampleRate = static_cast<int>(rate);
    channels = static_cast<int>(count);
    bitsPerSample = static_cast<int>(bits);
}

void MediaSourceReader::Private::takeDuration()
{
    PROPVARIANT value;
    PropVariantInit(&value);
    const HRESULT hr = reader->GetPresentationAttribute(
        static_cast<DWORD>(MF_SOURCE_READER_MEDIASOURCE), MF_PD_DURATION, &value);
    if (SUCCEEDED(hr)) {
        if (value.vt == VT_UI8)
            duration = static_cast<qint64>(
                qMin<ULONGLONG>(value.uhVal.QuadPart, (std::numeric_limits<qint64>::max)()));
        else if (value.vt == VT_I8)
            duration = value.hVal.QuadPart;
    }
    PropVariantClear(&value);
}

MediaSourceReader::MediaSourceReader()
    : d(std::make_unique<Private>())
{ }

MediaSourceReader::~MediaSourceReader() = default;

bool MediaSourceReader::open(const QString &path)
{
    if (d->reader)
        return false;
    // Qt has already made the GUI thread a single-threaded apartment, in which Media Foundation
    // works as well; only a thread without COM is given the multithreaded one.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(com))
        d->comInitialised = true;
    else if (com != RPC_E_CHANGED_MODE)
        return false;
    if (FAILED(MFStartup(MF_VERSION, MFSTARTUP_FULL)))
        return false;
    d->mediaFoundationStarted = true;

    IMFAttributes *attributes = nullptr;
    if (FAILED(MFCreateAttributes(&attributes, 2)))
        return false;
    attributes->SetUINT32(MF_READWRITE_DISABLE_CONVERTERS, FALSE);
    attributes->SetUINT32(MF_READWRITE_ENABLE_HARDWARE_TRANSFORMS, TRUE);
    const std::wstring url = QDir::toNativeSeparators(path).toStdWString();
    const HRESULT created = MFCreateSourceReaderFromURL(url.c_str(), attributes, &d->reader);
    attributes->Release();
    if (FAILED(created) || !d->requestPcm())
        return false;
    d->takeFormat();
    d->takeDuration();
    return true;
}

int MediaSourceReader::sampleRate() const
{
    return d->sampleRate;
}

int MediaSourceReader::channelCount() const
{
    return d->channels;
}

int MediaSourceReader::bitsPerSample() const
{
    return d->bitsPerSample;
}

qint64 MediaSourceReader::duration() const
{
    return d->duration;
}

bool MediaSourceReader::readSample(Sample *sample)
{
    *sample = Sample();
    if (!d->reader)
        return false;
    DWORD flags = 0;
    IMFSample *mediaSample = nullptr;
    if (FAILED(d->reader->ReadSample(kAudioStream, 0, nullptr, &flags, nullptr, &mediaSample)))
        return false;
    if (flags & MF_SOURCE_READERF_ENDOFSTREAM) {
        release(mediaSample);
        sample->endOfStream = true;
        return true;
    }
    if (!mediaSample)
        return true; // a gap or a format notice: no audio this time
    LONGLONG time = 0;
    if (SUCCEEDED(mediaSample->GetSampleTime(&time))) {
        sample->time = time;
        sample->hasTime = true;
    }
    IMFMediaBuffer *buffer = nullptr;
    const HRESULT converted = mediaSample->ConvertToContiguousBuffer(&buffer);
    mediaSample->Release();
    if (FAILED(converted))
        return true;
    BYTE *bytes = nullptr;
    DWORD length = 0;
    if (SUCCEEDED(buffer->Lock(&bytes, nullptr, &length))) {
        if (bytes && length > 0)
            sample->pcm = QByteArray(reinterpret_cast<const char *>(bytes), int(length));
        buffer->Unlock();
    }
    buffer->Release();
    return true;
}

bool MediaSourceReader::setPosition(qint64 time)
{
    if (!d->reader || time < 0)
        return false;
    PROPVARIANT position;
    PropVariantInit(&position);
    position.vt = VT_I8;
    position.hVal.QuadPart = time;
    const HRESULT hr = d->reader->SetCurrentPosition(GUID_NULL, position);
    PropVariantClear(&position);
    return SUCCEEDED(hr);
}
