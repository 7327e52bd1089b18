// Where the synthesiser places messages in time: rendered offline through the placement path the
// live synthesiser shares, and read back sample by sample. Also the live time-to-frame mapping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/midi_port.h"
#include "platform/sound/offline_wav_render.h"
#include "platform/sound/synth_frame_timeline.h"
#include "harness/child_process.h"

namespace {

using namespace std::chrono_literals;

TimedMessage at(std::chrono::nanoseconds time, int status, int data1, int data2)
{
    return {time, packShortMessage(status, data1, data2), time};
}

int64_t frameOfTime(std::chrono::nanoseconds time)
{
    return time.count() * kWavSampleRate / 1'000'000'000;
}

class SynthPlacementTest : public ::testing::Test {
protected:
    void SetUp() override { directory_ = makeTestDirectory(); }
    void TearDown() override { removeTestDirectory(directory_); }

    // The left channel of the rendered file; empty when the render fails.
    std::vector<int16_t> render(const std::vector<TimedMessage>& messages, const std::string& name)
    {
        const std::string path = directory_ + "/" + name + ".wav";
        std::string error;
        if (renderWavFile(messages, path, error) != 0) {
            ADD_FAILURE() << error;
            return {};
        }
        std::ifstream file(path, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::vector<int16_t> left;
        for (size_t at = 44; at + 4 <= bytes.size(); at += 4)
            left.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[at]) | bytes[at + 1] << 8));
        return left;
    }

    std::string directory_;
};

}  // namespace

// Wood-block hits at times that fall inside render blocks and between milliseconds, with reverb
// and chorus off, so each hit starts from silence (only the 16-bit dither): its first loud sample
// lies in the 64-frame block that begins at or after its frame.
TEST_F(SynthPlacementTest, EachMessageSoundsInTheBlockOfItsTime)
{
    const std::vector<std::chrono::nanoseconds> times = {300'000'000ns, 1'000'370'000ns, 1'700'810'000ns,
                                                         2'400'023'000ns, 3'092'880'000ns};
    std::vector<TimedMessage> messages = {at(0ns, 0xC0, 115, 0), at(0ns, 0xB0, 91, 0), at(0ns, 0xB0, 93, 0)};
    for (auto time : times) {
        messages.push_back(at(time, 0x90, 76, 120));
        messages.push_back(at(time + 60ms, 0x80, 76, 64));
    }
    const std::vector<int16_t> left = render(messages, "placed");
    ASSERT_GT(left.size(), static_cast<size_t>(frameOfTime(times.back()) + 1000));
    // The first sample clearly above what sounds just before (the previous hit's fading tail).
    const auto onsetNear = [&](int64_t frame) {
        int floor = 4;
        for (int64_t i = frame - 1000; i < frame - 200; ++i)
            floor = std::max(floor, 2 * std::abs(static_cast<int>(left[i])));
        int64_t onset = frame - 200;
        while (onset < frame + 1000 && std::abs(static_cast<int>(left[onset])) <= floor)
            ++onset;
        return onset;
    };
    // The wood block's own attack: how far its first loud sample lies behind the block start.
    const int64_t firstFrame = frameOfTime(times[0]);
    const int64_t attack = onsetNear(firstFrame) - (firstFrame + 63) / 64 * 64;
    ASSERT_GE(attack, 0);
    ASSERT_LT(attack, 64);
    for (auto time : times) {
        const int64_t frame = frameOfTime(time);
        const int64_t start = onsetNear(frame) - attack;
        // 4 frames for the detector: the fading tail before each hit differs.
        EXPECT_GE(start, frame - 4) << "a hit sounds before its time, " << time.count() << " ns";
        EXPECT_LT(start, frame + 64 + 4) << "a hit sounds later than its block, " << time.count() << " ns";
    }
}

// A Stop sweep stamped earlier than the note it follows (the note was scheduled ahead) must not
// overtake it: the organ note is released as soon as it starts instead of holding for seconds.
TEST_F(SynthPlacementTest, ASweepSentAfterAScheduledNoteNeverLandsBeforeIt)
{
    std::vector<TimedMessage> messages = {at(0ns, 0xC0, 19, 0), at(1000ms, 0x90, 60, 100)};
    for (int channel = 0; channel < 16; ++channel)
        messages.push_back(at(600ms, 0x80 + channel, 60, 64));
    const std::vector<int16_t> left = render(messages, "sweep");
    ASSERT_FALSE(left.empty());
    int peak = 0;
    for (int64_t i = frameOfTime(1000ms); i < frameOfTime(1100ms); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(left[i])));
    EXPECT_GT(peak, 100) << "the note did not sound";
    // Held, the note would sound until the render's 10-second release limit.
    EXPECT_LT(left.size(), static_cast<size_t>(frameOfTime(4s))) << "the note was not released";
}

// Channel 10 plays the tone it is given (as a percussion channel it would ignore program 6).
TEST_F(SynthPlacementTest, Channel10WithTone6SoundsDifferentFromTone0)
{
    const auto notes = [](int tone) {
        return std::vector<TimedMessage>{at(0ns, 0xC9, tone, 0), at(10ms, 0x99, 60, 100), at(500ms, 0x89, 60, 64)};
    };
    const std::vector<int16_t> piano = render(notes(0), "tone0");
    const std::vector<int16_t> harpsichord = render(notes(6), "tone6");
    ASSERT_FALSE(piano.empty());
    EXPECT_NE(piano, harpsichord);
}

// The live mapping, after the stream's first half second: reports of when a frame is heard that
// scatter by a millisecond move where a time lands by a small fraction of a 64-frame block; a
// stream that stalls for 50 ms (an underrun) is followed within half a second.
TEST(SynthFrameTimelineTest, ScatteredReportsDoNotMoveEventsAndAStallIsFollowed)
{
    FrameTimeline timeline(44100);
    const int64_t start = 5'000'000'000;
    const auto report = [&](int64_t frame, int64_t offNs) {
        return MessageTime(start + frame * 1'000'000'000 / 44100 + offNs);
    };
    const MessageTime probe(start + 2'000'000'000);  // frame 88200
    const int64_t firstFrame = 44100 / 2;
    int64_t call = 0;
    for (; call < 2000; ++call) {
        const int64_t frame = firstFrame + call * 256;
        timeline.observe(frame, report(frame, (call * 7919) % 11 * 200'000 - 1'000'000));  // -1 to +1 ms
        EXPECT_NEAR(timeline.frameAt(probe), 88200, 44) << "call " << call;  // within 1 ms always
    }
    EXPECT_NEAR(timeline.frameAt(probe), 88200, 4);  // and settled within 0.1 ms

    for (; call < 2100; ++call)
        timeline.observe(firstFrame + call * 256, report(firstFrame + call * 256, 50'000'000));
    EXPECT_NEAR(timeline.frameAt(probe), 88200 - 2205, 44);  // 50 ms of frames earlier
}
