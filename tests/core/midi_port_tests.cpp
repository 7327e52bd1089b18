// The MIDI port: packing, the error texts of open, close and send, the sweeps and device changes.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <future>
#include <thread>
#include <string>
#include <vector>

#include "engine/midi_port.h"
#include "engine/player_state.h"
#include "engine/recording_backend.h"
#include "engine/virtual_clock.h"
#include "settings/settings_record.h"

namespace {

class RecordingReporter : public ErrorReporter {
public:
    void showError(const std::string& text) override { boxes.push_back(text); }
    std::vector<std::string> boxes;
};

class MidiPortTest : public ::testing::Test {
protected:
    MidiPortTest()
    {
        player.port.backend = &backend;
        player.port.reporter = &reporter;
    }

    // Every byte sent so far as "SS D1 D2", for readable comparisons.
    std::vector<std::string> sent() const
    {
        std::vector<std::string> lines;
        char text[16];
        for (const TimedMessage& m : backend.messages) {
            std::snprintf(text, sizeof text, "%02x %02x %02x", m.status(), m.data1(), m.data2());
            lines.push_back(text);
        }
        return lines;
    }

    VirtualClock clock;
    RecordingBackend backend{clock};
    RecordingReporter reporter;
    PlayerState player;
};

// A backend that answers every call with a chosen code, to reach each text of the tables.
class ScriptedBackend : public PortBackend {
public:
    int open(int32_t) override { return code; }
    int send(uint32_t, MessageTime) override { return code; }
    int close() override { return code; }
    std::string failureReason() override { return reason; }
    std::string shownPortName() override { return name; }
    int code = MidiResult::Ok;
    std::string reason;
    std::string name;
};

}  // namespace

TEST(MidiPacking, ExamplesPackStatusAndDataIntoTheLowThreeBytes)
{
    EXPECT_EQ(packShortMessage(0x90 + 3, 85, 69), 0x00455593u);
    EXPECT_EQ(packShortMessage(0x80 + 0, 70, 64), 0x00404680u);
    EXPECT_EQ(packShortMessage(0xC0 + 2, 11, 0), 0x00000BC2u);
}

TEST(MidiPacking, DataBytesAreCutToEightBitsNotClampedOrMasked)
{
    EXPECT_EQ(packShortMessage(0x90, 254, 254), 0x00FEFE90u);
    // note 2 shifted by -4 wraps to 254; wider values keep only their low byte
    EXPECT_EQ(packShortMessage(0x90, 2 - 4, 0x1FF), 0x00FFFE90u);
    EXPECT_EQ(packShortMessage(0x1C5, 0, 0) >> 24, 0u);
}

TEST_F(MidiPortTest, SendsThePackedMessageAndReportsNothingOnSuccess)
{
    ASSERT_EQ(openPort(player), 0);
    EXPECT_EQ(sendShortMessage(player, 0x93, 85, 69), 0);
    EXPECT_EQ(sent(), std::vector<std::string>{"93 55 45"});
    EXPECT_TRUE(reporter.boxes.empty());
}

TEST(MidiPortTexts, EveryCodeOfTheThreeTablesShowsItsText)
{
    struct Case {
        int code;
        const char* open;
        const char* close;
        const char* send;
    };
    const char* unknown = "unknown error";
    const Case cases[] = {
        {1, unknown, unknown, unknown},
        {2, "the specified device identifier is out of range", unknown, unknown},
        {4, "the specified resource is already allocated", unknown, unknown},
        {5, unknown, "the specified device handle is invalid", "the specified device handle is invalid"},
        {7, "the system is unable to allocate or lock memory", "the system is unable to load mapper string description",
         unknown},
        {11, "the specified pointer or structure is invalid", unknown, unknown},
        {65, unknown, "buffers are still in the queue", unknown},
        {67, unknown, unknown, "the hardware is busy with other data"},
        {68, "no MIDI port was found", unknown, unknown},
        {70, unknown, unknown, "the application sent a message without a status byte to a stream handle"},
        {-1, unknown, unknown, unknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ScriptedBackend backend;
        backend.code = c.code;
        RecordingReporter reporter;
        PlayerState player;
        player.port.backend = &backend;
        player.port.reporter = &reporter;
        EXPECT_EQ(openPort(player), 1);
        EXPECT_EQ(closePort(player), 1);
        EXPECT_EQ(sendShortMessage(player, 0x90, 60, 100), 1);
        EXPECT_EQ(reporter.boxes, (std::vector<std::string>{c.open, c.close, c.send}));
    }
}

// A listed port's boxes say which port failed, then the table's text, then what the backend adds.
TEST(MidiPortTexts, APortsBoxNamesThePortThenTheReason)
{
    ScriptedBackend backend;
    backend.name = "JACK: rec:input";
    RecordingReporter reporter;
    PlayerState player;
    player.port.backend = &backend;
    player.port.reporter = &reporter;
    backend.code = MidiResult::NoDevice;
    EXPECT_EQ(openPort(player), 1);
    backend.code = MidiResult::NotReady;
    backend.reason = "the JACK server has gone";
    EXPECT_EQ(sendShortMessage(player, 0x90, 60, 100), 1);
    backend.code = MidiResult::StillPlaying;
    EXPECT_EQ(closePort(player), 1);
    EXPECT_EQ(reporter.boxes, (std::vector<std::string>{
                                  "JACK: rec:input: no MIDI port was found",
                                  "JACK: rec:input: the hardware is busy with other data\n\nthe JACK server has gone",
                                  "JACK: rec:input: buffers are still in the queue"}));
}

TEST_F(MidiPortTest, OpenPassesTheDeviceIdAndAFailedOpenReportsOnce)
{
    put(player.deviceId, -1);
    backend.failOpenWith = MidiResult::NoDevice;
    EXPECT_EQ(openPort(player), 1);
    EXPECT_EQ(backend.openedDevices, std::vector<int32_t>{-1});
    EXPECT_EQ(reporter.boxes, std::vector<std::string>{"no MIDI port was found"});
}

TEST_F(MidiPortTest, SweepsRunOverTheSixteenChannelsInOrder)
{
    for (int c = 0; c < 16; ++c) {
        put(player.effectiveTones[c], c * 3);
        put(player.effectiveNotes[c], 40 + c);
    }
    put(player.effectiveNotes[5], 2 - 4);  // a shifted note is sent as its low byte
    ASSERT_EQ(openPort(player), 0);
    sendProgramChanges(player);
    sendNoteOffSweep(player);

    std::vector<std::string> expected;
    char text[16];
    for (int c = 0; c < 16; ++c) {
        std::snprintf(text, sizeof text, "%02x %02x 00", 0xC0 + c, c * 3);
        expected.push_back(text);
    }
    for (int c = 0; c < 16; ++c) {
        std::snprintf(text, sizeof text, "%02x %02x 40", 0x80 + c, c == 5 ? 0xFE : 40 + c);
        expected.push_back(text);
    }
    EXPECT_EQ(sent(), expected);
}

TEST_F(MidiPortTest, AFailingPortIsReportedOnceThenCountedUntilReopened)
{
    // The port was never opened: every one of the 16 sends fails, one box says so.
    sendNoteOffSweep(player);
    EXPECT_EQ(reporter.boxes, std::vector<std::string>{"the specified device handle is invalid"});
    EXPECT_EQ(player.port.failedSends.load(), 16u);

    reporter.boxes.clear();
    ASSERT_EQ(openPort(player), 0);
    backend.failSendWith = MidiResult::NotReady;
    sendProgramChanges(player);
    sendProgramChanges(player);
    EXPECT_EQ(reporter.boxes, std::vector<std::string>{"the hardware is busy with other data"});
    EXPECT_EQ(player.port.failedSends.load(), 32u);
}

TEST_F(MidiPortTest, ChangeDeviceWithTheSameIdTouchesNothing)
{
    put(player.deviceId, 2);
    ASSERT_EQ(openPort(player), 0);
    SettingsRecord working{};
    working.midiDeviceId = 2;
    changeDevice(player, working);
    EXPECT_EQ(backend.openedDevices, std::vector<int32_t>{2});
    EXPECT_EQ(backend.closeCount, 0);
    EXPECT_TRUE(backend.messages.empty());
    EXPECT_TRUE(reporter.boxes.empty());
    EXPECT_EQ(get(player.deviceId), 2);
}

TEST_F(MidiPortTest, ChangeDeviceClosesThenOpensTheNewDeviceWithoutSending)
{
    put(player.deviceId, 0);
    ASSERT_EQ(openPort(player), 0);
    SettingsRecord working{};
    working.midiDeviceId = -1;
    changeDevice(player, working);
    EXPECT_EQ(backend.closeCount, 1);
    EXPECT_EQ(backend.openedDevices, (std::vector<int32_t>{0, -1}));
    EXPECT_EQ(get(player.deviceId), -1);
    EXPECT_TRUE(backend.messages.empty());
    EXPECT_TRUE(reporter.boxes.empty());
}

TEST_F(MidiPortTest, AFailedOpenAfterADeviceChangeKeepsTheNewIdAndLeavesThePortUnusable)
{
    put(player.deviceId, 0);
    ASSERT_EQ(openPort(player), 0);
    backend.failOpenWith = MidiResult::BadDeviceId;
    SettingsRecord working{};
    working.midiDeviceId = 7;
    changeDevice(player, working);
    EXPECT_EQ(get(player.deviceId), 7);
    EXPECT_EQ(reporter.boxes, std::vector<std::string>{"the specified device identifier is out of range"});

    EXPECT_EQ(sendShortMessage(player, 0x90, 60, 100), 1);
    EXPECT_EQ(reporter.boxes.back(), "the specified device handle is invalid");
    EXPECT_TRUE(backend.messages.empty());
}

TEST_F(MidiPortTest, ADeviceChangeFromAPortThatNeverOpenedOpensTheNewOneWithoutABox)
{
    put(player.deviceId, 0);
    SettingsRecord working{};
    working.midiDeviceId = 1;
    changeDevice(player, working);
    EXPECT_EQ(backend.openedDevices, std::vector<int32_t>{1});
    EXPECT_TRUE(backend.isOpen);
    EXPECT_TRUE(reporter.boxes.empty());
}

// Choosing the same device again, or Play, opens a port that failed afresh; a healthy port is
// left alone.
TEST_F(MidiPortTest, AFailedPortIsOpenedAgainWhenChosenAgain)
{
    put(player.deviceId, 2);
    ASSERT_EQ(openPort(player), 0);
    SettingsRecord working{};
    working.midiDeviceId = 2;
    backend.failSendWith = MidiResult::NotReady;
    sendShortMessage(player, 0x90, 60, 100);
    backend.failSendWith = MidiResult::Ok;
    changeDevice(player, working);
    EXPECT_EQ(backend.openedDevices, (std::vector<int32_t>{2, 2}));
    EXPECT_EQ(sendShortMessage(player, 0x90, 60, 100), 0);
    EXPECT_EQ(reporter.boxes, std::vector<std::string>{"the hardware is busy with other data"});
}

namespace {

// A device whose open and close take as long as the test wants (an audio server draining).
class SlowDevice : public RecordingBackend {
public:
    using RecordingBackend::RecordingBackend;
    int open(int32_t deviceId) override
    {
        inside = true;
        release.get_future().wait();
        inside = false;
        return RecordingBackend::open(deviceId);
    }
    std::promise<void> release;
    std::atomic<bool> inside{false};
};

}  // namespace

// A send from the playback thread while the UI thread opens a device neither waits for the open
// nor reaches the device in the middle of it: it is dropped and counted.
TEST(MidiPortChange, ASendDuringADeviceOpenIsDroppedAndCountedNotKeptWaiting)
{
    VirtualClock clock;
    SlowDevice device{clock};
    PlayerState player;
    player.port.backend = &device;
    put(player.deviceId, 2);
    std::thread opener([&] { openPort(player); });
    while (!device.inside)
        std::this_thread::yield();
    auto send = std::async(std::launch::async, [&] { return sendShortMessage(player, 0x90, 60, 100); });
    const bool returned = send.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    device.release.set_value();
    opener.join();
    ASSERT_TRUE(returned) << "the send waited for the open";
    EXPECT_EQ(send.get(), 0);
    EXPECT_EQ(player.port.droppedSends.load(), 1u);
    EXPECT_TRUE(device.messages.empty());
    EXPECT_EQ(sendShortMessage(player, 0x90, 60, 100), 0);  // opened: sends go out again
    EXPECT_EQ(device.messages.size(), 1u);
}
