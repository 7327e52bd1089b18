// SystemMidiOutput against a real JACK server (dummy driver) with jack_midi_dump as the receiver,
// and JackMidiOutput's frame placement against a recording client of the test's own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "app/lifecycle.h"
#include "dialogs/device_choice.h"
#include "engine/midi_port.h"
#include "engine/render_run.h"
#include "engine/steady_clock.h"
#include "resources/command_ids.h"
#include "settings/atomic_file.h"
#include "settings/defaults.h"
#include "engine/player_state.h"
#include "platform/sound/jack_client.h"
#include "platform/sound/jack_midi_output.h"
#include "platform/sound/midi_jack_probe.h"
#include "platform/sound/system_midi_output.h"
#include "harness/child_process.h"
#include "tests/core/fake_controls.h"
#include "tests/core/fake_shell_platform.h"
#include "harness/jack_recorder.h"
#include "tests/integration/recording_reporter.h"

namespace {

using namespace std::chrono_literals;

// The hex bytes of each event jack_midi_dump printed ("  50944: 93 55 45 note on ..."), in order.
std::vector<std::string> dumpedMessages(const std::string& log)
{
    std::vector<std::string> messages;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(": ");
        if (colon == std::string::npos || line.find_first_not_of(" 0123456789") != colon)
            continue;
        std::istringstream words(line.substr(colon + 2));
        std::string bytes, word;
        while (words >> word && word.size() == 2 && word.find_first_not_of("0123456789abcdef") == std::string::npos)
            bytes += (bytes.empty() ? "" : " ") + word;
        messages.push_back(bytes);
    }
    return messages;
}

int indexOfPort(SystemMidiOutput& output, const std::string& wanted)
{
    const uint32_t count = output.portCount();
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        if (output.portName(i, name) && name == wanted)
            return static_cast<int>(i);
    }
    return -1;
}

// True while any jackd process runs on this machine.
bool someJackServerRuns()
{
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        if (comm && std::getline(comm, name) && name == "jackd")
            return true;
    }
    return false;
}

// A server killed with SIGKILL keeps its slot in libjack's shared registry, which holds eight:
// after a few such runs no new server starts ("Too many servers already active"). With no server
// running, nothing in the registry is alive, so it is removed and jackd makes a fresh one. Only
// before this process has used libjack: the library keeps the registry it attached to.
void clearStaleJackRegistry()
{
    static bool done = false;
    if (std::exchange(done, true) || someJackServerRuns())
        return;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ignored)) {
        const std::string name = entry.path().filename().string();
        if (name == "jack-shm-registry" || name.rfind("jack-", 0) == 0 || name.rfind("jack_db-", 0) == 0)
            std::filesystem::remove_all(entry.path(), ignored);
    }
}

class JackMidiOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!programExists("/usr/bin/jackd") || !programExists("/usr/bin/jack_midi_dump"))
            GTEST_SKIP() << "jackd2 is not installed (scripts/setup installs it)";
        directory_ = makeTestDirectory();
        // A server name of our own, so parallel runs and a user's server are left alone; clients
        // (ours and jack_midi_dump) find it through JACK_DEFAULT_SERVER.
        serverName_ = "pulselattice-test-" + std::to_string(getpid());
        setenv("JACK_DEFAULT_SERVER", serverName_.c_str(), 1);
        clearStaleJackRegistry();
        if (!startServer())
            GTEST_SKIP() << "the JACK dummy server does not start: " << server_->log();
        startRecorder();
        // The listing names JACK ports "JACK: client:port".
        ASSERT_TRUE(waitFor([&] { return indexOfPort(output_, "JACK: rec:input") >= 0; }, 10s))
            << "rec:input never listed; jack_midi_dump says: " << recorder_->log();
    }

    // 512-frame periods (10.7 ms at 48 kHz), as harness/private_jack_server.h says why.
    bool startServer(const char* periodFrames = "512")
    {
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"jackd", "-n", serverName_, "-d", "dummy", "-r", "48000", "-p", periodFrames},
            directory_ + "/jackd.log");
        return waitFor([] { return jackServerAnswers(); }, 10s);
    }

    void TearDown() override
    {
        output_.close();
        recorder_.reset();
        server_.reset();
        unsetenv("JACK_DEFAULT_SERVER");
        removeTestDirectory(directory_);
        // A server ended with SIGKILL leaves its semaphores and socket behind, named after it.
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ignored))
            if (!serverName_.empty() && entry.path().filename().string().find(serverName_) != std::string::npos)
                std::filesystem::remove(entry.path(), ignored);
    }

    void startRecorder()
    {
        recorder_ = std::make_unique<ChildProcess>(std::vector<std::string>{"jack_midi_dump", "-a", "rec"},
                                                   directory_ + "/dump.log");
    }

    // Stops the recorder (it prints what it has received) and returns the messages.
    std::vector<std::string> received()
    {
        std::this_thread::sleep_for(300ms);  // a few JACK periods for the last events to arrive
        recorder_->stop(SIGINT);
        return dumpedMessages(recorder_->log());
    }

    std::string directory_;
    std::string serverName_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> recorder_;
    SystemMidiOutput output_;
};

}  // namespace

TEST_F(JackMidiOutputTest, TheReceiverGetsExactlyTheMessagesSentInOrder)
{
    const int device = indexOfPort(output_, "JACK: rec:input");
    ASSERT_EQ(output_.open(device), MidiResult::Ok);
    struct Sent {
        int status, data1, data2;
    };
    const Sent sent[] = {{0xC2, 11, 0},  {0x93, 85, 69},   {0x91, 90, 72},  {0x80, 70, 64},
                         {0x83, 85, 64}, {0x90, 254, 200}, {0x8F, 127, 64}, {0xC0, 0, 0}};
    std::vector<std::string> expected;
    for (const Sent& m : sent) {
        ASSERT_EQ(output_.send(packShortMessage(m.status, m.data1, m.data2)), MidiResult::Ok);
        std::this_thread::sleep_for(2ms);
        // A data byte above 127 would read as a status byte: such a message is left out. So is a
        // note-off of a note that is not sounding (70 on channel 0, 127 on channel 15).
        if (m.data1 > 127 || m.data2 > 127 || m.data1 == 70 || m.status == 0x8F)
            continue;
        char text[16];
        // A program change goes out with its one data byte.
        if ((m.status & 0xF0) == 0xC0)
            std::snprintf(text, sizeof text, "%02x %02x", m.status, m.data1);
        else
            std::snprintf(text, sizeof text, "%02x %02x %02x", m.status, m.data1, m.data2);
        expected.push_back(text);
    }
    EXPECT_EQ(received(), expected) << recorder_->log();
    EXPECT_EQ(output_.close(), MidiResult::Ok);
}

TEST_F(JackMidiOutputTest, CallsOnAPortThatIsNotOpenFailWithCodes)
{
    EXPECT_EQ(output_.send(packShortMessage(0x90, 60, 100)), MidiResult::InvalidHandle);
    EXPECT_EQ(output_.close(), MidiResult::InvalidHandle);
    EXPECT_EQ(output_.open(static_cast<int32_t>(output_.portCount())), MidiResult::BadDeviceId);
    EXPECT_EQ(output_.open(-2), MidiResult::BadDeviceId);

    const int device = indexOfPort(output_, "JACK: rec:input");
    ASSERT_EQ(output_.open(device), MidiResult::Ok);
    EXPECT_EQ(output_.open(device), MidiResult::Allocated);
    EXPECT_EQ(output_.close(), MidiResult::Ok);
    EXPECT_EQ(output_.close(), MidiResult::InvalidHandle);
}

TEST_F(JackMidiOutputTest, APortThatVanishedFailsItsOpenAndSendsDoNotCrash)
{
    const int device = indexOfPort(output_, "JACK: rec:input");
    ASSERT_EQ(output_.open(device), MidiResult::Ok);
    recorder_->stop();
    ASSERT_TRUE(waitFor([&] { return indexOfPort(output_, "JACK: rec:input") < 0; }, 5s));
    // Once the connection has gone with its other end, sends fail instead of going nowhere.
    EXPECT_TRUE(waitFor([&] { return output_.send(packShortMessage(0x90, 60, 100)) == MidiResult::NotReady; }, 2s));
    EXPECT_EQ(output_.close(), MidiResult::Ok);

    // The listing above no longer has the port: its old number is now out of range.
    EXPECT_EQ(output_.open(device), MidiResult::BadDeviceId);

    // A listing made while the port existed, opened after it vanished: "no MIDI port was found".
    startRecorder();
    ASSERT_TRUE(waitFor([&] { return indexOfPort(output_, "JACK: rec:input") >= 0; }, 10s));
    recorder_->stop();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(output_.open(device), MidiResult::NoDevice);
}

TEST_F(JackMidiOutputTest, ThroughTheEnginePortEveryMessageArrivesFromBothThreads)
{
    PlayerState player;
    player.port.backend = &output_;
    put(player.deviceId, indexOfPort(output_, "JACK: rec:input"));
    ASSERT_EQ(openPort(player), 0);
    for (int c = 0; c < 16; ++c)
        put(player.effectiveNotes[c], 40 + c);
    std::thread playback([&] {
        for (int i = 0; i < 100; ++i) {
            sendShortMessage(player, 0x90 + (i % 16), 60, 100);
            std::this_thread::sleep_for(2ms);  // jack_midi_dump keeps only a few events per period
        }
    });
    for (int i = 0; i < 5; ++i) {
        sendProgramChanges(player);
        std::this_thread::sleep_for(40ms);
    }
    playback.join();
    const std::vector<std::string> got = received();
    EXPECT_EQ(closePort(player), 0);
    // Each channel's note 60 after its first ends the one still sounding first: 84 note-offs more.
    EXPECT_EQ(got.size(), 100u + 84 + 5 * 16) << recorder_->log();
}

// A minute of one layer, as the generator writes it (which strikes a repeated note again before
// its cycle's note-off), through the real JACK output: the receiver never gets a note-on for a key
// that still sounds, nor a note-off for one that does not, and every note-on arrives. The minute is
// played on a virtual clock and sent in order at once: the pairing depends on the order alone.
TEST_F(JackMidiOutputTest, AMinuteOfOneLayerNeverStrikesASoundingKeyAgain)
{
    SettingsRecord settings;
    fillBuiltInDefaults(settings);
    settings.layerIndex = 0;
    std::vector<TimedMessage> minute;
    std::string error;
    ASSERT_TRUE(renderRun(settings, RenderLength{std::nullopt, 60000}, minute, error)) << error;
    ASSERT_EQ(output_.open(indexOfPort(output_, "JACK: rec:input")), MidiResult::Ok);
    size_t noteOns = 0;
    for (size_t i = 0; i < minute.size(); ++i) {
        ASSERT_EQ(output_.send(minute[i].packed), MidiResult::Ok);
        noteOns += (minute[i].status() & 0xF0) == 0x90 && minute[i].data2() > 0;
        if (i % 2 == 1)
            std::this_thread::sleep_for(2ms);  // jack_midi_dump keeps only a few events per period
    }
    const std::vector<std::string> got = received();
    std::set<std::string> sounding;  // "channel key", in hex as dumped
    size_t receivedOns = 0;
    for (const std::string& bytes : got) {
        const std::string key = bytes.substr(1, 1) + bytes.substr(2, 3);
        if (bytes[0] == '9') {
            ++receivedOns;
            EXPECT_TRUE(sounding.insert(key).second) << "note-on " << bytes << " for a sounding key";
        } else if (bytes[0] == '8') {
            EXPECT_EQ(sounding.erase(key), 1u) << "note-off " << bytes << " for a silent key";
        }
    }
    EXPECT_GT(noteOns, 100u);
    EXPECT_EQ(receivedOns, noteOns) << recorder_->log();
}

// A restored note of 300 (or velocity of 356) reaches the port as its low byte, 44 (or 100): the
// port leaves the message out rather than play a note nobody chose.
TEST_F(JackMidiOutputTest, ANoteOrVelocityOutside0To127IsLeftOutNotPlayedAsItsLowByte)
{
    PlayerState player;
    player.port.backend = &output_;
    put(player.deviceId, indexOfPort(output_, "JACK: rec:input"));
    ASSERT_EQ(openPort(player), 0);
    for (const auto& [status, data1, data2] : {std::tuple{0x91, 300, 100}, {0x92, 60, 356}, {0x93, 44, 100},
                                                {0x81, 300, 64}, {0x83, 44, 64}}) {
        EXPECT_EQ(sendShortMessage(player, status, data1, data2), 0);
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_EQ(received(), (std::vector<std::string>{"93 2c 64", "83 2c 40"})) << recorder_->log();
    EXPECT_EQ(closePort(player), 0);
}

// The boxes the engine's port would show.
TEST_F(JackMidiOutputTest, AKilledServerFailsSendsAtOnceWithOneBoxClosesWithoutACrashAndANewServerOpens)
{
    RecordingReporter reporter;
    PlayerState player;
    player.port.backend = &output_;
    player.port.reporter = &reporter;
    put(player.deviceId, indexOfPort(output_, "JACK: rec:input"));
    ASSERT_EQ(openPort(player), 0);
    ASSERT_EQ(sendShortMessage(player, 0x90, 60, 100), 0);
    server_->stop(SIGKILL);
    // Far more sends than the queue holds, from both threads: a sender that waited on the dead
    // server would hang here.
    EXPECT_TRUE(waitFor([&] { return sendShortMessage(player, 0x90, 60, 100) != 0; }, 5s));
    std::thread playback([&] {
        for (int i = 0; i < 5000; ++i)
            EXPECT_EQ(sendShortMessage(player, 0x90 + i % 16, 60, 100), 1) << i;
    });
    sendNoteOffSweep(player);
    playback.join();
    EXPECT_EQ(reporter.texts(), std::vector<std::string>{"JACK: rec:input: the hardware is busy with other data"});
    EXPECT_EQ(indexOfPort(output_, "JACK: rec:input"), -1);

    // The server is back and the device list is read before the dead port is closed: the
    // listing's new JACK client makes libjack free the dead one, which closing must leave alone.
    recorder_->stop();
    ASSERT_TRUE(startServer()) << server_->log();
    startRecorder();
    ASSERT_TRUE(waitFor([&] { return indexOfPort(output_, "JACK: rec:input") >= 0; }, 10s)) << recorder_->log();
    EXPECT_EQ(closePort(player), 0);
    put(player.deviceId, indexOfPort(output_, "JACK: rec:input"));
    ASSERT_EQ(openPort(player), 0);
    // Due one latency from now: closing at once still lets it out.
    EXPECT_EQ(sendShortMessage(player, 0x91, 62, 90, std::chrono::steady_clock::now().time_since_epoch()), 0);
    EXPECT_EQ(closePort(player), 0);
    EXPECT_EQ(received(), std::vector<std::string>{"91 3e 5a"}) << recorder_->log();
}

namespace {

class QuietWindowHost : public WindowHost {
public:
    bool acquireSingleInstance() override { return true; }
    void releaseSingleInstance() override {}
    bool createMainWindow() override { return true; }
    void showMainWindow() override {}
    void destroyMainWindow() override {}
    void releaseWaitingThreads() override {}
};

}  // namespace

// The whole program on a JACK port whose server is killed while it plays: no hang, no crash, one
// box; the device list still offers MIDI_MAPPER beside the dead port, and Exit saves the file.
TEST_F(JackMidiOutputTest, TheProgramOutlivesItsServerAndStillSavesAtExit)
{
    FakeShellPlatform shell;
    RecordingReporter reporter;
    SteadyClock clock;
    PlayerState player;
    Transport transport;
    SettingsRecord working{}, defaults{};
    ParameterFile parameterFile;
    player.port.backend = &output_;
    player.port.reporter = &reporter;
    AppContext app{shell, player, transport, working, defaults, parameterFile, output_, clock};
    QuietWindowHost host;
    Lifecycle lifecycle(app, host);

    SettingsRecord saved{};
    fillBuiltInDefaults(saved);
    saved.midiDeviceId = indexOfPort(output_, "JACK: rec:input");
    std::vector<uint8_t> file(kParameterFileSize, 0);
    std::memcpy(file.data() + kParameterHeaderSize, &saved, sizeof saved);
    const std::string par = directory_ + "/pulseLattice.par";
    ASSERT_TRUE(writeFileAtomically(par, file));
    ASSERT_EQ(lifecycle.start(directory_ + "/pulselattice"), StartupResult::Running);
    shell.nextDialogResult = 1;  // the concept dialog's Okay
    dispatchCommand(app, Command::Concept);
    ASSERT_EQ(dispatchCommand(app, Command::Play), 1);
    std::this_thread::sleep_for(300ms);

    server_->stop(SIGKILL);
    std::this_thread::sleep_for(600ms);  // the playback thread's sends now fail
    EXPECT_EQ(reporter.texts(), std::vector<std::string>{"JACK: rec:input: the hardware is busy with other data"});

    FakeControls controls;
    DeviceChoice devices{};
    fillDeviceList(controls, 1, devices, output_, working.midiDeviceId);
    EXPECT_EQ(controls.lists[1], (std::vector<std::string>{"MIDI_MAPPER", "JACK: rec:input (not available)"}));

    dispatchCommand(app, Command::Stop);
    defaults.tempo = 130;  // as a concept accepted with "save as default" leaves it
    const auto closing = std::chrono::steady_clock::now();
    lifecycle.close();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 2s);
    SettingsRecord stored{};
    std::vector<uint8_t> bytes(kParameterFileSize);
    ASSERT_EQ(readFilePrefix(par, bytes), static_cast<int64_t>(kParameterFileSize));
    std::memcpy(&stored, bytes.data() + kParameterHeaderSize, sizeof stored);
    EXPECT_EQ(stored.tempo, 130);
    EXPECT_EQ(reporter.texts().size(), 1u);
}

namespace {

using Steady = std::chrono::steady_clock;
using Events = std::vector<JackRecorder::Event>;

// Sends one message and returns when it is due on JACK's clock: its time plus the latency, carried
// over from the steady clock by the two clocks' difference, read side by side after the send.
int64_t sendTimed(JackMidiOutput& output, uint32_t packed, MessageTime at, std::string& problems)
{
    if (output.send(packed, at) != MidiResult::Ok)
        problems += "a send failed; ";
    return (at + output.placementLatency()).count() + jackMinusSteadyNs();
}

Events awaitEvents(const JackRecorder& recorder, size_t count)
{
    waitFor([&] { return recorder.events().size() >= count; }, 5s);
    return recorder.events();
}

// Runs `attempt` (given a recorder "<name>:input" and an output connected to it; it returns what
// it found wrong, or nothing) until a run sees no xrun, and expects that run to find nothing
// wrong. On a busy machine a late cycle makes the server skip clients and restart its frame
// clock, which no output can place events across: such a run is tried again, after a pause for
// the load to pass, up to kXrunRetries times. Each retry says why in the test's output; when
// every run saw xruns, the test fails saying so rather than passing unchecked.
constexpr int kXrunRetries = 10;

void runWithoutXruns(const char* name, const std::function<std::string(JackRecorder&, JackMidiOutput&)>& attempt)
{
    for (int run = 1; run <= kXrunRetries; ++run) {
        JackRecorder recorder(name);
        JackMidiOutput output;
        if (!recorder.ok() || output.open(std::string(name) + ":input") != MidiResult::Ok) {
            ADD_FAILURE() << "cannot connect to the recorder";
            return;
        }
        const std::string problems = attempt(recorder, output);
        std::this_thread::sleep_for(200ms);  // xruns are reported a little after the cycle
        const int xruns = recorder.xruns();
        if (xruns == 0) {
            EXPECT_EQ(problems, "");
            return;
        }
        std::printf("run %d of %d saw %d JACK xruns (the machine is busy); trying again\n", run, kXrunRetries, xruns);
        std::fflush(stdout);
        std::this_thread::sleep_for(1s);
    }
    ADD_FAILURE() << "each of " << kXrunRetries << " runs saw JACK xruns: the machine is too busy for the dummy "
                  << "server to keep its cycles, so no placement could be checked";
}

}  // namespace

namespace {

// Sixty messages at times spread unevenly over many cycles, two at each; what is wrong, or nothing.
// Sent ahead, as a queue of upcoming events, so the result does not depend on how punctually this
// thread wakes; or `justInTime`, each pair when its time comes, as the playback thread sends.
std::string placementProblems(JackRecorder& recorder, JackMidiOutput& output, bool justInTime = false)
{
    std::string problems;
    const MessageTime start = Steady::now().time_since_epoch() + 50ms;
    std::vector<int64_t> due;
    for (int i = 0; i < 30; ++i) {
        const MessageTime at = start + i * 7370us + (i % 4) * 413us;
        if (justInTime)
            std::this_thread::sleep_until(Steady::time_point(at));
        due.push_back(sendTimed(output, packShortMessage(0x90, 60, 100), at, problems));
        due.push_back(sendTimed(output, packShortMessage(0x91, 64, 100), at, problems));
    }
    const Events got = awaitEvents(recorder, due.size());
    if (got.size() != due.size())
        return problems + std::to_string(got.size()) + " of " + std::to_string(due.size()) + " arrived";
    // One frame, and a microsecond for each of the two clock readings in microseconds.
    const int64_t tolerance = 1'000'000'000 / jack_get_sample_rate(recorder.client()) + 2000;
    for (size_t i = 0; i < got.size(); ++i) {
        if (got[i].bytes != (i % 2 ? "91 40 64" : "90 3c 64"))
            problems += "message " + std::to_string(i) + " reads " + got[i].bytes + "; ";
        if (std::llabs(got[i].timeNs - due[i]) > tolerance)
            problems += "message " + std::to_string(i) + " is " + std::to_string(got[i].timeNs - due[i]) +
                        " ns off; ";
    }
    return problems;
}

}  // namespace

TEST_F(JackMidiOutputTest, EachMessageLandsWithinAFrameOfItsTimePlusTheLatency)
{
    runWithoutXruns("timing", [](JackRecorder& recorder, JackMidiOutput& output) {
        return placementProblems(recorder, output);
    });
}

// A period longer than the least latency (1024 frames: 21.3 ms): messages sent as their times come
// are still queued before their cycles start, as the latency grows with the period.
TEST_F(JackMidiOutputTest, WithALongPeriodEachMessageStillLandsWithinAFrameOfItsTime)
{
    server_.reset();
    ASSERT_TRUE(startServer("1024")) << server_->log();
    runWithoutXruns("timing", [](JackRecorder& recorder, JackMidiOutput& output) {
        const std::string problems = placementProblems(recorder, output, true);
        return output.placementLatency() > MessageTime(kJackMidiLatency) ? problems
                                                                          : "the latency stayed at its least; " + problems;
    });
}

TEST_F(JackMidiOutputTest, NoMessageOvertakesOneSentEarlierAndAPastTimeTakesTheFirstFreeFrame)
{
    runWithoutXruns("order", [](JackRecorder& recorder, JackMidiOutput& output) {
        const MessageTime now = Steady::now().time_since_epoch();
        output.send(packShortMessage(0x90, 60, 100), now + 100ms);
        output.send(packShortMessage(0x80, 60, 64), kSendAtOnce);
        output.send(packShortMessage(0x91, 62, 100), now - 50ms);
        Events got = awaitEvents(recorder, 3);
        std::string problems;
        if (got.size() != 3)
            return std::to_string(got.size()) + " of 3 arrived";
        if (got[0].bytes + " | " + got[1].bytes + " | " + got[2].bytes != "90 3c 64 | 80 3c 40 | 91 3e 64")
            problems += "out of order; ";
        if (got[1].frame != got[0].frame || got[2].frame != got[0].frame)
            problems += "the later two are not at the first one's frame; ";

        output.send(packShortMessage(0x92, 64, 100), Steady::now().time_since_epoch() - 1s);
        got = awaitEvents(recorder, 4);
        if (got.size() != 4)
            return problems + "the past message did not arrive";
        if (got[3].offset != 0 || got[3].frame <= got[0].frame)
            problems += "the past message is at offset " + std::to_string(got[3].offset) + "; ";
        return problems;
    });
}
