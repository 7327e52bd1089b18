// The state of the one open MIDI output port: its backend, the lock around it, and what the
// program remembers about its failures and message times.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/clock.h"
#include "engine/error_reporter.h"
#include "engine/port_backend.h"
#include "settings/output_offsets.h"

// The mutex serialises the sends, so the two threads never send at once; it is held for no more
// than one send or a copy. A device open or close runs outside it while `changing` is set, so
// the playback thread never waits for one: a send meanwhile is dropped and counted.
struct MidiPort {
    PortBackend* backend = nullptr;
    ErrorReporter* reporter = nullptr;
    std::mutex lock;
    // A failing port is reported once: later failed sends are only counted, until the port is
    // opened again (a device change, or reopening the same device).
    std::atomic<bool> sendFailureShown{false};
    std::atomic<uint32_t> failedSends{0};
    bool isOpen = false;  // under `lock`: the last open succeeded and no close followed
    bool changing = false;  // under `lock`: a device open or close is under way (UI thread)
    std::atomic<uint32_t> droppedSends{0};  // sends dropped because a device open or close was under way
    MessageTime latency{};  // under `lock`: the open output's placement latency, as last asked
    // The playback thread's clock: messages sent without a time carry its "now".
    Clock* clock = nullptr;
    // Under `lock`: the last time handed to the backend, so times never go backwards on the port.
    MessageTime lastTime = kSendAtOnce;
    // Under `lock`: every output's offset by its shown name (UI thread); the open output's is
    // taken into `offsetNs` at each open and change.
    OutputOffsets offsets;
    // The open output's offset in ns (0 while none is open): its messages go out this much
    // earlier. Written under `lock`, read by any thread without it.
    std::atomic<int64_t> offsetNs{0};
    std::string openName;  // under `lock`: the open output's shown name ("MIDI_MAPPER" for -1)
};
