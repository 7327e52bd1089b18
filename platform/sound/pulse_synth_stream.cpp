#include "platform/sound/pulse_synth_stream.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <cstdlib>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/os/realtime_thread.h"

namespace {

// The kernel ids of this process's threads that carry `name`.
std::set<int> threadIds(const std::string& name)
{
    std::set<int> ids;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream comm(task.path() / "comm");
        std::string threadName;
        if (std::getline(comm, threadName) && threadName == name)
            ids.insert(std::atoi(task.path().filename().c_str()));
    }
    return ids;
}

// The name libpulse gives the I/O thread of pa_simple's threaded main loop.
constexpr const char* kPulseIoThread = "threaded-ml";

}  // namespace

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
    const std::set<int> before = threadIds(kPulseIoThread);
    stream_ = pa_simple_new(nullptr, "pulseLattice", PA_STREAM_PLAYBACK, nullptr, "built-in synthesiser", &format,
                            nullptr, &buffering, &code);
    if (!stream_) {
        error = std::string("PulseAudio: ") + pa_strerror(code);
        return false;
    }
    // The client library's own I/O thread hands every request of the server to the render
    // thread, so it gets the same priority: at an ordinary one a busy machine delays it by tens of
    // milliseconds, and the server runs dry.
    for (int id : threadIds(kPulseIoThread))
        if (!before.count(id))
            requestRealtimeScheduling(id);
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
        int code = 0;
        // What the server still holds is played before this period: that latency plus now is
        // when the period's first frame is heard (the render call's own time jitters far more).
        const pa_usec_t latency = pa_simple_get_latency(stream_, &code);
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        const std::chrono::nanoseconds heardAt =
            latency == static_cast<pa_usec_t>(-1) ? std::chrono::nanoseconds::zero()
                                                  : std::chrono::nanoseconds(now) + std::chrono::microseconds(latency);
        render_(interleaved.data(), kPeriodFrames, heardAt);
        if (pa_simple_write(stream_, interleaved.data(), interleaved.size() * sizeof(float), &code) < 0) {
            // The server went away: the stream has ended, and sends say so from now on.
            // The reason is written before the flag is published (release), so a reader that
            // sees the flag also sees the whole reason.
            lostReason_ = std::string("PulseAudio: ") + pa_strerror(code);
            lost_.store(true, std::memory_order_release);
            break;
        }
    }
}
