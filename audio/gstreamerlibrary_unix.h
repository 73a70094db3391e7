#pragma once

#include <gst/app/gstappsink.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>

// Every GStreamer and GObject function the program calls.
#define QUELLIN_GST_FUNCTIONS(F)                                                                   \
    F(g_object_set)                                                                                \
    F(g_signal_connect_data)                                                                       \
    F(gst_app_sink_is_eos)                                                                         \
    F(gst_app_sink_try_pull_sample)                                                                \
    F(gst_audio_info_from_caps)                                                                    \
    F(gst_bin_add)                                                                                 \
    F(gst_buffer_map)                                                                              \
    F(gst_buffer_unmap)                                                                            \
    F(gst_bus_pop_filtered)                                                                        \
    F(gst_bus_timed_pop_filtered)                                                                  \
    F(gst_caps_from_string)                                                                        \
    F(gst_caps_get_size)                                                                           \
    F(gst_caps_get_structure)                                                                      \
    F(gst_element_factory_get_metadata)                                                            \
    F(gst_element_factory_make)                                                                    \
    F(gst_element_get_bus)                                                                         \
    F(gst_element_get_state)                                                                       \
    F(gst_element_get_static_pad)                                                                  \
    F(gst_element_link)                                                                            \
    F(gst_element_link_many)                                                                       \
    F(gst_element_post_message)                                                                    \
    F(gst_element_query_duration)                                                                  \
    F(gst_element_seek_simple)                                                                     \
    F(gst_element_set_state)                                                                       \
    F(gst_element_sync_state_with_parent)                                                          \
    F(gst_init_check)                                                                              \
    F(gst_message_has_name)                                                                        \
    F(gst_message_new_application)                                                                 \
    F(gst_mini_object_unref)                                                                       \
    F(gst_object_unref)                                                                            \
    F(gst_pad_get_current_caps)                                                                    \
    F(gst_pad_link)                                                                                \
    F(gst_pad_query_caps)                                                                          \
    F(gst_pipeline_new)                                                                            \
    F(gst_sample_get_buffer)                                                                       \
    F(gst_sample_get_segment)                                                                      \
    F(gst_segment_to_stream_time_full)                                                             \
    F(gst_structure_has_name)                                                                      \
    F(gst_structure_new_empty)                                                                     \
    F(gst_util_get_timestamp)

// GStreamer, loaded when a file first needs it: with what it brings along it is a dozen shared
// libraries that a start, or an album FFmpeg plays, need not wait for.
class GStreamerLibrary
{
public:
#define QUELLIN_GST_POINTER(name) decltype(&::name) name = nullptr;
    QUELLIN_GST_FUNCTIONS(QUELLIN_GST_POINTER)
#undef QUELLIN_GST_POINTER

    // Loads the libraries and initialises GStreamer once (any thread).
    static const GStreamerLibrary &instance();
    // False when a library or a function is missing or GStreamer would not start; then nothing
    // may be called.
    bool isAvailable() const
    {
        return m_available;
    }

private:
    GStreamerLibrary();
    bool m_available = false;
};

// Shorthand for the calls.
inline const GStreamerLibrary &gst()
{
    return GStreamerLibrary::instance();
}
