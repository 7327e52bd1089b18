// The state of the one open MIDI output port: its backend, the lock around it, and what the
// program remembers about its failures and message times.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine/clock.h"
#include "engine/error_reporter.h"
#include "engine/port_backend.h"

// The mutex serialises every backend call, so the two threads never send at once and no message
// goes to a port that is being closed or replaced.
struct MidiPort {
    PortBackend* backend = nullptr;
    ErrorReporter* reporter = nullptr;
    std::mutex lock;
    // A failing port is reported once: later failed sends are only counted, until the port is
    // opened again (a device change, or reopening the same device).
    std::atomic<bool> sendFailureShown{false};
    std::atomic<uint32_t> failedSends{0};
    bool isOpen = false;  // under `lock`: the last open succeeded and no close followed
    // The playback thread's clock: messages sent without a time carry its "now".
    Clock* clock = nullptr;
    // Under `lock`: the last time handed to the backend, so times never go backwards on the port.
    MessageTime lastTime = kSendAtOnce;
};
