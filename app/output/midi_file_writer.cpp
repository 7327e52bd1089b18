#include "app/output/midi_file_writer.h"

#include <array>
#include <bitset>

#include "engine/midi_port.h"

namespace {

void putBigEndian(std::string& out, uint32_t value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void putVariableLength(std::string& out, uint32_t value)
{
    char groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<char>(value & 0x7F);
        value >>= 7;
    } while (value);
    while (count > 1)
        out.push_back(static_cast<char>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

// The largest delta a variable-length quantity holds (about 74 hours of ticks).
constexpr int64_t kMaxDelta = 0x0FFFFFFF;

struct Track {
    std::string events;
    int64_t lastTick = 0;

    // Longer gaps than one delta can hold are bridged with empty text events.
    void advanceTo(int64_t tick)
    {
        if (tick < lastTick)  // runs are recorded in time order; never write a negative delta
            tick = lastTick;
        while (tick - lastTick > kMaxDelta) {
            putVariableLength(events, kMaxDelta);
            events += std::string("\xFF\x01\x00", 3);
            lastTick += kMaxDelta;
        }
        putVariableLength(events, static_cast<uint32_t>(tick - lastTick));
        lastTick = tick;
    }

    void putName(const std::string& name)
    {
        events += std::string("\x00\xFF\x03", 3);
        putVariableLength(events, static_cast<uint32_t>(name.size()));
        events += name;
    }
};

bool isTwoByteMessage(uint8_t status)
{
    return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0;
}

void putMessage(Track& track, uint8_t status, uint8_t data1, uint8_t data2)
{
    track.events.push_back(static_cast<char>(status));
    track.events.push_back(static_cast<char>(data1));
    if (!isTwoByteMessage(status))
        track.events.push_back(static_cast<char>(data2));
}

// Which notes sound in the file so far, per channel and pitch, so that every note-on gets exactly
// one note-off: a sequencer draws overlapping notes and note-offs without a note as faults.
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

    // The notes still sounding at the end, channel by channel, lowest pitch first.
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

}  // namespace

std::string buildMidiFile(const std::vector<TimedMessage>& messages, int32_t layers, int32_t beatMs)
{
    if (layers < 1 || layers > 8)
        layers = 8;
    // A beat of 1..32767 ticks fits the header's 15-bit division; 1000 otherwise (120 BPM at 2 per second).
    if (beatMs < 1 || beatMs > 0x7FFF)
        beatMs = 1000;

    std::vector<Track> tracks(static_cast<size_t>(layers) + 1);
    tracks[0].putName("tempo");
    const uint32_t microsecondsPerBeat = static_cast<uint32_t>(beatMs) * 1000;
    tracks[0].events += std::string("\x00\xFF\x51\x03", 4);
    putBigEndian(tracks[0].events, microsecondsPerBeat, 3);
    // 4/4: a bar of four beats (alpha events of the lowest layer), 24 clocks a click, 8 32nds a beat.
    tracks[0].events += std::string("\x00\xFF\x58\x04\x04\x02\x18\x08", 8);
    for (int32_t layer = 0; layer < layers; ++layer)
        tracks[static_cast<size_t>(layer) + 1].putName("layer " + std::to_string(layer + 1));

    int64_t endTick = 0;
    NotePairing pairing;
    for (const TimedMessage& message : messages) {
        const uint8_t status = message.status();
        const int32_t layer = (status & 0x0F) / 2;
        if (!isValidMidiMessage(message.packed) || status >= 0xF0 || layer >= layers)
            continue;
        bool endFirst = false;
        if (!pairing.admit(status, message.data1(), message.data2(), endFirst))
            continue;
        Track& track = tracks[static_cast<size_t>(layer) + 1];
        track.advanceTo(message.timeMs());
        if (endFirst) {  // the repeated note ends the sounding one at the same tick
            putMessage(track, static_cast<uint8_t>(0x80 | (status & 0x0F)), message.data1(), 64);
            track.events.push_back(0);  // delta 0 before the note-on itself
        }
        putMessage(track, status, message.data1(), message.data2());
        if (track.lastTick > endTick)
            endTick = track.lastTick;
    }
    // A run cut short (Cancel, the message limit) may leave notes sounding: they end with the file.
    pairing.forEachSounding([&](uint8_t channel, uint8_t pitch) {
        Track& track = tracks[static_cast<size_t>(channel / 2) + 1];
        track.advanceTo(endTick);
        putMessage(track, static_cast<uint8_t>(0x80 | channel), pitch, 64);
    });

    std::string bytes = "MThd";
    putBigEndian(bytes, 6, 4);
    putBigEndian(bytes, 1, 2);  // type 1
    putBigEndian(bytes, static_cast<uint32_t>(tracks.size()), 2);
    putBigEndian(bytes, static_cast<uint32_t>(beatMs), 2);
    for (Track& track : tracks) {
        track.advanceTo(endTick);
        track.events += std::string("\xFF\x2F\x00", 3);  // end of track, at the common last tick
        bytes += "MTrk";
        putBigEndian(bytes, static_cast<uint32_t>(track.events.size()), 4);
        bytes += track.events;
    }
    return bytes;
}
