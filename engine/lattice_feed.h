// The lock-free path from the playback thread to the lattice view: a ring of note-on events that
// the playback thread overwrites and the UI thread reads at the display rate.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "engine/clock.h"
#include "settings/rhythm_units.h"

// One event as the playback thread starts it.
struct LatticeNote {
    Clock::Duration time{};                      // intended start, on the playback thread's clock
    int32_t layer = 0;                           // 0..7
    bool alpha = false;
    std::array<uint32_t, kLayerCount> counters{};  // every layer's counter after this event's test

    uint32_t index() const { return counters[layer] - 1u; }  // the event's number in its layer
};

// Single producer (the playback thread), single consumer (the UI thread). The producer never
// waits: when the reader falls behind, the oldest entries are overwritten, and the reader notices
// (each slot carries the sequence number of the write that filled it) and skips to what is still
// there. Every field is an atomic, so nothing here is a data race.
class LatticeFeed {
public:
    static constexpr uint64_t kCapacity = 4096;  // about 15 minutes of the densest rhythm

    // Playback thread: no lock, no allocation, no system call.
    void publish(const LatticeNote& note) noexcept;

    // UI thread: the next entry not read yet, oldest first; false when there is none.
    bool next(LatticeNote& note) noexcept;

    // How many entries were lost to overwriting before the reader got to them (UI thread).
    uint64_t skipped() const noexcept { return skipped_; }

private:
    struct Slot {
        std::atomic<uint64_t> sequence{0};  // 2w+1 while write w fills it, 2w+2 when it is done
        std::atomic<int64_t> timeNs{0};
        std::atomic<uint32_t> layerAndVoice{0};  // layer in bits 0-7, alpha in bit 8
        std::array<std::atomic<uint32_t>, kLayerCount> counters{};
    };

    bool readSlot(uint64_t position, LatticeNote& note) const noexcept;

    std::array<Slot, kCapacity> slots_{};
    std::atomic<uint64_t> written_{0};  // entries published so far
    uint64_t writePosition_ = 0;        // producer's own copy of written_
    uint64_t readPosition_ = 0;         // consumer only
    uint64_t skipped_ = 0;              // consumer only
};
