#include "platform/sound/jack_midi_output.h"

#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>

#include "common/diagnostics.h"
#include "engine/midi_port.h"
#include "platform/sound/jack_client.h"
#include "platform/sound/spsc_ring.h"

namespace {

// A message on its way to the audio thread. `at`: when it is to sound, on JACK's clock
// (jack_get_time, in nanoseconds), or kAtOnce.
struct QueuedMessage {
    int64_t at = 0;
    uint32_t packed = 0;
};
constexpr int64_t kAtOnce = INT64_MIN;

// Far more than are ever in flight: 20 ms of latency holds a few dozen messages.
constexpr size_t kQueueCapacity = 2048;

// How long close() waits for queued messages to go out.
// A closing sweep sits a placement latency ahead: at most a long period and its margin.
constexpr auto kDrainLimit = std::chrono::milliseconds(400);

}  // namespace

struct JackMidiOutput::Shared {
    jack_client_t* client = nullptr;
    jack_port_t* port = nullptr;
    SpscRing<QueuedMessage, kQueueCapacity> queue;
    std::atomic<bool> serverGone{false};  // set by the shutdown callback
    std::atomic<bool> connected{true};    // the port still has a destination; JACK's notification thread
    std::atomic<uint64_t> cycles{0};      // process cycles run; audio thread
    std::atomic<int64_t>* playbackLatencyNs = nullptr;  // the output's, set by onLatency
    std::atomic<int64_t>* placementNs = nullptr;        // the output's, set by onBufferSize
};

namespace {

// The current cycle on JACK's clock: the start of its first frame and the time its frames span.
struct CycleSpan {
    int64_t startNs = 0;
    int64_t lengthNs = 1;
};

CycleSpan cycleSpan(jack_client_t* client, jack_nframes_t frames)
{
    jack_nframes_t firstFrame = 0;
    jack_time_t startUs = 0, nextUs = 0;
    float periodUs = 0;
    if (jack_get_cycle_times(client, &firstFrame, &startUs, &nextUs, &periodUs) == 0 && nextUs > startUs)
        return {static_cast<int64_t>(startUs) * 1000, static_cast<int64_t>(nextUs - startUs) * 1000};
    // Servers without cycle times: the frame clock's mapping, and the nominal period.
    const jack_nframes_t rate = jack_get_sample_rate(client);
    const int64_t start = static_cast<int64_t>(jack_frames_to_time(client, jack_last_frame_time(client))) * 1000;
    return {start, rate ? static_cast<int64_t>(frames) * 1'000'000'000 / rate : 1};
}

// Audio thread: writes every queued message whose time falls in this cycle at its frame, in
// queue order, never before the frame of the message written before it. A message for a later
// cycle stays queued, and so does everything behind it.
int process(jack_nframes_t frames, void* argument)
{
    auto& shared = *static_cast<JackMidiOutput::Shared*>(argument);
    void* buffer = jack_port_get_buffer(shared.port, frames);
    jack_midi_clear_buffer(buffer);
    const CycleSpan cycle = cycleSpan(shared.client, frames);
    jack_nframes_t firstFree = 0;
    while (const QueuedMessage* message = shared.queue.front()) {
        jack_nframes_t frame = firstFree;
        if (message->at != kAtOnce && message->at > cycle.startNs) {
            const int64_t sinceStart = message->at - cycle.startNs;
            if (sinceStart >= cycle.lengthNs)
                break;
            // Rounded to the nearest frame; the last half frame belongs to the next cycle.
            const int64_t exact = (sinceStart * frames + cycle.lengthNs / 2) / cycle.lengthNs;
            if (exact >= frames)
                break;
            if (exact > frame)
                frame = static_cast<jack_nframes_t>(exact);
        }
        const uint32_t packed = message->packed;
        const jack_midi_data_t bytes[3] = {static_cast<jack_midi_data_t>(packed),
                                           static_cast<jack_midi_data_t>(packed >> 8),
                                           static_cast<jack_midi_data_t>(packed >> 16)};
        // A clock message is one byte, a program change or channel pressure two.
        const size_t size = static_cast<size_t>(shortMessageLength(packed));
        if (jack_midi_event_write(buffer, frame, bytes, size) != 0)
            break;  // the port's buffer is full: the rest go out next cycle
        firstFree = frame;
        shared.queue.pop();
    }
    shared.cycles.fetch_add(1, std::memory_order_release);
    return 0;
}

// A JACK thread, when the server goes away or drops this client: nothing of JACK may be called.
void onShutdown(void* argument)
{
    static_cast<JackMidiOutput::Shared*>(argument)->serverGone.store(true);
}

// JACK's notification thread: our port was connected or disconnected (its destination went away,
// or a patchbay connected it again). Every connection made is followed by its notice, so a lost
// destination is never missed, however soon after opening it goes.
void onPortConnect(jack_port_id_t a, jack_port_id_t b, int connect, void* argument)
{
    auto& shared = *static_cast<JackMidiOutput::Shared*>(argument);
    if (!shared.port)
        return;
    if (jack_port_by_id(shared.client, a) != shared.port && jack_port_by_id(shared.client, b) != shared.port)
        return;
    shared.connected.store(connect != 0);
}

// JACK's notification thread, whenever the graph's latencies are computed afresh (a connection
// made or broken, a client that changed its own): our port's playback latency, the largest over
// its connections, in ns. Our client only sends, so it adds no latency of its own to declare.
void onLatency(jack_latency_callback_mode_t mode, void* argument)
{
    auto& shared = *static_cast<JackMidiOutput::Shared*>(argument);
    if (mode != JackPlaybackLatency || !shared.port)
        return;
    jack_latency_range_t range{};
    jack_port_get_latency_range(shared.port, JackPlaybackLatency, &range);
    const jack_nframes_t rate = jack_get_sample_rate(shared.client);
    const int64_t ns = rate ? static_cast<int64_t>(range.max) * 1'000'000'000 / rate : 0;
    shared.playbackLatencyNs->store(ns, std::memory_order_relaxed);
}

// JACK's process thread (between cycles), whenever the server's period is set or changed.
int onBufferSize(jack_nframes_t frames, void* argument)
{
    auto& shared = *static_cast<JackMidiOutput::Shared*>(argument);
    shared.placementNs->store(jackPlacementLatency(frames, jack_get_sample_rate(shared.client)).count(),
                              std::memory_order_relaxed);
    return 0;
}

}  // namespace

MessageTime jackPlacementLatency(uint32_t frames, uint32_t rate)
{
    const MessageTime period(rate ? int64_t{frames} * 1'000'000'000 / rate : 0);
    return std::max<MessageTime>(kJackMidiLatency, period + kJackWakeMargin);
}

JackMidiOutput::JackMidiOutput() = default;

JackMidiOutput::~JackMidiOutput()
{
    close();
}

int JackMidiOutput::open(const std::string& destination)
{
    if (shared_)
        return MidiResult::Allocated;
    auto shared = std::make_unique<Shared>();
    shared->client = openJackClient(kJackClientName);
    if (!shared->client) {
        logDiagnostic("no JACK server runs");
        return MidiResult::NoDevice;
    }
    auto fail = [&](int code, const char* what) {
        logDiagnostic("JACK port '" + destination + "': " + what);
        jack_client_close(shared->client);
        return code;
    };
    if (!jack_port_by_name(shared->client, destination.c_str()))
        return fail(MidiResult::NoDevice, "it is gone");
    shared->port = jack_port_register(shared->client, "output", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!shared->port)
        return fail(MidiResult::Unknown, "cannot make an output port");
    if (jack_set_process_callback(shared->client, process, shared.get()) != 0)
        return fail(MidiResult::Unknown, "cannot set the process callback");
    jack_on_shutdown(shared->client, onShutdown, shared.get());
    if (jack_set_port_connect_callback(shared->client, onPortConnect, shared.get()) != 0)
        return fail(MidiResult::Unknown, "cannot follow its connections");
    shared->playbackLatencyNs = &playbackLatencyNs_;
    playbackLatencyNs_.store(0);
    if (jack_set_latency_callback(shared->client, onLatency, shared.get()) != 0)
        return fail(MidiResult::Unknown, "cannot follow its latency");
    shared->placementNs = &placementNs_;
    onBufferSize(jack_get_buffer_size(shared->client), shared.get());
    if (jack_set_buffer_size_callback(shared->client, onBufferSize, shared.get()) != 0)
        return fail(MidiResult::Unknown, "cannot follow its period");
    if (jack_activate(shared->client) != 0)
        return fail(MidiResult::Unknown, "cannot activate the client");
    const int connected = jack_connect(shared->client, jack_port_name(shared->port), destination.c_str());
    if (connected != 0 && connected != EEXIST)
        return fail(MidiResult::NoDevice, "cannot connect to it");
    onLatency(JackPlaybackLatency, shared.get());  // as it stands now; the callback follows changes
    shared_ = std::move(shared);
    return MidiResult::Ok;
}

int JackMidiOutput::send(uint32_t packed, MessageTime intendedTime)
{
    if (!shared_)
        return MidiResult::InvalidHandle;
    if (shared_->serverGone.load() || !shared_->connected.load(std::memory_order_relaxed))
        return MidiResult::NotReady;
    QueuedMessage message{kAtOnce, packed};
    if (intendedTime != kSendAtOnce) {
        // JACK's clock is not the steady clock (jackd uses CLOCK_MONOTONIC_RAW): carry over by their
        // difference, read side by side.
        // A time more than an hour away is taken as an hour away, so nothing overflows.
        const MessageTime steadyNow = std::chrono::steady_clock::now().time_since_epoch();
        const MessageTime hour = std::chrono::hours(1);
        const MessageTime ahead = intendedTime > steadyNow + hour   ? hour
                                  : intendedTime < steadyNow - hour ? -hour
                                                                    : intendedTime - steadyNow;
        message.at = (steadyNow + ahead + placementLatency()).count() + jackMinusSteadyNs();
    }
    return shared_->queue.push(message) ? MidiResult::Ok : MidiResult::NotReady;
}

int JackMidiOutput::close()
{
    if (!shared_)
        return MidiResult::InvalidHandle;
    playbackLatencyNs_.store(0);
    // Let what is queued (a closing note-off sweep sits a placement latency ahead) reach the port,
    // and its cycle finish, unless the server is gone or has stopped running cycles.
    const auto giveUp = std::chrono::steady_clock::now() + kDrainLimit;
    // Two cycles after the queue was seen empty, the cycle that wrote its last message is over.
    uint64_t emptySince = 0;
    bool drained = false;
    while (!shared_->serverGone.load() && std::chrono::steady_clock::now() < giveUp) {
        const uint64_t cycles = shared_->cycles.load(std::memory_order_acquire);
        if (drained && cycles >= emptySince + 2)
            break;
        if (!drained && shared_->queue.empty()) {
            drained = true;
            emptySince = cycles;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (shared_->serverGone.load()) {
        // libjack frees a client whose server has died by itself, at the next jack_client_open of
        // this process (a device listing, a new port); closing it here as well would free it
        // twice. What its callbacks see stays allocated for the same reason: a few kilobytes for
        // each server that went away.
        (void)shared_.release();
        return MidiResult::Ok;
    }
    // jack_client_close removes the port with the client; jack_port_unregister is never called.
    jack_client_close(shared_->client);
    shared_.reset();
    playbackLatencyNs_.store(0);  // a last latency callback may have come while draining
    return MidiResult::Ok;
}
