// Stop and closing are prompt for every numeral: after Stop each layer plays at most four more
// note-ons in the pass, and closing leaves the pass at once.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "engine/midi_port.h"
#include "engine/playback.h"
#include "engine/steady_clock.h"
#include "generator_test_support.h"
#include "settings/numeral_presets.h"

namespace {

using namespace std::chrono_literals;

// Plays passes until Stop (the alarm at `stopMs`) has come and the stopped pass has ended.
void playUntilStopped(VirtualPlayer& v, int64_t stopMs)
{
    bool stopped = false;
    v.clock.setAlarm(std::chrono::milliseconds(stopMs), [&] {
        put(v.player.playing, 0);
        sendNoteOffSweep(v.player);
        stopped = true;
    });
    while (!stopped)
        v.pass();
}

struct LayerCount {
    int noteOnsAfterStop = 0;
    uint32_t noteOns = 0;
    bool lastNoteOnWasBeta = true;
};

LayerCount countLayer(const VirtualPlayer& v, int layer, int64_t stopMs)
{
    LayerCount count;
    for (const TimedMessage& m : v.port.messages) {
        if ((m.status() & 0xF0) != 0x90 || (m.status() & 0x0F) / 2 != layer)
            continue;
        ++count.noteOns;
        count.noteOnsAfterStop += m.timeMs() >= stopMs;
        count.lastNoteOnWasBeta = (m.status() & 1) != 0;
    }
    return count;
}

// Just above 1 a single cycle holds about a million events: the stopped pass still ends at once,
// each layer closing its cut cycle, and no counter advances for an event that was not played.
TEST(StopDrain, EveryLayerSendsAtMostFourNoteOnsAfterStop)
{
    for (double numeral : {1.000001, 1.1}) {
        VirtualPlayer v(numeral, 4);
        playUntilStopped(v, 5000);
        for (int layer = 0; layer < 4; ++layer) {
            const LayerCount count = countLayer(v, layer, 5000);
            EXPECT_LE(count.noteOnsAfterStop, 4) << numeral << " layer " << layer;
            EXPECT_EQ(v.counters[layer], count.noteOns) << numeral << " layer " << layer;
        }
        EXPECT_LE(v.port.messages.back().timeMs(), 5000 + 5 * 240) << numeral;  // the event in progress, then four
        EXPECT_EQ(v.port.messages.back().status(), 0x87) << "the top layer's note-offs close the pass";
    }
    // At 1.000001 the bound cuts every layer's cycle before its closing beta.
    VirtualPlayer v(1.000001, 3);
    playUntilStopped(v, 5000);
    EXPECT_EQ(countLayer(v, 2, 5000).noteOnsAfterStop, 4);
    EXPECT_FALSE(countLayer(v, 2, 5000).lastNoteOnWasBeta);
}

// From 1.25 upwards no cycle is long enough to reach the bound: wherever Stop falls in a pass,
// every layer still ends its cycle with its beta event, as it always did.
TEST(StopDrain, PresetsDrainWholeCyclesAtEveryStopTime)
{
    for (int32_t preset = 0; preset < 11; ++preset) {
        const double numeral = numeralPresetValue(preset);
        for (int64_t stopMs = 300; stopMs < 8000; stopMs += 410) {
            VirtualPlayer v(numeral, 4);
            playUntilStopped(v, stopMs);
            for (int layer = 0; layer < 4; ++layer) {
                const LayerCount count = countLayer(v, layer, stopMs);
                ASSERT_TRUE(count.lastNoteOnWasBeta) << numeral << " stop " << stopMs << " layer " << layer;
                ASSERT_EQ(v.counters[layer], count.noteOns);
            }
        }
    }
}

// The notes still sounding on each channel after `messages`: a note-on adds its note, a note-off
// ends that note only.
std::vector<std::string> notesLeftSounding(const std::vector<TimedMessage>& messages)
{
    std::array<std::multiset<int>, 16> sounding;
    for (const TimedMessage& m : messages) {
        const int channel = m.status() & 0x0F;
        if ((m.status() & 0xF0) == 0x90 && m.data2() != 0)
            sounding[channel].insert(m.data1());
        else if ((m.status() & 0xF0) == 0x80)
            sounding[channel].erase(m.data1());
    }
    std::vector<std::string> left;
    for (int channel = 0; channel < 16; ++channel)
        for (int note : sounding[channel])
            left.push_back("channel " + std::to_string(channel) + " note " + std::to_string(note));
    return left;
}

// The Note dialog (or a Restore) is accepted while a stopped pass drains: three layers stopped at
// 1000 ms drain a note-on on channel 1 at 1200; the table changes at 1300. The cycle's note-off at
// 1440, and the closing sweep when the program closes instead, still end the note that sounded.
TEST(StopDrain, NoteOffsEndTheDrainedNotesWhenTheTableChangesMeanwhile)
{
    for (const bool closing : {false, true}) {
        VirtualPlayer v(numeralPresetValue(6), 3);
        std::atomic<int32_t> quit{0};
        Pacer pacer(v.clock, &quit);
        v.stopThenChangeNotes(1000ms, 1300ms, [&] {
            if (closing)
                quit = 1;
        });
        for (int pass = 0; pass < 2; ++pass)
            if (!playLayerCycle(v.player, v.counters, pacer, 2))
                sendNoteOffSweep(v.player);  // the closing sequence, after the pass was left
        ASSERT_FALSE(v.clock.alarmPending());
        EXPECT_EQ(notesLeftSounding(v.port.messages), std::vector<std::string>{}) << (closing ? "closing" : "Stop");
        // A channel with nothing sounding gets the note-off it always got: the new table's note.
        EXPECT_EQ(linesOf(v.port.messages).back(), closing ? "1440 8f 43 40" : "1440 85 5c 40");
    }
}

// Closing while a million-event cycle plays: the thread's sleep is cut short and the pass left.
TEST(StopDrain, ClosingWhilePlayingEndsTheThreadAtOnce)
{
    SteadyClock clock;
    RecordingBackend port(clock);
    PlayerState player;
    Transport transport;
    SettingsRecord working{};
    fillBuiltInDefaults(working);
    working.numeral = 1.000001;
    player.port.backend = &port;
    refreshNumeral(player, working);
    refreshDurations(player, working);
    refreshTables(player, working);
    ASSERT_EQ(startPlaybackThread(transport, player, working, clock), 0);
    startPlayback(transport, player);
    std::this_thread::sleep_for(300ms);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(haltPlaybackThread(transport));
    stopPlayback(transport, player);
    shutdownPlayback(transport, player);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 100ms) << std::chrono::duration<double, std::milli>(took).count() << " ms";
    // The closing sweep is the last thing sent.
    ASSERT_GE(port.messages.size(), 16u);
    EXPECT_EQ(port.messages.back().status(), 0x8F);
}

}  // namespace
