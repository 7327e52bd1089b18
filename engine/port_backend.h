// What the MIDI port needs of an output device: the real ones live in platform/, test doubles
// record. Every call returns a result code of the port's tables (0 = success).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// Result codes the backends report; their texts are in midi_port.h.
namespace MidiResult {
inline constexpr int Ok = 0;
inline constexpr int BadDeviceId = 2;     // open: device id out of range
inline constexpr int Allocated = 4;       // open: resource already allocated
inline constexpr int InvalidHandle = 5;   // close/send: port not open
inline constexpr int NoMemory = 7;
inline constexpr int InvalidParam = 11;
inline constexpr int StillPlaying = 65;
inline constexpr int NotReady = 67;       // send: device busy or gone
inline constexpr int BadOpenMode = 70;
inline constexpr int NoDevice = 68;       // open: no MIDI port found
inline constexpr int Unknown = 1;         // anything else; shows "unknown error"
}  // namespace MidiResult

// When a message is meant to sound, on the playback thread's clock (the steady clock's epoch in
// the program). Outputs that can place events play it at that time plus a constant latency;
// a time already past plays at once. kSendAtOnce: no time is known, play at once.
using MessageTime = std::chrono::nanoseconds;

// Bit 24 of a packed message: one of its data values was outside 0..127 before it was cut to its
// low 8 bits (a note of 300 packs as 44). Real outputs leave such a message out, as one with a
// data byte above 127; a message list writes its three bytes as they were sent.
inline constexpr uint32_t kDataOutOfRange = 1u << 24;
inline constexpr MessageTime kSendAtOnce = MessageTime::min();

class PortBackend {
public:
    virtual ~PortBackend() = default;
    // Opens device -1 (the built-in synthesiser) or 0..N-1 (the listed ports); replaces nothing:
    // the caller closes first.
    virtual int open(int32_t deviceId) = 0;
    // Sends one packed short message: status in bits 0-7, data 1 in 8-15, data 2 in 16-23, and
    // maybe kDataOutOfRange. Times come non-decreasing for one open port.
    virtual int send(uint32_t packedMessage, MessageTime intendedTime) = 0;
    virtual int close() = 0;
    // Why the last failed open or send failed, in words for the user (the soundfont that is
    // missing, the audio server that went away); empty when the result code says it all.
    virtual std::string failureReason() { return {}; }
    // How long after its intended time a message sounds: the output's constant placement latency
    // plus reportedLatency(); zero for outputs that send at once and report nothing. Any thread,
    // without the port's lock: it never blocks (the playback thread asks it every few ms).
    virtual MessageTime placementLatency() { return MessageTime::zero(); }
    // The part of placementLatency() that the receivers behind the output report (JACK's playback
    // latency of the port, as the graph now stands); zero where nothing is reported. Any thread,
    // never blocks.
    virtual MessageTime reportedLatency() { return MessageTime::zero(); }
    // The name the device list shows for the port of the last open ("JACK: rec:input"), which
    // the port's failure boxes start with; empty where the result code's text says enough.
    virtual std::string shownPortName() { return {}; }
};
