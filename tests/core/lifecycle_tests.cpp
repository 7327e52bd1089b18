// Start-up and the closing sequence against a fake window system, with the real parameter file,
// the real playback thread and a recording MIDI port.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <optional>
#include <utility>

#include <sys/stat.h>

#include "app/commands.h"
#include "app/lifecycle.h"
#include "engine/midi_port.h"
#include "app/parameter_file_commands.h"
#include "app/voice_set_opening.h"
#include "engine/recording_backend.h"
#include "fake_shell_platform.h"
#include "file_test_support.h"
#include "resources/command_ids.h"
#include "settings/defaults.h"
#include "settings/lattice_placement.h"

namespace {

using namespace std::chrono_literals;
using Log = std::vector<std::string>;

// Every step of the window system, in one log with the shell's calls.
class FakeWindowHost : public WindowHost {
public:
    explicit FakeWindowHost(FakeShellPlatform& shell) : shell_(shell) {}
    bool acquireSingleInstance() override
    {
        shell_.log.push_back("lock");
        if (onLock)
            onLock();
        return !otherInstanceRuns;
    }
    void releaseSingleInstance() override { shell_.log.push_back("unlock"); }
    bool createMainWindow() override
    {
        shell_.log.push_back("create");
        return true;
    }
    void showMainWindow() override
    {
        shown = true;
        shell_.log.push_back("show");
    }
    void destroyMainWindow() override { shell_.log.push_back("destroy"); }
    void releaseWaitingThreads() override { shell_.log.push_back("release waiting threads"); }
    bool handFileToRunningCopy(const std::string& path) override
    {
        shell_.log.push_back("hand over " + path);
        return true;
    }

    bool otherInstanceRuns = false;
    bool shown = false;
    std::function<void()> onLock;

private:
    FakeShellPlatform& shell_;
};

// The port's boxes go to the shell's log as the Qt reporter shows them: caption "error", no owner.
class ShellErrorReporter : public ErrorReporter {
public:
    explicit ShellErrorReporter(FakeShellPlatform& shell) : shell_(shell) {}
    void showError(const std::string& text) override { shell_.showMessage(text, "error", false); }

private:
    FakeShellPlatform& shell_;
};

// Opening and closing of the port, logged among the shell's calls (UI thread only).
class LoggingBackend : public RecordingBackend {
public:
    LoggingBackend(Clock& clock, Log& log) : RecordingBackend(clock), log_(log) {}
    int open(int32_t deviceId) override
    {
        log_.push_back("port open " + std::to_string(deviceId));
        if (failOpenOnlyFor && *failOpenOnlyFor != deviceId) {
            const int failure = std::exchange(failOpenWith, MidiResult::Ok);
            const int code = RecordingBackend::open(deviceId);
            failOpenWith = failure;
            return code;
        }
        return RecordingBackend::open(deviceId);
    }
    std::string failureReason() override { return reason; }
    std::optional<int32_t> failOpenOnlyFor;  // when set, only this device fails to open
    std::string reason;
    int close() override
    {
        log_.push_back("port close");
        return RecordingBackend::close();
    }

private:
    Log& log_;
};

// Virtual time that runs by itself: every wait ends at once after a short real pause, so the
// playback thread plays at a bounded pace and the closing sequence's join never needs a helper.
class RunningClock : public Clock {
public:
    Duration now() override { return Duration(ticks_.load()); }
    void sleepUntil(Duration deadline) override
    {
        ticks_.store(std::max(ticks_.load(), deadline.count()));
        std::this_thread::sleep_for(200us);
    }

private:
    std::atomic<Duration::rep> ticks_{0};
};

// Where the note-off sweep (channels 0 to 15 in order, velocity 64) starts, or SIZE_MAX.
size_t sweepStart(const std::vector<TimedMessage>& messages)
{
    for (size_t i = 0; i + 16 <= messages.size(); ++i) {
        bool sweep = true;
        for (size_t c = 0; c < 16 && sweep; ++c)
            sweep = messages[i + c].status() == 0x80 + c && messages[i + c].data2() == 64;
        if (sweep)
            return i;
    }
    return SIZE_MAX;
}

struct Program {
    ScratchDir dir;
    FakeShellPlatform shell;
    RunningClock clock;
    LoggingBackend port{clock, shell.log};
    ShellErrorReporter reporter{shell};
    PlayerState player;
    Transport transport;
    SettingsRecord working{};
    SettingsRecord defaults{};
    ParameterFile parameterFile;
    // The ports the system lists, by their shown names; none unless a test lists some.
    struct ListedPorts : DeviceListing {
        std::vector<std::string> names;
        uint32_t portCount() override { return static_cast<uint32_t>(names.size()); }
        bool portName(uint32_t id, std::string& name) override
        {
            if (id >= names.size())
                return false;
            name = names[id];
            return true;
        }
    } devices;
    AppContext app{shell, player, transport, working, defaults, parameterFile, devices, clock};
    FakeWindowHost host{shell};
    Lifecycle lifecycle{app, host};

    Program()
    {
        player.port.backend = &port;
        player.port.reporter = &reporter;
    }
    ~Program()
    {
        if (!lifecycle.isClosed() && lifecycle.isWindowCreated())
            closeWhileTimeRuns();
    }
    std::string executable() const { return dir.file("pulselattice"); }
    std::string parFile() const { return dir.file("pulseLattice.par"); }
    std::string portNameFile() const { return dir.file("pulseLattice.port"); }
    // A parameter file whose saved device is `deviceId`.
    void saveDevice(int32_t deviceId)
    {
        SettingsRecord saved{};
        fillBuiltInDefaults(saved);
        saved.midiDeviceId = deviceId;
        Bytes file(kParameterFileSize, 0);
        std::memcpy(file.data() + kParameterHeaderSize, &saved, sizeof saved);
        writeBytes(parFile(), file);
    }
    StartupResult start(const std::string& voiceSet = {}) { return lifecycle.start(executable(), voiceSet); }

    void closeWhileTimeRuns() { lifecycle.close(); }
    size_t indexOfPrefix(const std::string& prefix) const
    {
        for (size_t i = 0; i < shell.log.size(); ++i)
            if (shell.log[i].rfind(prefix, 0) == 0)
                return i;
        return SIZE_MAX;
    }
    size_t indexOf(const std::string& entry) const
    {
        auto found = std::find(shell.log.begin(), shell.log.end(), entry);
        return found == shell.log.end() ? SIZE_MAX : static_cast<size_t>(found - shell.log.begin());
    }
};

Bytes storedFile(int32_t tempo, int32_t playState)
{
    SettingsRecord record{};
    fillBuiltInDefaults(record);
    record.tempo = tempo;
    record.playState = playState;
    record.windowWidth = 300;
    record.windowHeight = 400;
    record.windowRect[0] = 100;
    record.windowRect[1] = 50;
    record.windowRect[2] = 400;
    record.windowRect[3] = 450;
    Bytes bytes(kParameterFileSize, 0);
    bytes[0] = 0xAB;  // a header byte that must survive the round trip
    std::memcpy(bytes.data() + 12, &record, sizeof record);
    return bytes;
}

SettingsRecord recordIn(const Bytes& file)
{
    SettingsRecord record{};
    std::memcpy(&record, file.data() + 12, sizeof record);
    return record;
}

TEST(StartUp, LoadsTheFileBeforeTheSingleInstanceTestAndKeepsItsValues)
{
    Program p;
    writeBytes(p.parFile(), storedFile(123, Playing));
    int32_t tempoAtLock = 0;
    p.host.onLock = [&] { tempoAtLock = p.defaults.tempo; };

    ASSERT_EQ(p.start(), StartupResult::Running);
    EXPECT_EQ(tempoAtLock, 123);
    EXPECT_EQ(p.defaults.tempo, 123) << "a file that opened is not replaced by the built-in defaults";
    EXPECT_EQ(p.working.tempo, 123);
    // A stored Playing state still starts Idle, with Play and Stop off.
    EXPECT_EQ(p.working.playState, Idle);
    EXPECT_FALSE(p.shell.menuEnabled.at(313));
    EXPECT_FALSE(p.shell.buttonEnabled.at(314));
    EXPECT_TRUE(p.shell.menuEnabled.at(312));
    EXPECT_EQ(p.parameterFile.path, p.parFile());
    EXPECT_EQ(readBytes(p.parFile())[0], 0xAB) << "the header block is written back unchanged";
    EXPECT_TRUE(p.shell.messages.empty());
}

TEST(StartUp, TheMutesKeptBesideTheParameterFileReachThePlayer)
{
    Program p;
    const std::string side = p.dir.file("pulseLattice.lattice");
    ASSERT_TRUE(saveLatticePlacement(side, LatticePlacement{5, 6, 700, 400}, LayerMutes{0b100, -1}));
    ASSERT_EQ(p.start(), StartupResult::Running);
    EXPECT_EQ(p.app.layerMutes, (LayerMutes{0b100, -1}));
    EXPECT_EQ(p.player.mutedLayers.load(), 0b100u);
}

TEST(StartUp, WithoutAFileUsesTheBuiltInDefaultsAndWritesThemAtOnce)
{
    Program p;
    bool fileAtLock = true;
    p.host.onLock = [&] { fileAtLock = std::filesystem::exists(p.parFile()); };

    ASSERT_EQ(p.start(), StartupResult::Running);
    EXPECT_FALSE(fileAtLock);
    SettingsRecord builtIn{};
    fillBuiltInDefaults(builtIn);
    EXPECT_EQ(p.defaults.tempo, builtIn.tempo);
    EXPECT_EQ(std::memcmp(p.defaults.tones, builtIn.tones, sizeof builtIn.tones), 0);

    const Bytes written = readBytes(p.parFile());
    ASSERT_EQ(written.size(), kParameterFileSize);
    EXPECT_EQ(recordIn(written).tempo, builtIn.tempo);
    // No stored placement: the window is centred, not left at 0,0.
    EXPECT_NE(p.shell.rect.left, 0);
}

TEST(StartUp, RunsItsStepsInOrder)
{
    Program p;
    ASSERT_EQ(p.start(), StartupResult::Running);

    const size_t lock = p.indexOf("lock"), create = p.indexOf("create"), open = p.indexOf("port open -1");
    const size_t show = p.indexOf("show"), idle = p.indexOf("menu 313 off");
    EXPECT_LT(lock, create);
    EXPECT_LT(create, show);
    EXPECT_LT(show, idle);
    EXPECT_LT(idle, open);  // the port once the window is on the screen: the first window needs none
    // The placement (commitParameterFile) comes before the port.
    EXPECT_LT(create, p.indexOfPrefix("move "));
    EXPECT_LT(p.indexOfPrefix("move "), open);
    EXPECT_TRUE(p.transport.threadStarted);
    // The thread starts parked; the port opens once the window is shown, before Play can send.
    EXPECT_TRUE(portIsOpen(p.player));
}

TEST(StartUp, ASecondInstanceEndsSilentlyAndWritesNothing)
{
    Program p;
    p.host.otherInstanceRuns = true;

    EXPECT_EQ(p.start(), StartupResult::SecondInstance);
    EXPECT_EQ(p.shell.log, (Log{"lock"}));
    EXPECT_FALSE(std::filesystem::exists(p.parFile()));
    EXPECT_TRUE(p.port.openedDevices.empty());
    EXPECT_FALSE(p.transport.threadStarted);
}

// No output opens (no audio server, no soundfont, no port): the window still opens, with one box
// that says what is missing and what to do; Play then opens the output once it can be opened.
TEST(StartUp, WithoutAnyOutputTheWindowOpensWithOneBoxAndPlayTriesAgain)
{
    Program p;
    p.port.failOpenWith = MidiResult::NoDevice;
    p.port.reason = "no General MIDI soundfont: /usr/share/sounds/sf2/default-GM.sf2 is missing";

    ASSERT_EQ(p.start(), StartupResult::Running);
    EXPECT_TRUE(p.host.shown);
    EXPECT_TRUE(p.transport.threadStarted);
    EXPECT_FALSE(p.lifecycle.isClosed());
    ASSERT_EQ(p.shell.messages.size(), 1u);
    const ShownMessage& box = p.shell.messages[0];
    EXPECT_EQ(box.caption, "error");
    EXPECT_FALSE(box.ownedByMainWindow);
    EXPECT_NE(box.text.find("no MIDI port was found (" + p.port.reason + ")"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("press Play, or choose a MIDI port in the concept dialog"), std::string::npos) << box.text;
    EXPECT_GT(p.indexOfPrefix("message error"), p.indexOf("show")) << "the box comes over the window";

    // The audio server has started meanwhile: Play opens the output and plays.
    p.port.failOpenWith = MidiResult::Ok;
    transportConceptAccepted(p.app);
    EXPECT_EQ(dispatchCommand(p.app, Command::Play), 1);
    EXPECT_EQ(p.port.openedDevices, (std::vector<int32_t>{-1, -1}));
    EXPECT_EQ(p.working.playState, Playing);
    EXPECT_EQ(p.shell.messages.size(), 1u);
}

// A saved port that is gone gives way to MIDI_MAPPER for this run, with one box naming it; the
// saved choice is kept for the next start.
TEST(StartUp, ASavedDeviceThatCannotBeOpenedFallsBackToTheMapper)
{
    Program p;
    SettingsRecord saved{};
    fillBuiltInDefaults(saved);
    saved.midiDeviceId = 5;
    Bytes file(kParameterFileSize, 0);
    std::memcpy(file.data() + kParameterHeaderSize, &saved, sizeof saved);
    writeBytes(p.parFile(), file);
    p.port.failOpenWith = MidiResult::BadDeviceId;
    p.port.failOpenOnlyFor = 5;

    ASSERT_EQ(p.start(), StartupResult::Running);
    EXPECT_EQ(p.port.openedDevices, (std::vector<int32_t>{5, -1}));
    ASSERT_EQ(p.shell.messages.size(), 1u);
    EXPECT_EQ(p.shell.messages[0].caption, "error");
    EXPECT_NE(p.shell.messages[0].text.find("device 5 cannot be opened: the specified device identifier is out of range"),
              std::string::npos);
    EXPECT_EQ(p.working.midiDeviceId, -1);
    EXPECT_EQ(p.defaults.midiDeviceId, 5);
}

// An empty, truncated or non-regular parameter file is kept aside and the built-in defaults start.
TEST(StartUp, ADamagedParameterFileIsKeptAsideAndTheDefaultsStart)
{
    for (int damage = 0; damage < 3; ++damage) {
        Program p;
        if (damage == 2)
            ASSERT_EQ(::mkfifo(p.parFile().c_str(), 0600), 0);
        else
            writeBytes(p.parFile(), Bytes(damage == 0 ? 0 : 200, 0));
        ASSERT_EQ(p.start(), StartupResult::Running) << damage;
        EXPECT_TRUE(p.shell.messages.empty()) << damage;
        EXPECT_EQ(p.working.midiDeviceId, -1) << damage;
        EXPECT_EQ(p.working.tones[0], p.defaults.tones[0]);
        SettingsRecord builtIn{};
        fillBuiltInDefaults(builtIn);
        EXPECT_EQ(p.working.notes[1], builtIn.notes[1]) << damage;
        EXPECT_TRUE(std::filesystem::exists(p.parFile() + ".bad")) << damage;
        EXPECT_EQ(readBytes(p.parFile()).size(), kParameterFileSize) << damage;
    }
}

// Nowhere to keep the parameter file: one box naming the places tried, and the program runs on
// (port, thread, window) and closes without a second box.
TEST(StartUp, AFileThatCannotBeWrittenGivesOneBoxAndTheProgramRunsWithoutSaving)
{
    Program p;
    // A directory in the file's place, and one with content where it would be kept aside: it can
    // be neither read, nor moved, nor replaced.
    std::filesystem::create_directories(p.parFile() + ".bad/keep");
    std::filesystem::create_directory(p.parFile());

    ASSERT_EQ(p.start(), StartupResult::Running);
    EXPECT_TRUE(p.host.shown);
    EXPECT_EQ(p.port.openedDevices, std::vector<int32_t>{-1});
    EXPECT_TRUE(p.transport.threadStarted);
    ASSERT_EQ(p.shell.messages.size(), 1u);
    EXPECT_EQ(p.shell.messages[0].caption, "alert");
    EXPECT_TRUE(p.shell.messages[0].ownedByMainWindow);
    EXPECT_NE(p.shell.messages[0].text.find("\n" + p.parFile() + "\n"), std::string::npos) << p.shell.messages[0].text;

    p.lifecycle.close();
    EXPECT_EQ(p.shell.messages.size(), 1u) << "closing says nothing more";
    EXPECT_NE(p.indexOf("destroy"), SIZE_MAX);
}

// The parameter file says port 0, the name file "JACK: rec:input", which is listed at 1 now: port
// 1 opens, and the corrected index is saved at close beside the unchanged name.
TEST(PortByName, APortFoundByNameAtAnotherIndexOpensThereAndIsSaved)
{
    Program p;
    p.saveDevice(0);
    writeBytes(p.portNameFile(), {'J', 'A', 'C', 'K', ':', ' ', 'r', 'e', 'c', ':', 'i', 'n', 'p', 'u', 't', '\n'});
    p.devices.names = {"ALSA: Midi Synth:out", "JACK: rec:input"};

    ASSERT_EQ(p.start(), StartupResult::Running);
    EXPECT_EQ(p.port.openedDevices, std::vector<int32_t>{1});
    EXPECT_EQ(p.working.midiDeviceId, 1);
    EXPECT_EQ(p.defaults.midiDeviceId, 1);
    EXPECT_TRUE(p.shell.messages.empty());
    p.lifecycle.close();
    EXPECT_EQ(recordIn(readBytes(p.parFile())).midiDeviceId, 1);
    const Bytes name = readBytes(p.portNameFile());
    EXPECT_EQ(std::string(name.begin(), name.end()), "JACK: rec:input\n");
}

// The named port is gone: index 0 (now another port) is not opened; MIDI_MAPPER plays, one box
// names the port, and the saved choice stays for the next start.
TEST(PortByName, AGonePortFallsBackWithOneBoxNamingIt)
{
    Program p;
    p.saveDevice(0);
    writeBytes(p.portNameFile(), {'J', 'A', 'C', 'K', ':', ' ', 'r', 'e', 'c', ':', 'i', 'n', 'p', 'u', 't', '\n'});
    p.devices.names = {"ALSA: Midi Synth:out"};

    ASSERT_EQ(p.start(), StartupResult::Running);
    EXPECT_EQ(p.port.openedDevices, std::vector<int32_t>{-1});
    ASSERT_EQ(p.shell.messages.size(), 1u);
    EXPECT_NE(p.shell.messages[0].text.find("\"JACK: rec:input\""), std::string::npos) << p.shell.messages[0].text;
    EXPECT_EQ(p.working.midiDeviceId, -1);
    p.lifecycle.close();
    EXPECT_EQ(recordIn(readBytes(p.parFile())).midiDeviceId, 0);
    EXPECT_EQ(readBytes(p.portNameFile()).size(), 16u);
}

// Without a name file the index decides as before; its port's name is kept for the next start.
// When a dialog lists the ports again, the index follows the name (the open port's too).
TEST(PortByName, WithoutANameFileTheIndexDecidesAndTheNameFollowsWhenTheListIsRead)
{
    Program p;
    p.saveDevice(1);
    p.devices.names = {"ALSA: a:0", "ALSA: b:0"};
    ASSERT_EQ(p.start(), StartupResult::Running);
    EXPECT_EQ(p.port.openedDevices, std::vector<int32_t>{1});

    p.devices.names = {"ALSA: b:0", "JACK: new:in", "ALSA: a:0"};
    dispatchCommand(p.app, Command::Concept);  // cancelled: nothing applied, but the list was read
    EXPECT_EQ(p.working.midiDeviceId, 0);
    EXPECT_EQ(p.defaults.midiDeviceId, 0);
    EXPECT_EQ(get(p.player.deviceId), 0) << "the open port is the same port: no reopening";
    p.lifecycle.close();
    const Bytes name = readBytes(p.portNameFile());
    EXPECT_EQ(std::string(name.begin(), name.end()), "ALSA: b:0\n");
    EXPECT_EQ(recordIn(readBytes(p.parFile())).midiDeviceId, 0);
}

TEST(Closing, WhilePlayingSweepsBeforeTheThreadEndsAndSavesTheWindowRectangle)
{
    Program p;
    ASSERT_EQ(p.start(), StartupResult::Running);
    transportConceptAccepted(p.app);
    dispatchCommand(p.app, Command::Play);
    auto sent = [&] {
        std::lock_guard<std::mutex> guard(p.player.port.lock);
        return p.port.messages.size();
    };
    for (int i = 0; i < 2000 && sent() < 40; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_GE(sent(), 40u) << "the thread plays";
    p.shell.rect = {210, 120, 510, 520};
    {
        std::lock_guard<std::mutex> guard(p.player.port.lock);
        p.shell.log.clear();  // from the close on
    }

    p.closeWhileTimeRuns();

    // The thread is released and leaves its pass; then Stop: the sweep is the last thing sent.
    ASSERT_GE(p.port.messages.size(), 16u);
    const std::vector<TimedMessage> lastSixteen(p.port.messages.end() - 16, p.port.messages.end());
    EXPECT_EQ(sweepStart(lastSixteen), 0u);
    const size_t ready = p.indexOf("menu 313 on"), release = p.indexOf("release waiting threads");
    const size_t close = p.indexOf("port close"), destroy = p.indexOf("destroy");
    EXPECT_LT(release, ready);
    EXPECT_LT(ready, close);
    EXPECT_LT(close, destroy);
    EXPECT_LT(destroy, p.indexOf("unlock"));
    EXPECT_EQ(p.player.playing.load(), 0);
    EXPECT_EQ(p.working.playState, Ready);
    EXPECT_FALSE(p.transport.control.thread.joinable());

    const SettingsRecord saved = recordIn(readBytes(p.parFile()));
    EXPECT_EQ(saved.windowRect[0], 210);
    EXPECT_EQ(saved.windowRect[1], 120);
    EXPECT_EQ(saved.windowRect[2], 510);
    EXPECT_EQ(saved.windowRect[3], 520);
    EXPECT_TRUE(p.shell.messages.empty());
}

// Closing (Exit, the close box, a signal) while an Export's worker runs: the work is cancelled
// and nothing is closed yet; the close that follows the worker's end runs the sequence.
TEST(Closing, DuringBackgroundWorkCancelsItAndClosesAfterwards)
{
    Program p;
    ASSERT_EQ(p.start(), StartupResult::Running);
    p.shell.workRunning = true;
    p.lifecycle.close();
    EXPECT_FALSE(p.lifecycle.isClosed());
    EXPECT_NE(p.indexOf("work cancelled, close deferred"), SIZE_MAX);
    EXPECT_EQ(p.indexOf("destroy"), SIZE_MAX);
    EXPECT_TRUE(p.transport.threadStarted);

    p.shell.workRunning = false;
    p.lifecycle.close();
    EXPECT_TRUE(p.lifecycle.isClosed());
    EXPECT_NE(p.indexOf("destroy"), SIZE_MAX);
}

TEST(Closing, WhenIdleSendsNoSweepAndRunsOnlyOnce)
{
    Program p;
    ASSERT_EQ(p.start(), StartupResult::Running);
    p.closeWhileTimeRuns();
    const size_t entries = p.shell.log.size();
    p.lifecycle.close();  // the close box pressed again while a box of the closing sequence was up

    EXPECT_EQ(sweepStart(p.port.messages), SIZE_MAX);
    EXPECT_EQ(p.shell.log.size(), entries);
    EXPECT_EQ(std::count(p.shell.log.begin(), p.shell.log.end(), "destroy"), 1);
    EXPECT_EQ(p.port.closeCount, 1);
}

}  // namespace

// A voice set with tones 40 + c, notes 50 + c and velocities 60 + c.
std::string writeVoiceSet(const Program& p, const std::string& name)
{
    Bytes file(192, 0);
    for (int c = 0; c < 16; ++c)
        putI32(file, 4 * c, 40 + c), putI32(file, 64 + 4 * c, 50 + c), putI32(file, 128 + 4 * c, 60 + c);
    writeBytes(p.dir.file(name), file);
    return p.dir.file(name);
}

// Started with a .gms (a file manager's double-click): once the window is shown it is restored as
// Restore does (tables, offsets 0, 16 program changes); one that cannot be read gets Restore's box.
TEST(VoiceSetAtStart, IsRestoredOnceTheWindowIsShownAndAnUnreadableOneGetsRestoresBox)
{
    Program p;
    const std::string voices = writeVoiceSet(p, "voices.gms");
    ASSERT_EQ(p.start(voices), StartupResult::Running);
    EXPECT_EQ(p.working.tones[15], 55);
    EXPECT_EQ(p.working.velocities[0], 60);
    EXPECT_EQ(get(p.player.effectiveNotes[3]), 53);
    EXPECT_TRUE(p.shell.messages.empty());
    ASSERT_GE(p.port.messages.size(), 16u);
    EXPECT_EQ(p.port.messages[p.port.messages.size() - 16].packed, 0xC0u | (40u << 8));
    EXPECT_EQ(p.defaults.tones[15], 37) << "the defaults stay";
    p.lifecycle.close();

    Program damaged;
    std::filesystem::create_directory(damaged.dir.file("damaged.gms"));  // exists, cannot be read
    ASSERT_EQ(damaged.start(damaged.dir.file("damaged.gms")), StartupResult::Running);
    ASSERT_EQ(damaged.shell.messages.size(), 1u);
    EXPECT_EQ(damaged.shell.messages[0].text, "failed to load data from a file");
    EXPECT_LT(damaged.indexOf("show"), damaged.indexOfPrefix("message error"));
    EXPECT_EQ(damaged.working.tones[15], 37);
}

TEST(VoiceSetAtStart, ASecondStartHandsItsFileToTheRunningCopyAndWritesNothing)
{
    Program p;
    p.host.otherInstanceRuns = true;
    EXPECT_EQ(p.start("/somewhere/voices.gms"), StartupResult::SecondInstance);
    EXPECT_EQ(p.shell.log, (Log{"lock", "hand over /somewhere/voices.gms"}));
    EXPECT_FALSE(std::filesystem::exists(p.parFile()));
}

// Handed over while playing: a box says it waits for Stop, and Stop restores it (the last one
// handed over); closing while one waits restores nothing.
TEST(VoiceSetHandedOver, WhilePlayingItWaitsForStop)
{
    Program p;
    ASSERT_EQ(p.start(), StartupResult::Running);
    transportConceptAccepted(p.app);
    ASSERT_EQ(dispatchCommand(p.app, Command::Play), 1);
    openVoiceSet(p.app, p.dir.file("first.gms"));
    openVoiceSet(p.app, writeVoiceSet(p, "voices.gms"));
    ASSERT_EQ(p.shell.messages.size(), 2u);
    EXPECT_EQ(p.shell.messages[1].text, "the voice set \"voices.gms\" will be restored after Stop");
    EXPECT_EQ(p.working.tones[15], 37);

    dispatchCommand(p.app, Command::Stop);
    EXPECT_EQ(p.working.tones[15], 55);
    EXPECT_EQ(p.shell.messages.size(), 2u);

    ASSERT_EQ(dispatchCommand(p.app, Command::Play), 1);
    std::filesystem::remove(p.dir.file("voices.gms"));
    openVoiceSet(p.app, writeVoiceSet(p, "later.gms"));
    std::filesystem::remove(p.dir.file("later.gms"));  // would give a box if it were read at close
    p.lifecycle.close();
    EXPECT_EQ(p.shell.messages.size(), 3u);
}
