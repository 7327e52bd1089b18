// Which notes sound, per channel and pitch, so that every note-on gets exactly one note-off: the
// rule the MIDI file writer and every live output share. A receiver that gives each note-on a
// voice of its own (many hardware synthesisers and samplers) would keep one hanging per repeat.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>

class NotePairing {
public:
    // What to pass on for a channel message: false to leave it out (a note-off of a note that is
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
            if (!channel.test(pitch & 0x7F))
                return false;
            channel.reset(pitch & 0x7F);
            return true;
        }
        endFirst = channel.test(pitch & 0x7F);
        channel.set(pitch & 0x7F);
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

    // Nothing sounds (a port opened afresh).
    void clear() { sounding_ = {}; }

private:
    std::array<std::bitset<128>, 16> sounding_{};
};

// Passes one packed short message (status in bits 0-7) through `pairing` to `send(packed)`: a
// repeated note-on is preceded by a note-off (velocity 64) of the sounding one, a note-off of a
// note not sounding is left out (0 then, as sent). Returns what the last send returned.
template <typename Send>
int sendPaired(NotePairing& pairing, uint32_t packed, Send send)
{
    const auto status = static_cast<uint8_t>(packed & 0xFF);
    const auto pitch = static_cast<uint8_t>((packed >> 8) & 0x7F);
    bool endFirst = false;
    if (!pairing.admit(status, pitch, static_cast<uint8_t>((packed >> 16) & 0x7F), endFirst))
        return 0;
    if (endFirst) {
        const uint32_t noteOff = (0x80u | (status & 0x0Fu)) | static_cast<uint32_t>(pitch) << 8 | 64u << 16;
        if (const int code = send(noteOff); code != 0)
            return code;
    }
    return send(packed);
}
