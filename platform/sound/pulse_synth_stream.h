// The built-in synthesiser's PulseAudio output: a render thread of our own that feeds the stream
// in small periods.
//
// FluidSynth's own PulseAudio driver asks for a server buffer of one period, which underruns on a
// busy machine unless the period is large. Here the buffer holds several periods while the server
// asks for one period at a time, so the synthesiser renders every 5.8 ms without dropouts, and
// each render is told when its first frame will be heard.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

struct pa_simple;

class PulseSynthStream {
public:
    // 256 frames at 44.1 kHz: the render step; messages are placed inside it at their own frames.
    static constexpr int kPeriodFrames = 256;
    // Periods held by the server: 23 ms of audio in flight absorbs scheduling delays.
    static constexpr int kBufferedPeriods = 4;

    PulseSynthStream() = default;
    ~PulseSynthStream();
    PulseSynthStream(const PulseSynthStream&) = delete;
    PulseSynthStream& operator=(const PulseSynthStream&) = delete;

    // Fills `frames` interleaved stereo float frames; called on the render thread. `heardAt`: when
    // the first of them will reach the server's sink, on the steady clock (ns since its epoch),
    // as the stream reports its latency; 0 while the stream has not told.
    using Render = std::function<void(float* interleaved, int frames, std::chrono::nanoseconds heardAt)>;

    // Connects to the default server and starts calling `render` for each period (what it uses
    // must outlive the stream or the call to stop()). False with a reason in `error` when no
    // server accepts the stream.
    bool start(Render render, double sampleRate, std::string& error);
    // Ends the render thread and the stream; safe to call twice.
    void stop();
    // True once the server went away (a write failed): the stream has ended. Any thread; the
    // acquire pairs with the render thread's release, so lostReason() is complete once this is true.
    bool lost() const { return lost_.load(std::memory_order_acquire); }
    const std::string& lostReason() const { return lostReason_; }  // valid once lost() is true

private:
    void renderLoop();

    Render render_;
    pa_simple* stream_ = nullptr;
    std::atomic<bool> running_{false};
    std::atomic<bool> lost_{false};
    std::string lostReason_;
    std::thread thread_;
};
