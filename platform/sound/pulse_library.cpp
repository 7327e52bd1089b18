// PulseAudio's simple API, loaded when the synthesiser first opens its stream rather than when the
// program starts: libpulse brings libsndfile and its codecs, ten libraries the window does not
// need. Each function the program calls forwards to the library's own (lazy_library.h); without
// the library a stream cannot be opened, which the synthesiser reports as no audio server.
#include <pulse/error.h>
#include <pulse/simple.h>

#include "platform/sound/lazy_library.h"

namespace {

// libpulse-simple; pa_strerror is found in libpulse, which it needs.
LazyLibrary pulseSimple("libpulse-simple.so.0");

}  // namespace

extern "C" {

pa_simple* pa_simple_new(const char* server, const char* name, pa_stream_direction_t direction, const char* device,
                         const char* streamName, const pa_sample_spec* format, const pa_channel_map* map,
                         const pa_buffer_attr* attributes, int* error)
{
    if (error)
        *error = PA_ERR_NOTSUPPORTED;  // kept when the library is missing
    LAZY_FORWARD(pulseSimple, pa_simple_new, nullptr, server, name, direction, device, streamName, format, map,
                 attributes, error);
}
void pa_simple_free(pa_simple* stream) { LAZY_FORWARD_VOID(pulseSimple, pa_simple_free, stream); }
int pa_simple_write(pa_simple* stream, const void* data, size_t bytes, int* error)
{
    LAZY_FORWARD(pulseSimple, pa_simple_write, -1, stream, data, bytes, error);
}
int pa_simple_read(pa_simple* stream, void* data, size_t bytes, int* error)
{
    LAZY_FORWARD(pulseSimple, pa_simple_read, -1, stream, data, bytes, error);
}
pa_usec_t pa_simple_get_latency(pa_simple* stream, int* error)
{
    LAZY_FORWARD(pulseSimple, pa_simple_get_latency, static_cast<pa_usec_t>(-1), stream, error);
}
const char* pa_strerror(int error)
{
    LAZY_FORWARD(pulseSimple, pa_strerror, "the PulseAudio library cannot be loaded", error);
}

}  // extern "C"
