// SystemMidiOutput against a real JACK server (dummy driver) with jack_midi_dump as the receiver.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/midi_port.h"
#include "engine/player_state.h"
#include "platform/midi_jack_probe.h"
#include "platform/system_midi_output.h"
#include "tests/integration/child_process.h"

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
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"jackd", "-n", serverName_, "-d", "dummy", "-r", "48000", "-p", "256"},
            directory_ + "/jackd.log");
        if (!waitFor([] { return jackServerAnswers(); }, 10s))
            GTEST_SKIP() << "the JACK dummy server does not start: " << server_->log();
        startRecorder();
        ASSERT_TRUE(waitFor([&] { return indexOfPort(output_, "rec:input") >= 0; }, 10s))
            << "rec:input never listed; jack_midi_dump says: " << recorder_->log();
    }

    void TearDown() override
    {
        output_.close();
        recorder_.reset();
        server_.reset();
        unsetenv("JACK_DEFAULT_SERVER");
        removeTestDirectory(directory_);
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
    const int device = indexOfPort(output_, "rec:input");
    ASSERT_EQ(output_.open(device), MidiResult::Ok);
    struct Sent {
        int status, data1, data2;
    };
    const Sent sent[] = {{0xC2, 11, 0},  {0x93, 85, 69},   {0x91, 90, 72},  {0x80, 70, 64},
                         {0x83, 85, 64}, {0x90, 254, 200}, {0x8F, 127, 64}, {0xC0, 0, 0}};
    std::vector<std::string> expected;
    for (const Sent& m : sent) {
        ASSERT_EQ(output_.send(packShortMessage(m.status, m.data1, m.data2)), MidiResult::Ok);
        char text[16];
        // A program change goes out with its one data byte.
        if ((m.status & 0xF0) == 0xC0)
            std::snprintf(text, sizeof text, "%02x %02x", m.status, m.data1);
        else
            std::snprintf(text, sizeof text, "%02x %02x %02x", m.status, m.data1, m.data2);
        expected.push_back(text);
        std::this_thread::sleep_for(2ms);
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

    const int device = indexOfPort(output_, "rec:input");
    ASSERT_EQ(output_.open(device), MidiResult::Ok);
    EXPECT_EQ(output_.open(device), MidiResult::Allocated);
    EXPECT_EQ(output_.close(), MidiResult::Ok);
    EXPECT_EQ(output_.close(), MidiResult::InvalidHandle);
}

TEST_F(JackMidiOutputTest, APortThatVanishedFailsItsOpenAndSendsDoNotCrash)
{
    const int device = indexOfPort(output_, "rec:input");
    ASSERT_EQ(output_.open(device), MidiResult::Ok);
    recorder_->stop();
    ASSERT_TRUE(waitFor([&] { return indexOfPort(output_, "rec:input") < 0; }, 5s));
    // Sending into a connection whose other end is gone goes nowhere; it must not fail hard.
    for (int i = 0; i < 50; ++i)
        output_.send(packShortMessage(0x90, 60, 100));
    EXPECT_EQ(output_.close(), MidiResult::Ok);

    // The listing above no longer has the port: its old number is now out of range.
    EXPECT_EQ(output_.open(device), MidiResult::BadDeviceId);

    // A listing made while the port existed, opened after it vanished: "no MIDI port was found".
    startRecorder();
    ASSERT_TRUE(waitFor([&] { return indexOfPort(output_, "rec:input") >= 0; }, 10s));
    recorder_->stop();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(output_.open(device), MidiResult::NoDevice);
}

TEST_F(JackMidiOutputTest, ThroughTheEnginePortEveryMessageArrivesFromBothThreads)
{
    PlayerState player;
    player.port.backend = &output_;
    put(player.deviceId, indexOfPort(output_, "rec:input"));
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
        sendNoteOffSweep(player);
        std::this_thread::sleep_for(40ms);
    }
    playback.join();
    const std::vector<std::string> got = received();
    EXPECT_EQ(closePort(player), 0);
    EXPECT_EQ(got.size(), 100u + 5 * 16) << recorder_->log();
}
