// The run-time record the rhythm generator plays from, shared by the UI and playback threads.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "engine/port_state.h"
#include "engine/resume_counters.h"

class LatticeFeed;

using SharedTable = std::array<std::atomic<int32_t>, 16>;

// Every field the two threads share is atomic; relaxed order is enough because a changed field
// only has to take effect at its next read. The UI thread writes everything except the shifts,
// which only the generator (playback thread) writes.
struct PlayerState {
    MidiPort port;                           // the open output port
    std::atomic<int32_t> deviceId{0};        // -1 = "MIDI_MAPPER"
    std::atomic<int32_t> playing{0};         // 1 between Play and Stop; lower layers only while 1
    std::atomic<int32_t> topLayer{0};        // the top layer index, read at the start of each pass
    std::atomic<double> numeral{0.0};
    std::atomic<int32_t> alphaMs{0};         // layer-0 alpha event length, ms
    std::atomic<int32_t> betaMs{0};          // layer-0 beta event length, ms
    std::atomic<int32_t> noteShift{0};       // active shifts, non-zero only during modulated events
    std::atomic<int32_t> velocityShift{0};
    // Per channel, the note (shift included) of the note-on sent since that channel's last
    // note-off, tagged with kSounding; 0 while nothing sounds. Written by the generator, taken by
    // the note-offs of either thread (see note_shift.h).
    std::array<std::atomic<uint64_t>, 16> soundingNotes{};
    std::atomic<int32_t> modEnabled{0};
    std::atomic<int32_t> modNoteOffset{0};
    std::atomic<int32_t> modVelocityOffset{0};
    std::atomic<int32_t> modLayer{0};        // 0-based layer index
    std::atomic<int32_t> modTone{0};         // 0 alpha, 1 beta
    SharedTable effectiveTones{};
    SharedTable effectiveNotes{};
    SharedTable effectiveVelocities{};
    std::atomic<LatticeFeed*> latticeFeed{nullptr};  // where note-ons are announced; none when null
    // Bit L set: layer L's note-ons are not sent (its timing, counters and note-offs go on).
    // Written by the UI thread at any time; read once per note-on.
    std::atomic<uint32_t> mutedLayers{0};
    ResumeCounters resume;  // where the next pass starts; a rewind asked for by the UI thread
};

inline int32_t get(const std::atomic<int32_t>& field)
{
    return field.load(std::memory_order_relaxed);
}
inline void put(std::atomic<int32_t>& field, int32_t value)
{
    field.store(value, std::memory_order_relaxed);
}
