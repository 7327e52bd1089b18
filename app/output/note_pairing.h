// Which notes sound so far in a MIDI file being written, per channel and pitch, so that every
// note-on gets exactly one note-off: a sequencer draws overlapping notes and note-offs without a
// note as faults.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>

class NotePairing {
public:
    // What to write for a channel message: false to leave it out (a note-off of a note that is
    // not sounding). `endFirst` is set when a repeated note must first end the one still sounding.
    bool admit(uint8_t status, uint8_t pitch, uint8_t velocity, bool& endFirst)
    {
        endFirst = false;
        const uint8_t kind = status & 0xF0;
        const bool on = kind == 0x90 && velocity > 0;
        const bool off = kind == 0x80 || (kind == 0x90 && velocity == 0);
        if (!on && !off)
            return true;
        std::bitset<128>& channel = sounding_[status & 0x0F];
        if (off) {
            if (!channel.test(pitch))
                return false;
            channel.reset(pitch);
            return true;
        }
        endFirst = channel.test(pitch);
        channel.set(pitch);
        return true;
    }

    // The notes still sounding, channel by channel, lowest pitch first.
    template <typename Visit>
    void forEachSounding(Visit visit) const
    {
        for (uint8_t channel = 0; channel < 16; ++channel)
            for (uint8_t pitch = 0; pitch < 128; ++pitch)
                if (sounding_[channel].test(pitch))
                    visit(channel, pitch);
    }

private:
    std::array<std::bitset<128>, 16> sounding_{};
};
