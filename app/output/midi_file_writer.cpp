#include "app/output/midi_file_writer.h"

#include "engine/midi_port.h"
#include "settings/rhythm_units.h"

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

bool isTwoByteMessage(uint8_t status)
{
    return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0;
}

void putMessage(std::string& events, uint8_t status, uint8_t data1, uint8_t data2)
{
    events.push_back(static_cast<char>(status));
    events.push_back(static_cast<char>(data1));
    if (!isTwoByteMessage(status))
        events.push_back(static_cast<char>(data2));
}

}  // namespace

void MidiFileBuilder::Track::advanceTo(int64_t tick)
{
    // Longer gaps than one delta can hold are bridged with empty text events.
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

void MidiFileBuilder::Track::putName(const std::string& name)
{
    events += std::string("\x00\xFF\x03", 3);
    putVariableLength(events, static_cast<uint32_t>(name.size()));
    events += name;
}

MidiFileBuilder::MidiFileBuilder(int32_t layers, int32_t beatMs)
    : layers_(layers < kMinimumLayers || layers > kLayerCount ? kLayerCount : layers),
      // A beat of 1..32767 ticks fits the header's 15-bit division; 1000 otherwise (120 BPM at 2 per second).
      beatMs_(beatMs < 1 || beatMs > 0x7FFF ? 1000 : beatMs),
      tracks_(static_cast<size_t>(layers_) + 1)
{
    tracks_[0].putName("tempo");
    const uint32_t microsecondsPerBeat = static_cast<uint32_t>(beatMs_) * 1000;
    tracks_[0].events += std::string("\x00\xFF\x51\x03", 4);
    putBigEndian(tracks_[0].events, microsecondsPerBeat, 3);
    // 4/4: a bar of four beats (alpha events of the lowest layer), 24 clocks a click, 8 32nds a beat.
    tracks_[0].events += std::string("\x00\xFF\x58\x04\x04\x02\x18\x08", 8);
    for (int32_t layer = 0; layer < layers_; ++layer)
        tracks_[static_cast<size_t>(layer) + 1].putName("layer " + std::to_string(layer + 1));
}

void MidiFileBuilder::add(std::span<const TimedMessage> messages)
{
    for (const TimedMessage& message : messages) {
        const uint8_t status = message.status();
        const int32_t layer = (status & 0x0F) / 2;
        if (!isValidMidiMessage(message.packed)) {
            ++leftOut_;
            continue;
        }
        if (status >= 0xF0 || layer >= layers_)
            continue;
        // A repeated note ends the sounding one at the same tick: the second message's delta is 0.
        Track& track = tracks_[static_cast<size_t>(layer) + 1];
        bool first = true;
        sendPaired(pairing_, message.packed, [&](uint32_t paired) {
            if (first)
                track.advanceTo(message.timeMs());
            else
                track.events.push_back(0);
            first = false;
            putMessage(track.events, paired & 0xFF, (paired >> 8) & 0xFF, (paired >> 16) & 0xFF);
            return 0;
        });
        if (track.lastTick > endTick_)
            endTick_ = track.lastTick;
    }
}

std::string MidiFileBuilder::finish()
{
    // A run cut short (Cancel, the message limit) may leave notes sounding: they end with the file.
    pairing_.forEachSounding([&](uint8_t channel, uint8_t pitch) {
        Track& track = tracks_[static_cast<size_t>(channel / 2) + 1];
        track.advanceTo(endTick_);
        putMessage(track.events, static_cast<uint8_t>(0x80 | channel), pitch, 64);
    });
    std::string bytes = "MThd";
    putBigEndian(bytes, 6, 4);
    putBigEndian(bytes, 1, 2);  // type 1
    putBigEndian(bytes, static_cast<uint32_t>(tracks_.size()), 2);
    putBigEndian(bytes, static_cast<uint32_t>(beatMs_), 2);
    for (Track& track : tracks_) {
        track.advanceTo(endTick_);
        track.events += std::string("\xFF\x2F\x00", 3);  // end of track, at the common last tick
        bytes += "MTrk";
        putBigEndian(bytes, static_cast<uint32_t>(track.events.size()), 4);
        bytes += track.events;
        track.events = std::string();
    }
    return bytes;
}

std::string buildMidiFile(const std::vector<TimedMessage>& messages, int32_t layers, int32_t beatMs)
{
    MidiFileBuilder builder(layers, beatMs);
    builder.add(messages);
    return builder.finish();
}
