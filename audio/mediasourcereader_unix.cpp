#include "audio/mediasourcereader.h"

#include "audio/gstreamerlibrary_unix.h"

#include <QFile>

#include <atomic>
#include <cstring>

// GStreamer pipeline: filesrc ! decodebin ! audioconvert ! audioresample ! appsink. The sink
// takes interleaved signed integers; audioconvert picks the width that loses least (16-bit
// sources stay 16-bit, 24-bit ones packed 24-bit, float and 32-bit ones 32-bit).

namespace {

constexpr GstClockTime kOpenTimeout = 10 * GST_SECOND;
constexpr GstClockTime kRestartAfter = GST_SECOND / 2;
constexpr GstClockTime kPullTimeout = 5 * GST_SECOND;
constexpr GstClockTime kSeekTimeout = 5 * GST_SECOND;
constexpr const char *kSinkCaps =
    "audio/x-raw, format=(string){ S16LE, S24LE, S32LE }, layout=(string)interleaved";
constexpr const char *kPadsDone = "quellin-pads-done";

// decodebin's autoplug-select answers (the enumeration is not in the public headers).
constexpr int kAutoplugTry = 0;
constexpr int kAutoplugExpose = 1;

// The headers' casts and unref helpers would bind the program to the libraries at link time.
template <typename T> GstBin *asBin(T *element)
{
    return reinterpret_cast<GstBin *>(element);
}

template <typename T> void unrefMini(T *object)
{
    gst().gst_mini_object_unref(GST_MINI_OBJECT_CAST(object));
}

} // namespace

struct MediaSourceReader::Private
{
    GstElement *pipeline = nullptr;
    GstElement *convert = nullptr;
    GstElement *resample = nullptr;
    GstElement *sink = nullptr;
    GstBus *bus = nullptr;
    std::atomic<bool> audioLinked { false };
    bool broken = false;
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 16;
    qint64 duration = 0;

    ~Private()
    {
        if (pipeline) {
            gst().gst_element_set_state(pipeline, GST_STATE_NULL);
            gst().gst_object_unref(pipeline);
        }
        if (bus)
            gst().gst_object_unref(bus);
    }

    GstElement *add(const char *factory)
    {
        GstElement *element = gst().gst_element_factory_make(factory, nullptr);
        if (element)
            gst().gst_bin_add(asBin(pipeline), element);
        return element;
    }

    bool waitForPreroll();
    bool takeFormat();
    static void onPadAdded(GstElement *, GstPad *pad, gpointer data);
    static void onNoMorePads(GstElement *decode, gpointer);
};

namespace {

// Video and picture streams are handed on undecoded and end in a fakesink.
int onAutoplugSelect(GstElement *, GstPad *, GstCaps *, GstElementFactory *factory, gpointer)
{
    const gchar *klass =
        gst().gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
    if (klass && std::strstr(klass, "Decoder")
        && (std::strstr(klass, "Video") || std::strstr(klass, "Image")))
        return kAutoplugExpose;
    return kAutoplugTry;
}

} // namespace

void MediaSourceReader::Private::onPadAdded(GstElement *, GstPad *pad, gpointer data)
{
    auto *d = static_cast<Private *>(data);
    GstCaps *caps = gst().gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst().gst_pad_query_caps(pad, nullptr);
    const bool rawAudio = caps && gst().gst_caps_get_size(caps) > 0
        && gst().gst_structure_has_name(gst().gst_caps_get_structure(caps, 0), "audio/x-raw");
    if (caps)
        unrefMini(caps);
    if (rawAudio) {
        // The pipeline may not have brought the converting branch to its state yet; data pushed
        // into an element still in READY would stop the decoder for good.
        for (GstElement *element : { d->sink, d->resample, d->convert })
            gst().gst_element_sync_state_with_parent(element);
        GstPad *convertSink = gst().gst_element_get_static_pad(d->convert, "sink");
        const bool linked = gst().gst_pad_link(pad, convertSink) == GST_PAD_LINK_OK;
        gst().gst_object_unref(convertSink);
        if (linked) {
            d->audioLinked = true;
            return;
        }
    }
    // Streams that are not played still need a sink, or the demuxer stops.
    GstElement *fake = gst().gst_element_factory_make("fakesink", nullptr);
    if (!fake)
        return;
    gst().g_object_set(fake, "sync", FALSE, "async", FALSE, nullptr);
    gst().gst_bin_add(asBin(d->pipeline), fake);
    gst().gst_element_sync_state_with_parent(fake);
    GstPad *fakeSink = gst().gst_element_get_static_pad(fake, "sink");
    gst().gst_pad_link(pad, fakeSink);
    gst().gst_object_unref(fakeSink);
}

void MediaSourceReader::Private::onNoMorePads(GstElement *decode, gpointer)
{
    GstStructure *s = gst().gst_structure_new_empty(kPadsDone);
    gst().gst_element_post_message(
        decode, gst().gst_message_new_application(reinterpret_cast<GstObject *>(decode), s));
}

bool MediaSourceReader::Private::waitForPreroll()
{
    const GstClockTime deadline = gst().gst_util_get_timestamp() + kOpenTimeout;
    GstClockTime restartAt = GST_CLOCK_TIME_NONE;
    const auto types =
        GstMessageType(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR | GST_MESSAGE_APPLICATION);
    for (;;) {
        const GstClockTime now = gst().gst_util_get_timestamp();
        if (now >= deadline)
            return false;
        if (GST_CLOCK_TIME_IS_VALID(restartAt) && now >= restartAt) {
            // Some decoders (musepackdec) push before decodebin has exposed their pad, get
            // "not linked" and stop without an error; a flushing seek starts them again.
            gst().gst_element_seek_simple(pipeline, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, 0);
            restartAt = GST_CLOCK_TIME_NONE;
        }
        const GstClockTime until = GST_CLOCK_TIME_IS_VALID(restartAt) ? restartAt : deadline;
        GstMessage *msg = gst().gst_bus_timed_pop_filtered(bus, until - now, types);
        if (!msg)
            continue;
        const GstMessageType type = GST_MESSAGE_TYPE(msg);
        const bool padsDone =
            type == GST_MESSAGE_APPLICATION && gst().gst_message_has_name(msg, kPadsDone);
        unrefMini(msg);
        if (type == GST_MESSAGE_ERROR || (padsDone && !audioLinked))
            return false;
        if (type == GST_MESSAGE_ASYNC_DONE)
            return true;
        if (padsDone)
            restartAt = gst().gst_util_get_timestamp() + kRestartAfter;
    }
}

bool MediaSourceReader::Private::takeFormat()
{
    GstPad *pad = gst().gst_element_get_static_pad(sink, "sink");
    GstCaps *caps = gst().gst_pad_get_current_caps(pad);
    gst().gst_object_unref(pad);
    if (!caps)
        return false; // the stream ended before any audio
    GstAudioInfo info;
    const bool ok = gst().gst_audio_info_from_caps(&info, caps);
    if (ok) {
        sampleRate = GST_AUDIO_INFO_RATE(&info);
        channels = GST_AUDIO_INFO_CHANNELS(&info);
        bitsPerSample = GST_AUDIO_INFO_WIDTH(&info);
        // A later change of format inside the stream is converted back to this one.
        gst().g_object_set(sink, "caps", caps, nullptr);
    }
    unrefMini(caps);
    return ok;
}

MediaSourceReader::MediaSourceReader()
    : d(std::make_unique<Private>())
{ }

MediaSourceReader::~MediaSourceReader() = default;

bool MediaSourceReader::open(const QString &path)
{
    if (d->pipeline || !gst().isAvailable() || !QFile::exists(path))
        return false;
    d->pipeline = gst().gst_pipeline_new(nullptr);
    if (!d->pipeline)
        return false;
    d->bus = gst().gst_element_get_bus(d->pipeline);
    GstElement *source = d->add("filesrc");
    GstElement *decode = d->add("decodebin");
    d->convert = d->add("audioconvert");
    d->resample = d->add("audioresample");
    d->sink = d->add("appsink");
    if (!source || !decode || !d->convert || !d->resample || !d->sink)
        return false;

    gst().g_object_set(source, "location", QFile::encodeName(path).constData(), nullptr);
    GstCaps *caps = gst().gst_caps_from_string(kSinkCaps);
    gst().g_object_set(d->sink, "caps", caps, "sync", FALSE, "max-buffers", guint(16), "drop",
        FALSE, "emit-signals", FALSE, nullptr);
    unrefMini(caps);
    if (!gst().gst_element_link(source, decode)
        || !gst().gst_element_link_many(d->convert, d->resample, d->sink, nullptr))
        return false;
    gst().g_signal_connect_data(decode, "autoplug-select", G_CALLBACK(onAutoplugSelect), nullptr,
        nullptr, GConnectFlags(0));
    gst().g_signal_connect_data(
        decode, "pad-added", G_CALLBACK(Private::onPadAdded), d.get(), nullptr, GConnectFlags(0));
    gst().g_signal_connect_data(decode, "no-more-pads", G_CALLBACK(Private::onNoMorePads), nullptr,
        nullptr, GConnectFlags(0));

    if (gst().gst_element_set_state(d->pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE
        || !d->waitForPreroll() || !d->takeFormat())
        return false;
    gint64 length = 0;
    if (gst().gst_element_query_duration(d->pipeline, GST_FORMAT_TIME, &length) && length > 0)
        d->duration = length / 100;
    return gst().gst_element_set_state(d->pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
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
    if (!d->sink || d->broken)
        return false;
    // Also drops the bus's other messages, which nobody else collects.
    if (GstMessage *error = gst().gst_bus_pop_filtered(d->bus, GST_MESSAGE_ERROR)) {
        unrefMini(error);
        d->broken = true;
        return false;
    }
    GstSample *pulled =
        gst().gst_app_sink_try_pull_sample(reinterpret_cast<GstAppSink *>(d->sink), kPullTimeout);
    if (!pulled) {
        sample->endOfStream = gst().gst_app_sink_is_eos(reinterpret_cast<GstAppSink *>(d->sink));
        return sample->endOfStream;
    }
    GstBuffer *buffer = gst().gst_sample_get_buffer(pulled);
    const GstSegment *segment = gst().gst_sample_get_segment(pulled);
    if (buffer && segment && GST_BUFFER_PTS_IS_VALID(buffer)) {
        // Stream time, so that an encoder's priming samples do not shift the position; audio
        // the decoder hands out before the segment start has a negative one.
        guint64 time = 0;
        const int sign = gst().gst_segment_to_stream_time_full(
            segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer), &time);
        if (sign != 0) {
            sample->time = sign * qint64(time / 100);
            sample->hasTime = true;
        }
    }
    GstMapInfo map;
    if (buffer && gst().gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        sample->pcm = QByteArray(reinterpret_cast<const char *>(map.data), int(map.size));
        gst().gst_buffer_unmap(buffer, &map);
    }
    unrefMini(pulled);
    return true;
}

bool MediaSourceReader::setPosition(qint64 time)
{
    if (!d->pipeline || d->broken || time < 0 || time > G_MAXINT64 / 100)
        return false;
    // Like Media Foundation, resume at the key unit before the time; the caller trims.
    const auto flags =
        GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE);
    if (!gst().gst_element_seek_simple(d->pipeline, GST_FORMAT_TIME, flags, time * 100))
        return false;
    // The flush has been through the pipeline once it has prerolled again.
    return gst().gst_element_get_state(d->pipeline, nullptr, nullptr, kSeekTimeout)
        != GST_STATE_CHANGE_FAILURE;
}
