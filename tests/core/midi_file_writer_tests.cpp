// The .mid writer's note pairing and its tempo track, read back event by event.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/output/midi_file_writer.h"

namespace {

// One track as "tick hex-bytes" lines: channel messages as they are, meta events as "FF type data".
std::vector<std::vector<std::string>> readTracks(const std::string& file)
{
    std::vector<std::vector<std::string>> tracks;
    size_t at = 14;
    auto byte = [&](size_t i) { return static_cast<uint8_t>(file.at(i)); };
    auto variable = [&]() {
        uint32_t value = 0;
        for (;;) {
            const uint8_t b = byte(at++);
            value = (value << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return value;
        }
    };
    while (at + 8 <= file.size() && file.compare(at, 4, "MTrk") == 0) {
        const size_t length = (byte(at + 4) << 24) | (byte(at + 5) << 16) | (byte(at + 6) << 8) | byte(at + 7);
        const size_t end = at + 8 + length;
        at += 8;
        std::vector<std::string> events;
        uint32_t tick = 0;
        while (at < end) {
            tick += variable();
            const uint8_t status = byte(at);
            size_t size = status == 0xFF ? 3 + byte(at + 2) : ((status & 0xF0) == 0xC0 ? 2 : 3);
            char text[64];
            std::string line = std::to_string(tick);
            for (size_t i = 0; i < size; ++i) {
                std::snprintf(text, sizeof text, " %02x", byte(at + i));
                line += text;
            }
            events.push_back(line);
            at += size;
        }
        tracks.push_back(events);
    }
    return tracks;
}

TimedMessage message(int64_t ms, uint8_t status, uint8_t d1, uint8_t d2)
{
    return {std::chrono::milliseconds(ms), static_cast<uint32_t>(status | d1 << 8 | d2 << 16)};
}

TEST(MidiFileWriter, EveryNoteOnHasExactlyOneNoteOff)
{
    const std::vector<TimedMessage> messages{
        message(0, 0xC0, 5, 0),
        message(0, 0x90, 60, 90),
        message(100, 0x90, 60, 80),  // repeated before its note-off: the first one ends here
        message(200, 0x80, 60, 64),
        message(200, 0x80, 60, 64),  // nothing sounds any more: left out
        message(250, 0x81, 62, 64),  // never started: left out
        message(260, 0x92, 64, 70),
        message(270, 0x92, 64, 0),   // a note-on of velocity 0 ends it
        message(280, 0x92, 64, 0),   // and a second one is left out
        message(300, 0x93, 67, 70),  // still sounding at the end: ended there
        message(300, 0x91, 59, 70),
    };
    const auto tracks = readTracks(buildMidiFile(messages, 2, 240));
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[1], (std::vector<std::string>{"0 ff 03 07 6c 61 79 65 72 20 31", "0 c0 05", "0 90 3c 5a",
                                                   "100 80 3c 40", "100 90 3c 50", "200 80 3c 40", "300 91 3b 46",
                                                   "300 81 3b 40", "300 ff 2f 00"}));
    EXPECT_EQ(tracks[2], (std::vector<std::string>{"0 ff 03 07 6c 61 79 65 72 20 32", "260 92 40 46", "270 92 40 00",
                                                   "300 93 43 46", "300 83 43 40", "300 ff 2f 00"}));
}

TEST(MidiFileWriter, TempoTrackCarriesTheBeatAndAFourFourBar)
{
    const auto tracks = readTracks(buildMidiFile({message(0, 0x90, 60, 90), message(480, 0x80, 60, 64)}, 1, 240));
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0], (std::vector<std::string>{"0 ff 03 05 74 65 6d 70 6f", "0 ff 51 03 03 a9 80",
                                                   "0 ff 58 04 04 02 18 08", "480 ff 2f 00"}));
    EXPECT_EQ(tracks[1].back(), "480 ff 2f 00");
}

}  // namespace
