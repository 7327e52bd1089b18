#include "platform/sound/jack_control_ports.h"

#include <jack/midiport.h>

#include <atomic>
#include <chrono>

#include "app/control/clock_feed.h"
#include "common/diagnostics.h"
#include "engine/midi_port.h"
#include "platform/sound/jack_client.h"
#include "platform/sound/spsc_ring.h"

struct JackControlPorts::Shared {
    jack_client_t* client = nullptr;
    jack_port_t* input = nullptr;
    jack_port_t* output = nullptr;
    ControlInbox* inbox = nullptr;
    ClockMessageSink* clockSink = nullptr;
    SpscRing<uint32_t, 256> feedback;     // UI thread to the process callback
    std::atomic<bool> serverGone{false};  // set by the shutdown callback
};

namespace {

Clock::Duration steadyNow()
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

// Process thread: every message at the input goes to the clock follower or the UI thread's queue;
// the feedback queued by the UI thread goes out at the start of the cycle.
int process(jack_nframes_t frames, void* argument)
{
    auto& shared = *static_cast<JackControlPorts::Shared*>(argument);
    void* in = jack_port_get_buffer(shared.input, frames);
    const uint32_t count = jack_midi_get_event_count(in);
    if (count > 0) {
        const Clock::Duration now = steadyNow();
        const jack_nframes_t cycleStart = jack_last_frame_time(shared.client);
        const int64_t jackMinusSteady = jackMinusSteadyNs();
        for (uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, in, i) != 0 || event.size == 0)
                continue;
            // The clock's ticks are timed by their frame, so the period's granularity drops out.
            const int64_t frameJackNs = static_cast<int64_t>(jack_frames_to_time(shared.client, cycleStart + event.time)) * 1000;
            const Clock::Duration atFrame{frameJackNs - jackMinusSteady};
            if (!takeRealTimeMessage(shared.clockSink, event.buffer, event.size, atFrame))
                shared.inbox->post(ControlInbox::Jack, event.buffer, event.size, now);
        }
    }
    void* out = jack_port_get_buffer(shared.output, frames);
    jack_midi_clear_buffer(out);
    while (const uint32_t* packed = shared.feedback.front()) {
        const jack_midi_data_t bytes[3] = {static_cast<jack_midi_data_t>(*packed),
                                           static_cast<jack_midi_data_t>(*packed >> 8),
                                           static_cast<jack_midi_data_t>(*packed >> 16)};
        if (jack_midi_event_write(out, 0, bytes, static_cast<size_t>(shortMessageLength(*packed))) != 0)
            break;  // the buffer is full: the rest next cycle
        shared.feedback.pop();
    }
    return 0;
}

// A JACK thread, when the server goes away or drops this client: nothing of JACK may be called.
void onShutdown(void* argument)
{
    static_cast<JackControlPorts::Shared*>(argument)->serverGone.store(true);
}

}  // namespace

JackControlPorts::JackControlPorts(ControlInbox& inbox, ClockMessageSink* clockSink)
    : inbox_(inbox), clockSink_(clockSink)
{
}

JackControlPorts::~JackControlPorts()
{
    close();
}

bool JackControlPorts::open()
{
    if (shared_ && shared_->serverGone.load()) {
        // libjack frees a client whose server has died by itself (at the next jack_client_open of
        // this process); closing it here as well would free it twice. Its few bytes stay.
        (void)shared_.release();
        logDiagnostic("the JACK server has gone: the control input waits for one");
    }
    if (shared_)
        return true;
    auto shared = std::make_unique<Shared>();
    shared->inbox = &inbox_;
    shared->clockSink = clockSink_;
    shared->client = openJackClient(kJackClientName);
    if (!shared->client)
        return false;
    auto fail = [&](const char* what) {
        logDiagnostic(std::string("JACK control ports: ") + what);
        jack_client_close(shared->client);
        return false;
    };
    shared->input = jack_port_register(shared->client, kControlInputPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    shared->output =
        jack_port_register(shared->client, kControlOutputJackPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!shared->input || !shared->output)
        return fail("cannot make the ports");
    if (jack_set_process_callback(shared->client, process, shared.get()) != 0)
        return fail("cannot set the process callback");
    jack_on_shutdown(shared->client, onShutdown, shared.get());
    if (jack_activate(shared->client) != 0)
        return fail("cannot activate the client");
    shared_ = std::move(shared);
    return true;
}

void JackControlPorts::close()
{
    if (!shared_)
        return;
    if (shared_->serverGone.load()) {
        (void)shared_.release();  // freed by libjack, as in open()
        return;
    }
    jack_client_close(shared_->client);
    shared_.reset();
}

bool JackControlPorts::isOpen() const
{
    return shared_ && !shared_->serverGone.load();
}

void JackControlPorts::sendFeedback(uint32_t packed)
{
    if (isOpen())
        (void)shared_->feedback.push(packed);
}
