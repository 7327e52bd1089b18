// MIDI output to one JACK MIDI input port through a JACK client of our own, every message placed
// at its intended time plus the output's placement latency, to the frame.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/port_backend.h"

// How long after its intended time a message sounds on JACK: the least placement latency. A message
// must be queued before the cycle it falls in starts, so the latency is one JACK period plus the
// playback thread's wake-up lateness at least: the period plus kJackWakeMargin, and never less than
// kJackMidiLatency (1024 frames at 48 kHz: 36.3 ms; 256 frames: 20.3 ms).
inline constexpr std::chrono::milliseconds kJackMidiLatency{20};
inline constexpr std::chrono::milliseconds kJackWakeMargin{15};

// The placement latency for a period of `frames` at `rate` Hz.
MessageTime jackPlacementLatency(uint32_t frames, uint32_t rate);

// Result codes: open gives 68 when no JACK server runs or the destination port is gone. A send
// never blocks and never talks to the server: it fails with 67 ("the hardware is busy with other
// data") when the server has gone away, when the destination is no longer connected, or when the
// queue to the audio thread is full (the server has stopped running cycles).
class JackMidiOutput {
public:
    JackMidiOutput();
    ~JackMidiOutput();
    JackMidiOutput(const JackMidiOutput&) = delete;
    JackMidiOutput& operator=(const JackMidiOutput&) = delete;

    // `destination`: a full JACK port name, "client:port".
    int open(const std::string& destination);
    // One thread at a time (the caller serialises). `intendedTime` on the steady clock; the
    // message is written at the frame of intendedTime + placementLatency(), never before one sent
    // earlier; a time already past, or kSendAtOnce, takes the first free frame of the next cycle.
    int send(uint32_t packedMessage, MessageTime intendedTime);
    // Waits (at most a few periods) until queued messages are out, so a closing note-off sweep
    // is heard, then leaves the server. Safe after the server has died, also when another JACK
    // client has been opened since (libjack then frees the dead client itself).
    int close();
    bool isOpen() const { return shared_ != nullptr; }
    // The port's playback latency as JACK reports it (the largest over its connections: the time
    // from our port to the speaker, a synthesiser's own delay included when it declares it), kept
    // current by JACK's latency callback; zero while closed. Any thread, lock-free.
    MessageTime playbackLatency() const { return MessageTime(playbackLatencyNs_.load(std::memory_order_relaxed)); }
    // How long after its intended time each message is written: jackPlacementLatency of the
    // server's period, kept current when the period changes. Any thread, lock-free.
    MessageTime placementLatency() const { return MessageTime(placementNs_.load(std::memory_order_relaxed)); }

    struct Shared;  // what the audio thread and the shutdown callback see

private:
    std::unique_ptr<Shared> shared_;
    // Written by JACK's notification thread (the latency callback) and by open and close; it lives
    // as long as this object, which outlives every client it opens.
    std::atomic<int64_t> playbackLatencyNs_{0};
    std::atomic<int64_t> placementNs_{MessageTime(kJackMidiLatency).count()};  // likewise (buffer size callback)
};
