#include "tools/midi_file_writer.h"

#include <array>
#include <cstdio>
#include <cstdint>

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
};

bool isTwoByteMessage(uint8_t status)
{
    return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0;
}

}  // namespace

bool buildMidiFile(const std::vector<TimedMessage>& messages, std::string& bytes, std::string& error)
{
    std::array<Track, kMidiFileLayerTracks> tracks;
    for (int layer = 0; layer < kMidiFileLayerTracks; ++layer) {
        Track& track = tracks[layer];
        const std::string name = "layer " + std::to_string(layer + 1);
        track.events += std::string("\x00\xFF\x03", 3);
        putVariableLength(track.events, static_cast<uint32_t>(name.size()));
        track.events += name;
    }
    // Tempo 1,000,000 us per quarter, at tick 0 of the first track.
    tracks[0].events += std::string("\x00\xFF\x51\x03\x0F\x42\x40", 7);

    for (const TimedMessage& message : messages) {
        const uint8_t status = message.status();
        const bool twoBytes = isTwoByteMessage(status);
        if (status < 0x80 || status >= 0xF0 || message.data1() > 0x7F || (!twoBytes && message.data2() > 0x7F)) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "-o: the message %02x %02x %02x at %lld ms has a byte a MIDI file cannot hold "
                          "(data above 127); write .txt instead",
                          status, message.data1(), message.data2(), static_cast<long long>(message.timeMs()));
            error = text;
            return false;
        }
        Track& track = tracks[(status & 0x0F) / 2];
        track.advanceTo(message.timeMs());
        track.events.push_back(static_cast<char>(status));
        track.events.push_back(static_cast<char>(message.data1()));
        if (!twoBytes)
            track.events.push_back(static_cast<char>(message.data2()));
    }

    bytes = "MThd";
    putBigEndian(bytes, 6, 4);
    putBigEndian(bytes, 1, 2);  // type 1
    putBigEndian(bytes, kMidiFileLayerTracks, 2);
    putBigEndian(bytes, kMidiFileTicksPerQuarter, 2);
    for (Track& track : tracks) {
        track.events += std::string("\x00\xFF\x2F\x00", 4);  // end of track
        bytes += "MTrk";
        putBigEndian(bytes, static_cast<uint32_t>(track.events.size()), 4);
        bytes += track.events;
    }
    return true;
}
