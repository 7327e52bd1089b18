// The control input against a real JACK server: a sending client of the test's own plays MMC and
// learned controls into "pulseLattice:control", the messages cross to the test's thread (standing
// for the UI thread) through the inbox, and the program's output is recorded on JACK.
#include <gtest/gtest.h>

#include <poll.h>

#include <cstring>
#include <sstream>

#include "app/commands.h"
#include "app/control/control_desk.h"
#include "app/lifecycle.h"
#include "engine/midi_port.h"
#include "engine/steady_clock.h"
#include "harness/jack_recorder.h"
#include "harness/jack_sender.h"
#include "harness/private_jack_server.h"
#include "platform/sound/control_ports.h"
#include "platform/sound/jack_client.h"
#include "platform/sound/system_midi_output.h"
#include "resources/command_ids.h"
#include "settings/atomic_file.h"
#include "settings/defaults.h"
#include "tests/core/fake_shell_platform.h"
#include "tests/integration/recording_reporter.h"

namespace {

using namespace std::chrono_literals;

const std::string kControlPort = std::string(kJackClientName) + ":control";

// The JACK ports as jack_lsp, a program of JACK's own, lists them.
std::vector<std::string> jackPorts(const std::string& directory)
{
    ChildProcess lsp({"jack_lsp"}, directory + "/lsp.log");
    waitFor([&] { return !lsp.running(); }, 5s);
    std::vector<std::string> ports;
    std::istringstream lines(lsp.log());
    for (std::string line; std::getline(lines, line);)
        ports.push_back(line);
    return ports;
}

int countOf(const std::vector<std::string>& ports, const std::string& name)
{
    return static_cast<int>(std::count(ports.begin(), ports.end(), name));
}

class QuietWindowHost : public WindowHost {
public:
    bool acquireSingleInstance() override { return true; }
    void releaseSingleInstance() override {}
    bool createMainWindow() override { return true; }
    void showMainWindow() override {}
    void destroyMainWindow() override {}
    void releaseWaitingThreads() override {}
};

class ControlInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!PrivateJackServer::installed() || !programExists("/usr/bin/jack_lsp"))
            GTEST_SKIP() << "jackd2 is not installed (scripts/setup installs it)";
        directory_ = makeTestDirectory();
        server_ = std::make_unique<PrivateJackServer>(directory_, "control");
        if (!server_->start())
            GTEST_SKIP() << "the JACK dummy server does not start: " << server_->log();
        ports_.open();
        ASSERT_TRUE(ports_.jackOpen());
        sender_ = std::make_unique<JackSender>("ctl");
        ASSERT_TRUE(sender_->ok() && sender_->connectTo(kControlPort));
    }

    void TearDown() override
    {
        if (lifecycle_)
            lifecycle_->close();
        sender_.reset();
        recorder_.reset();
        ports_.close();
        output_.close();
        server_.reset();
        if (!directory_.empty())
            removeTestDirectory(directory_);
    }

    // The program on the JACK recorder "rec:input" with the built-in concept, `layers` of it,
    // started and its concept accepted: Ready.
    void startProgram(int layers = 8)
    {
        recorder_ = std::make_unique<JackRecorder>("rec");
        ASSERT_TRUE(recorder_->ok());
        SettingsRecord saved{};
        fillBuiltInDefaults(saved);
        saved.layerIndex = layers - 1;
        for (uint32_t i = 0; i < output_.portCount(); ++i) {
            std::string name;
            if (output_.portName(i, name) && name == "JACK: rec:input")
                saved.midiDeviceId = static_cast<int32_t>(i);
        }
        std::vector<uint8_t> file(kParameterFileSize, 0);
        std::memcpy(file.data() + kParameterHeaderSize, &saved, sizeof saved);
        ASSERT_TRUE(writeFileAtomically(directory_ + "/pulseLattice.par", file));
        player_.port.backend = &output_;
        player_.port.reporter = &reporter_;
        lifecycle_ = std::make_unique<Lifecycle>(app_, host_);
        ASSERT_EQ(lifecycle_->start(directory_ + "/pulselattice"), StartupResult::Running);
        shell_.nextDialogResult = 1;  // the concept dialog's Okay
        dispatchCommand(app_, Command::Concept);
        ASSERT_EQ(working_.playState, Ready);
    }

    // What the UI thread's socket notifier does: waits for the wake-up, hands the messages on.
    // Returns how many came within `timeout`.
    int deliver(std::chrono::milliseconds timeout = 2s)
    {
        pollfd wake{ports_.inbox().wakeFd(), POLLIN, 0};
        if (poll(&wake, 1, static_cast<int>(timeout.count())) != 1)
            return 0;
        int count = 0;
        ports_.inbox().drain([&](const ControlMessage& message) {
            desk_.handle(message, false);
            ++count;
        });
        return count;
    }

    void sendAndDeliver(std::initializer_list<uint8_t> bytes)
    {
        ASSERT_TRUE(sender_->send(bytes));
        ASSERT_EQ(deliver(), 1);
    }

    // True once nothing has been recorded for `quiet` (within `timeout`).
    bool waitForQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds timeout)
    {
        size_t seen = recorder_->events().size();
        auto lastChange = std::chrono::steady_clock::now();
        return waitFor(
            [&] {
                const auto now = std::chrono::steady_clock::now();
                if (const size_t count = recorder_->events().size(); count != seen) {
                    seen = count;
                    lastChange = now;
                }
                return now - lastChange >= quiet;
            },
            timeout);
    }

    // The first note-ons recorded at one frame from event `from` on, one per layer of the two:
    // both layers starting together, as a pass does. "" for none.
    std::string chordFrom(size_t from)
    {
        const std::vector<JackRecorder::Event> events = recorder_->events();
        for (size_t i = from; i + 2 <= events.size(); ++i)
            if (events[i].bytes[0] == '9' && events[i + 1].bytes[0] == '9' && events[i].frame == events[i + 1].frame)
                return events[i].bytes + ";" + events[i + 1].bytes;
        return {};
    }

    // The recorded note-ons and note-offs on `channels` after JACK time `afterNs`.
    int countEvents(uint8_t type, std::initializer_list<int> channels, int64_t afterNs)
    {
        int count = 0;
        for (const JackRecorder::Event& event : recorder_->events()) {
            const int status = std::stoi(event.bytes.substr(0, 2), nullptr, 16);
            const bool onChannel = std::find(channels.begin(), channels.end(), status & 0x0F) != channels.end();
            count += event.timeNs > afterNs && (status & 0xF0) == type && onChannel;
        }
        return count;
    }

    std::string directory_;
    std::unique_ptr<PrivateJackServer> server_;
    ControlPorts ports_;
    std::unique_ptr<JackSender> sender_;
    std::unique_ptr<JackRecorder> recorder_;
    SystemMidiOutput output_;
    FakeShellPlatform shell_;
    RecordingReporter reporter_;
    SteadyClock clock_;
    PlayerState player_;
    Transport transport_;
    SettingsRecord working_{}, defaults_{};
    ParameterFile parameterFile_;
    AppContext app_{shell_, player_, transport_, working_, defaults_, parameterFile_, output_, clock_};
    QuietWindowHost host_;
    std::unique_ptr<Lifecycle> lifecycle_;
    ControlDesk desk_{app_};
};

}  // namespace

TEST_F(ControlInputTest, MmcPlayStopAndRewindFromAnotherClientRunTheCommands)
{
    startProgram(2);  // short passes: a stopped one drains within a second or two
    sendAndDeliver({0xF0, 0x7F, 0x7F, 0x06, 0x02, 0xF7});  // Play, all-call
    EXPECT_EQ(working_.playState, Playing);
    ASSERT_TRUE(waitFor([&] { return !chordFrom(0).empty(); }, 5s));
    const std::string firstChord = chordFrom(0);  // every layer's first note-on, at one frame
    ASSERT_TRUE(waitFor([&] { return countEvents(0x90, {0, 1}, 0) >= 4; }, 5s));
    sendAndDeliver({0xF0, 0x7F, 0x05, 0x06, 0x01, 0xF7});  // Stop, device 5
    EXPECT_EQ(working_.playState, Ready);
    // The stopped pass has drained once nothing more arrives for longer than any event lasts.
    ASSERT_TRUE(waitForQuiet(1s, 10s));

    const uint32_t rewinds = player_.resume.rewinds();
    sendAndDeliver({0xF0, 0x7F, 0x00, 0x06, 0x05, 0xF7});  // Rewind, device 0
    EXPECT_EQ(player_.resume.rewinds(), rewinds + 1);
    const size_t before = recorder_->events().size();
    sendAndDeliver({0xF0, 0x7F, 0x7F, 0x06, 0x02, 0xF7});
    EXPECT_EQ(working_.playState, Playing);
    // From the beginning again: the same layers start together as at the first Play.
    ASSERT_TRUE(waitFor([&] { return !chordFrom(before).empty(); }, 5s));
    EXPECT_EQ(chordFrom(before), firstChord);
}

TEST_F(ControlInputTest, ALearnedNoteAndCcMuteALayerFromItsNextNoteItsNoteOffsStillSent)
{
    startProgram();
    ControlBindings bindings;
    ControlSource learned{};
    desk_.learnNext([&](const ControlSource& source) { learned = source; });
    sendAndDeliver({0x99, 36, 100});
    bindControl(bindings, ControlAction::FirstMute, learned);
    desk_.learnNext([&](const ControlSource& source) { learned = source; });
    sendAndDeliver({0xB0, 20, 127});
    bindControl(bindings, ControlAction::FirstMute + 1, learned);
    desk_.setBindings(bindings);
    sendAndDeliver({0xB0, 20, 0});  // the learned button let go: nothing

    // Where a message sent now lands on JACK's clock (one latency on), with a millisecond to spare.
    const auto landsAfterNow = [&] {
        return std::chrono::steady_clock::now().time_since_epoch().count() + jackMinusSteadyNs() +
               std::chrono::nanoseconds(output_.placementLatency() + 1ms).count();
    };
    ASSERT_EQ(dispatchCommand(app_, Command::Play), 1);
    ASSERT_TRUE(waitFor([&] { return countEvents(0x90, {0, 1}, 0) >= 2; }, 5s));
    sendAndDeliver({0x99, 36, 100});  // layer 1
    EXPECT_EQ(player_.mutedLayers.load(), 0b01u);
    const int64_t firstMuted = landsAfterNow();
    // The note sounding at the mute is still ended (live outputs pair notes, so the note-offs of
    // the muted note-ons, which never sounded, are left out).
    ASSERT_TRUE(waitFor([&] { return countEvents(0x80, {0, 1}, firstMuted) >= 1; }, 5s));
    ASSERT_TRUE(waitFor([&] { return countEvents(0x90, {2, 3}, firstMuted) >= 1; }, 5s));  // layer 2 plays on

    sendAndDeliver({0xB0, 20, 127});  // layer 2
    EXPECT_EQ(player_.mutedLayers.load(), 0b11u);
    const int64_t secondMuted = landsAfterNow();
    ASSERT_TRUE(waitFor([&] { return countEvents(0x80, {2, 3}, secondMuted) >= 1; }, 5s));
    dispatchCommand(app_, Command::Stop);
    EXPECT_EQ(countEvents(0x90, {0, 1}, firstMuted), 0);
    EXPECT_EQ(countEvents(0x90, {2, 3}, secondMuted), 0);

    sendAndDeliver({0x89, 36, 0});
    sendAndDeliver({0x99, 36, 100});  // pressed again: heard again
    EXPECT_EQ(player_.mutedLayers.load(), 0b10u);
}

TEST_F(ControlInputTest, NoPortStaysAfterCloseOrTheServerGoingAwayAndTheInputReturnsWithTheServer)
{
    EXPECT_EQ(countOf(jackPorts(directory_), kControlPort), 1);
    EXPECT_EQ(countOf(jackPorts(directory_), kControlPort + " out"), 1);
    ports_.close();
    EXPECT_EQ(countOf(jackPorts(directory_), kControlPort), 0);
    ports_.open();
    ASSERT_EQ(countOf(jackPorts(directory_), kControlPort), 1);

    sender_.reset();
    server_->stop();
    ASSERT_TRUE(waitFor([&] { return !ports_.jackOpen(); }, 5s));
    ports_.followJackServer();  // no server: nothing opens, nothing hangs
    EXPECT_FALSE(ports_.jackOpen());
    ASSERT_TRUE(server_->start()) << server_->log();
    ports_.followJackServer();
    ASSERT_TRUE(ports_.jackOpen());
    EXPECT_EQ(countOf(jackPorts(directory_), kControlPort), 1);
    sender_ = std::make_unique<JackSender>("ctl");
    ASSERT_TRUE(sender_->ok() && sender_->connectTo(kControlPort));
    ASSERT_TRUE(sender_->send({0x90, 1, 2}));
    EXPECT_EQ(deliver(), 1);
}

namespace {

struct ClockLog : ClockMessageSink {
    std::atomic<int> count{0};
    std::array<std::tuple<uint8_t, int32_t, int64_t>, 16> got{};
    void onClockMessage(uint8_t status, int32_t songPosition, Clock::Duration arrival) override
    {
        const int i = count.load();
        if (i < static_cast<int>(got.size())) {
            got[i] = {status, songPosition, arrival.count()};
            count.store(i + 1);
        }
    }
};

}  // namespace

// The clock reaches the follower on JACK's thread, timed by its frame on the steady clock, and
// nothing of it is queued for the UI thread.
TEST_F(ControlInputTest, ClockMessagesGoToTheFollowerTimedByTheirFrame)
{
    ClockLog clock;
    struct ClosedFirst {  // JACK's thread stops calling the log before it goes
        ControlPorts& ports;
        ~ClosedFirst() { ports.close(); }
    } closedFirst{ports_};
    ports_.close();
    ports_.setClockSink(&clock);
    ports_.open();
    ASSERT_TRUE(sender_->connectTo(kControlPort));
    ASSERT_TRUE(sender_->send({0xF2, 0x10, 0x01}));
    ASSERT_TRUE(sender_->send({0xFB}));
    ASSERT_TRUE(waitFor([&] { return clock.count.load() == 2; }, 5s));
    const int64_t written = sender_->lastWrittenNs();
    ASSERT_TRUE(sender_->send({0xF8}));
    ASSERT_TRUE(sender_->send({0x90, 60, 1}));  // a note after it: the one message queued
    EXPECT_EQ(deliver(), 1);
    ASSERT_TRUE(waitFor([&] { return clock.count.load() == 3; }, 5s));
    EXPECT_EQ(std::get<0>(clock.got[0]), 0xF2);
    EXPECT_EQ(std::get<1>(clock.got[0]), 0x10 + (0x01 << 7));
    EXPECT_EQ(std::get<0>(clock.got[1]), 0xFB);
    EXPECT_EQ(std::get<0>(clock.got[2]), 0xF8);
    // Written at the first frame of the sender's cycle: that frame's time lies at the cycle's
    // start, before the sender ran (2 ms for the frame clock's estimate), and not long before.
    const int64_t arrival = std::get<2>(clock.got[1]);
    EXPECT_LE(arrival, written + 2'000'000);
    EXPECT_GE(arrival, written - 1'000'000'000);
}
