// Remote control over OSC as plain data: a decoded message (address and typed arguments) becomes
// the same command the menu, keys and lattice window run, or is refused with one line in the log.
// No OSC library here (platform/net decodes the packets). UI thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/app_context.h"

// One argument as it arrived: 'i' (int32), 'f' (float32 or float64), 's' (string or symbol), or
// another OSC type tag whose value is not kept.
struct OscArgument {
    char type = 0;
    int32_t i = 0;
    double f = 0.0;
    std::string s;
};

struct OscMessage {
    std::string address;
    std::vector<OscArgument> arguments;
};

// What the handler did, since the server started.
struct OscCounters {
    uint64_t handled = 0;
    uint64_t refused = 0;  // wrong type, out of range, unknown address, or not now
};

// The address space, every address under /pulselattice:
//   /play, /stop, /rewind, /clear, /tap         no arguments
//   /mute i i      layer 1-8, 0 or 1            /solo i    layer 1-8, 0 ends the solo
//   /link i, /clock i                           0 or 1: Link, sending MIDI clock
//   /tempo f       BPM 20-999, only with Link on: the session's tempo
//   /state         replies /pulselattice/state s:play state i:muted layers (bit 0 = layer 1)
//                  i:soloed layer (0 none) i:link i:clock f:tempo (BPM)
inline constexpr const char* kOscPrefix = "/pulselattice/";

// Runs one message. Returns the reply to send back to the sender (for /state), else nothing.
// A refused message writes one line with logDiagnostic and counts in `counters`.
std::optional<OscMessage> handleOscMessage(AppContext& app, const OscMessage& message, OscCounters& counters);
