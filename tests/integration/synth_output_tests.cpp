// The built-in synthesiser (device -1) playing into a PulseAudio null sink, recorded with parec;
// aubioonset must find an onset where each note was sent.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "engine/midi_port.h"
#include "engine/player_state.h"
#include "platform/sound/fluid_synth_output.h"
#include "platform/sound/system_midi_output.h"
#include "harness/child_process.h"
#include "settings/numeral_presets.h"
#include "tests/core/generator_test_support.h"
#include "tests/integration/recording_reporter.h"

namespace {

using namespace std::chrono_literals;
using Seconds = std::chrono::duration<double>;

// Onsets the live recording must show, relative to the first one: within this of the send times
// (one synthesiser period of 5.8 ms, the detector's frame, and scheduling on a busy machine).
constexpr double kLiveToleranceSeconds = 0.015;

// The "complex" detection function gives one onset per percussion hit; the default one also
// fires inside the decay of these samples.
std::vector<double> onsetsOf(const std::string& wavPath, const std::string& directory)
{
    const std::string listPath = directory + "/onsets.txt";
    const std::string command = "aubioonset -O complex -i '" + wavPath + "' > '" + listPath + "' 2>/dev/null";
    std::vector<double> onsets;
    if (std::system(command.c_str()) != 0)
        return onsets;
    std::ifstream list(listPath);
    for (double at; list >> at;)
        onsets.push_back(at);
    return onsets;
}

long fileSize(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
}

class SynthOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* program : {"/usr/bin/pulseaudio", "/usr/bin/parec", "/usr/bin/pactl", "/usr/bin/aubioonset"})
            if (!programExists(program))
                GTEST_SKIP() << program << " is not installed (scripts/setup installs it)";
        directory_ = makeTestDirectory();
        // A private server: its socket lives in this test's directory, found through the
        // environment by the synthesiser's client and by parec.
        setenv("XDG_RUNTIME_DIR", directory_.c_str(), 1);
        setenv("PULSE_RUNTIME_PATH", (directory_ + "/pulse").c_str(), 1);
        setenv("PULSE_STATE_PATH", (directory_ + "/state").c_str(), 1);
        const std::string problem = startServer();
        if (!problem.empty())
            GTEST_SKIP() << problem;
        // The onsets and voices judged here are the placement's, not a soundfont's: the package's
        // own General MIDI soundfont, whichever one the machine's FluidSynth prefers (a sample
        // with two transients, as MuseScore's woodblock has, reads as two onsets).
        if (access(kPackageSoundfont, R_OK) == 0)
            setenv("PULSELATTICE_SOUNDFONT", kPackageSoundfont, 1);
    }

    static constexpr const char* kPackageSoundfont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

    // Starts the private server; what went wrong, or nothing once its null sink is ready.
    std::string startServer()
    {
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"pulseaudio", "--daemonize=no", "--use-pid-file=no", "--realtime=yes", "--high-priority=yes", "--exit-idle-time=-1", "-n",
                                     "--load=module-null-sink sink_name=null", "--load=module-native-protocol-unix"},
            directory_ + "/pulseaudio.log");
        const std::string socket = directory_ + "/pulse/native";
        if (!waitFor([&] { return access(socket.c_str(), F_OK) == 0 || !server_->running(); }, 10s) ||
            !server_->running())
            return "PulseAudio does not start: " + server_->log();
        // The socket appears before the modules are loaded; a client that comes too early waits
        // seconds for its stream. Ready is when the null sink is listed.
        const std::string listSinks = "pactl list short sinks 2>/dev/null | grep -q null";
        if (!waitFor([&] { return std::system(listSinks.c_str()) == 0 || !server_->running(); }, 10s) ||
            !server_->running())
            return "PulseAudio does not load its null sink: " + server_->log();
        return {};
    }

    void TearDown() override
    {
        output_.close();
        recorder_.reset();
        server_.reset();
        removeTestDirectory(directory_);
        unsetenv("PULSELATTICE_SOUNDFONT");
    }

    std::string playAndMeasure(int attempt);

    std::string directory_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> recorder_;
    SystemMidiOutput output_;
};

}  // namespace

// Plays a pattern of wood-block notes while parec records the null sink; returns what is wrong
// with the onsets found, or an empty string when each note has an onset where it was sent.
std::string SynthOutputTest::playAndMeasure(int attempt)
{
    const std::string wav = directory_ + "/out" + std::to_string(attempt) + ".wav";
    recorder_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"parec", "--latency-msec=20", "-d", "null.monitor", "--file-format=wav", wav},
        directory_ + "/parec.log");
    // parec may take a while to start on a busy machine: wait until it writes sound, then a bit.
    if (!waitFor([&] { return fileSize(wav) > 44 + 44100 * 4 / 10; }, 10s))
        return "parec records nothing: " + recorder_->log();
    std::this_thread::sleep_for(200ms);

    // A wood block on channel 10: short and sharp, one clear onset per note.
    const std::vector<double> pattern = {0.0, 0.25, 0.5, 0.8, 0.95, 1.3, 1.5, 1.9};
    std::vector<double> sentAt;
    const auto start = std::chrono::steady_clock::now();
    for (double at : pattern) {
        std::this_thread::sleep_until(start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(Seconds(at)));
        sentAt.push_back(Seconds(std::chrono::steady_clock::now() - start).count());
        if (output_.send(packShortMessage(0x99, 76, 127)) != MidiResult::Ok ||
            output_.send(packShortMessage(0x89, 76, 64)) != MidiResult::Ok)
            return "a send failed";
    }
    std::this_thread::sleep_for(800ms);
    recorder_->stop(SIGINT);

    const std::vector<double> onsets = onsetsOf(wav, directory_);
    if (onsets.empty())
        return "no onsets in the recording; parec says: " + recorder_->log();
    std::string found;
    for (double at : onsets)
        found += std::to_string(at) + " ";
    // The recording starts at an unknown moment, so times are compared from the first note on.
    if (onsets.size() < sentAt.size())
        return "fewer onsets than notes: " + found;
    std::string problems;
    for (size_t i = 0; i < sentAt.size(); ++i) {
        const double expected = onsets[0] + sentAt[i] - sentAt[0];
        double nearest = onsets[0];
        for (double at : onsets)
            if (std::abs(at - expected) < std::abs(nearest - expected))
                nearest = at;
        if (std::abs(nearest - expected) > kLiveToleranceSeconds)
            problems += "note " + std::to_string(i) + " expected at " + std::to_string(expected) + " s, nearest onset " +
                        std::to_string(nearest) + " s; ";
    }
    return problems.empty() ? problems : problems + "onsets: " + found;
}

TEST_F(SynthOutputTest, TheRecordingHasAnOnsetWhereEachNoteWasSent)
{
    ASSERT_EQ(output_.open(-1), MidiResult::Ok) << "see stderr for the synthesiser's reason";
    ASSERT_TRUE(output_.waitUntilSynthLoaded());  // however long the machine's soundfont takes
    ASSERT_EQ(output_.send(packShortMessage(0xB9, 7, 127)), MidiResult::Ok);
    ASSERT_EQ(output_.send(packShortMessage(0xC9, 115, 0)), MidiResult::Ok);  // woodblock: every channel is melodic
    // One more recording when the first is off: another process may have taken the CPU from the
    // audio server for a moment. A synthesiser that is really late or early fails both.
    std::string problems = playAndMeasure(1);
    if (!problems.empty()) {
        std::cout << "first recording: " << problems << "\n";
        problems = playAndMeasure(2);
    }
    EXPECT_EQ(problems, "");
    EXPECT_EQ(output_.close(), MidiResult::Ok);
}

TEST_F(SynthOutputTest, OpeningTwiceIsRefusedAndClosingTwiceFails)
{
    ASSERT_EQ(output_.open(-1), MidiResult::Ok);
    EXPECT_EQ(output_.open(-1), MidiResult::Allocated);
    EXPECT_EQ(output_.send(packShortMessage(0x90, 254, 254)), MidiResult::Ok);  // refused values are ignored
    EXPECT_EQ(output_.close(), MidiResult::Ok);
    EXPECT_EQ(output_.close(), MidiResult::InvalidHandle);
    EXPECT_EQ(output_.send(packShortMessage(0x90, 60, 100)), MidiResult::InvalidHandle);
}

TEST_F(SynthOutputTest, MessagesSentWhileTheSoundfontLoadsArePlayedInOrder)
{
    FluidSynthOutput synth;
    ASSERT_EQ(synth.open(), MidiResult::Ok);
    // At once after opening: the soundfont is still loading. Two notes on, then one off again.
    EXPECT_EQ(synth.send(packShortMessage(0x90, 60, 100)), MidiResult::Ok);
    EXPECT_EQ(synth.send(packShortMessage(0x91, 64, 100)), MidiResult::Ok);
    EXPECT_EQ(synth.send(packShortMessage(0x81, 64, 0)), MidiResult::Ok);
    EXPECT_EQ(synth.send(0x3C), MidiResult::BadOpenMode);  // no status byte, refused as when loaded
    ASSERT_TRUE(synth.waitUntilLoaded());
    // The piano note of channel 0 sounds (a note has one or two voices) once the render thread
    // has played the waiting messages; channel 1 was released.
    EXPECT_TRUE(waitFor([&] { return synth.activeVoiceCount() >= 1; }, 2s));
    EXPECT_EQ(synth.send(packShortMessage(0xB0, 123, 0)), MidiResult::Ok);  // all notes off
    EXPECT_EQ(synth.close(), MidiResult::Ok);
    EXPECT_EQ(synth.send(packShortMessage(0x90, 60, 100)), MidiResult::InvalidHandle);
}

namespace {

// The synthesiser as the engine's port, so the test can count its voices.
class SynthPort : public PortBackend {
public:
    explicit SynthPort(FluidSynthOutput& synth) : synth_(synth) {}
    int open(int32_t) override { return synth_.open(); }
    int send(uint32_t packed, MessageTime intended) override
    {
        // Virtual times lie far in the past on the steady clock: each message plays at once, in order.
        return synth_.send(packed, intended);
    }
    int close() override { return synth_.close(); }

private:
    FluidSynthOutput& synth_;
};

}  // namespace

// A sustained tone (48, strings) on every voice; Stop at 1000 ms of three layers, then the notes
// change at 1300 ms while the stopped pass still drains (its note-on on channel 1 came at 1200).
// Once the pass has ended, every voice releases: none is left sounding for ever.
TEST_F(SynthOutputTest, NotesChangedWhileAStoppedPassDrainsAllEndWithASustainedTone)
{
    FluidSynthOutput synth;
    SynthPort port(synth);
    VirtualPlayer v(numeralPresetValue(6), 3);
    for (int32_t& tone : v.settings.tones)
        tone = 48;
    v.apply();
    v.player.port.backend = &port;
    ASSERT_EQ(openPort(v.player), 0);
    ASSERT_TRUE(synth.waitUntilLoaded());
    sendProgramChanges(v.player);
    v.stopThenChangeNotes(1000ms, 1300ms, [] {});
    v.pass();
    ASSERT_TRUE(waitFor([&] { return synth.activeVoiceCount() >= 2; }, 2s)) << "the first pass does not sound";
    v.pass();
    ASSERT_FALSE(v.clock.alarmPending());
    // String voices fade within about a second of their note-off.
    EXPECT_TRUE(waitFor([&] { return synth.activeVoiceCount() == 0; }, 5s))
        << synth.activeVoiceCount() << " voices still sound";
    EXPECT_EQ(closePort(v.player), 0);
}

// What goes wrong with the synthesiser is said in words that name the cause.
TEST_F(SynthOutputTest, AMissingOrCorruptSoundfontAndALostServerAreNamed)
{
    const std::string missing = directory_ + "/missing.sf2";
    setenv("PULSELATTICE_SOUNDFONT", missing.c_str(), 1);
    EXPECT_EQ(output_.open(-1), MidiResult::NoDevice);
    EXPECT_NE(output_.failureReason().find(missing + " is missing or unreadable"), std::string::npos)
        << output_.failureReason();

    const std::string corrupt = directory_ + "/corrupt.sf2";
    std::FILE* file = std::fopen(corrupt.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("RIFF\x10\x00\x00\x00sfbkLIST not a soundfont at all", file);
    std::fclose(file);
    setenv("PULSELATTICE_SOUNDFONT", corrupt.c_str(), 1);
    FluidSynthOutput synth;
    ASSERT_EQ(synth.open(), MidiResult::Ok);  // found: it loads in the background
    EXPECT_FALSE(synth.waitUntilLoaded());
    EXPECT_NE(synth.send(packShortMessage(0x90, 60, 100)), MidiResult::Ok);
    EXPECT_EQ(synth.failureReason(), "the built-in synthesiser cannot load the soundfont " + corrupt);
    synth.close();
    unsetenv("PULSELATTICE_SOUNDFONT");

    // Through the port, as the program sends: one box for the lost server; once it is back, Play
    // (reopening the failed port) brings the synthesiser back.
    RecordingReporter reporter;
    PlayerState player;
    player.port.backend = &output_;
    player.port.reporter = &reporter;
    put(player.deviceId, -1);
    ASSERT_EQ(openPort(player), 0);
    server_.reset();  // the audio server goes away
    EXPECT_TRUE(waitFor([&] { return sendShortMessage(player, 0x90, 60, 100) != 0; }, 10s));
    sendNoteOffSweep(player);
    ASSERT_EQ(reporter.texts().size(), 1u);
    EXPECT_NE(reporter.texts()[0].find("lost its audio output"), std::string::npos) << reporter.texts()[0];
    ASSERT_EQ(startServer(), "");
    EXPECT_EQ(reopenFailedPort(player), 0);
    EXPECT_EQ(sendShortMessage(player, 0x90, 60, 100), 0);
    EXPECT_EQ(reporter.texts().size(), 1u);
}
