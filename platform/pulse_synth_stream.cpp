#include "platform/pulse_synth_stream.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <utility>
#include <vector>

#include "platform/realtime_thread.h"

PulseSynthStream::~PulseSynthStream()
{
    stop();
}

bool PulseSynthStream::start(Render render, double sampleRate, std::string& error)
{
    stop();
    pa_sample_spec format {};
    format.format = PA_SAMPLE_FLOAT32NE;
    format.channels = 2;
    format.rate = static_cast<uint32_t>(sampleRate);
    const uint32_t periodBytes = kPeriodFrames * 2 * sizeof(float);
    pa_buffer_attr buffering {};
    buffering.maxlength = static_cast<uint32_t>(-1);
    buffering.tlength = periodBytes * kBufferedPeriods;
    buffering.prebuf = static_cast<uint32_t>(-1);
    buffering.minreq = periodBytes;
    buffering.fragsize = static_cast<uint32_t>(-1);

    int code = 0;
    stream_ = pa_simple_new(nullptr, "pulseLattice", PA_STREAM_PLAYBACK, nullptr, "built-in synthesiser", &format,
                            nullptr, &buffering, &code);
    if (!stream_) {
        error = std::string("PulseAudio: ") + pa_strerror(code);
        return false;
    }
    render_ = std::move(render);
    lost_.store(false);
    running_.store(true);
    thread_ = std::thread([this] { renderLoop(); });
    return true;
}

void PulseSynthStream::stop()
{
    running_.store(false);
    if (thread_.joinable())
        thread_.join();
    if (stream_)
        pa_simple_free(stream_);
    stream_ = nullptr;
    render_ = nullptr;
}

// Render thread: one period at a time; each write blocks until the server has room for it.
void PulseSynthStream::renderLoop()
{
    requestRealtimeScheduling();
    std::vector<float> interleaved(static_cast<size_t>(kPeriodFrames) * 2);
    while (running_.load(std::memory_order_relaxed)) {
        render_(interleaved.data(), kPeriodFrames);
        int code = 0;
        if (pa_simple_write(stream_, interleaved.data(), interleaved.size() * sizeof(float), &code) < 0) {
            // The server went away: the stream has ended, and sends say so from now on.
            lostReason_ = std::string("PulseAudio: ") + pa_strerror(code);
            lost_.store(true);
            break;
        }
    }
}
