// The output offset: its side file, its dialog, the port taking the open output's offset, the
// Sound menu's command, and the lattice header's words for what is compensated.
#include <gtest/gtest.h>

#include <fstream>

#include "app/commands.h"
#include "app/lattice/lattice_header.h"
#include "app/output_offset_command.h"
#include "dialog_test_support.h"
#include "dialogs/output_offset_dialog.h"
#include "engine/midi_port.h"
#include "engine/recording_backend.h"
#include "engine/virtual_clock.h"
#include "fake_controls.h"
#include "fake_shell_platform.h"
#include "file_test_support.h"
#include "resources/command_ids.h"
#include "resources/output_offset_template.h"
#include "settings/output_offsets.h"

namespace {

using namespace std::chrono_literals;

// A port that places with a constant latency and has a shown name, as a JACK port has.
class NamedBackend : public RecordingBackend {
public:
    using RecordingBackend::RecordingBackend;
    MessageTime placementLatency() override { return isOpen ? 20ms : 0ms; }
    std::string shownPortName() override { return name; }
    std::string name = "JACK: synth:midi_in";
};

constexpr int kSpin = kOutputOffsetEditId + kSpinIdOffset;

}  // namespace

TEST(OutputOffsetsFile, KeepsEachOutputsOffsetByNameAndZeroLeavesNoEntry)
{
    ScratchDir dir;
    const std::string path = outputOffsetsPath(dir.file("pulseLattice.par"));
    EXPECT_EQ(path, dir.file("pulseLattice.offsets"));
    OutputOffsets offsets;
    offsets.set("ALSA: USB MIDI 1:0", 12);
    offsets.set("MIDI_MAPPER", -50);
    offsets.set("JACK: gone:in", 7);
    offsets.set("JACK: gone:in", 0);
    offsets.set("two\nlines", 5);
    ASSERT_TRUE(saveOutputOffsets(path, offsets));
    EXPECT_EQ(loadOutputOffsets(path), offsets);
    EXPECT_EQ(loadOutputOffsets(path).offsetFor("ALSA: USB MIDI 1:0"), 12);
    EXPECT_EQ(loadOutputOffsets(path).offsetFor("JACK: gone:in"), 0);
    EXPECT_EQ(offsets.ms.size(), 2u);

    ASSERT_TRUE(saveOutputOffsets(path, OutputOffsets{}));
    EXPECT_FALSE(std::filesystem::exists(path));
    // A directory that cannot hold it: false, nothing thrown.
    EXPECT_FALSE(saveOutputOffsets(dir.file("missing/pulseLattice.offsets"), offsets));
}

TEST(OutputOffsetsFile, AMissingOrDamagedFileMeansNoOffsets)
{
    ScratchDir dir;
    const std::string path = dir.file("pulseLattice.offsets");
    EXPECT_EQ(loadOutputOffsets(path), OutputOffsets{});
    for (const char* damaged : {"", "5", "5 ", "201 ALSA: a\n", "-51 ALSA: a\n", "x5 ALSA: a\n", "5 ALSA:\x01 a\n",
                                "5 ALSA: a\nnonsense\n", "1000 ALSA: a\n", "\n"}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
        EXPECT_EQ(loadOutputOffsets(path), OutputOffsets{}) << damaged;
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(70 * 1024, '1');
    EXPECT_EQ(loadOutputOffsets(path), OutputOffsets{});
}

TEST(OutputOffsetDialog, ShowsTheOutputAndSpinsWithinItsRange)
{
    FakeControls controls;
    OutputOffsetDialog dialog("JACK: synth:midi_in", 10.666, 199);
    dialog.init(controls);
    EXPECT_EQ(controls.texts[kOutputOffsetNameId], "JACK: synth:midi_in");
    EXPECT_EQ(controls.texts[kOutputOffsetLatencyId], "it reports a latency of 10.7 ms");
    EXPECT_EQ(controls.texts[kOutputOffsetEditId], " 199");
    EXPECT_EQ(controls.spinPairs[kSpin], kOutputOffsetEditId);
    dialog.notify(controls, kSpin, true, +1);
    dialog.notify(controls, kSpin, true, +1);
    EXPECT_EQ(controls.texts[kOutputOffsetEditId], "200");
    controls.texts[kOutputOffsetEditId] = "-50";
    dialog.notify(controls, kSpin, true, -1);
    EXPECT_EQ(controls.texts[kOutputOffsetEditId], "-50");

    OutputOffsetDialog silent("ALSA: a", 0.0, 0);
    silent.init(controls);
    EXPECT_EQ(controls.texts[kOutputOffsetLatencyId], "it reports no latency of its own");
}

TEST(OutputOffsetDialog, OkayRefusesAValueOutOfRangeAndTakesOneWithin)
{
    FakeControls controls;
    OutputOffsetDialog dialog("ALSA: a", 0.0, 0);
    dialog.init(controls);
    for (const char* refused : {"201", "-51"}) {
        controls.texts[kOutputOffsetEditId] = refused;
        dialog.command(controls, kOutputOffsetEditId);
        dialog.command(controls, 1);
        EXPECT_EQ(controls.errors.back(), "plz enter output offset among -50 ~ 200") << refused;
        EXPECT_FALSE(controls.ended) << refused;
    }
    controls.texts[kOutputOffsetEditId] = " -12";
    dialog.command(controls, kOutputOffsetEditId);
    dialog.command(controls, 1);
    EXPECT_EQ(controls.result, 1);
    EXPECT_EQ(dialog.offsetMs(), -12);
}

TEST(OutputOffsetPort, TheOpenOutputTakesItsOwnOffsetIntoItsLatencyAndLosesItWhenClosed)
{
    VirtualClock clock;
    NamedBackend backend{clock};
    PlayerState player;
    player.port.backend = &backend;
    OutputOffsets offsets;
    offsets.set("JACK: synth:midi_in", 5);
    offsets.set("MIDI_MAPPER", -3);
    setOutputOffsets(player, offsets);
    EXPECT_EQ(portLatency(player), 0ms);  // nothing open: nothing early

    put(player.deviceId, 0);
    ASSERT_EQ(openPort(player), 0);
    EXPECT_EQ(openOutputName(player), "JACK: synth:midi_in");
    EXPECT_EQ(portOutputOffset(player), 5ms);
    EXPECT_EQ(portLatency(player), 25ms);
    offsets.set("JACK: synth:midi_in", 150);  // the dialog, while it plays: at once
    setOutputOffsets(player, offsets);
    EXPECT_EQ(portLatency(player), 170ms);

    SettingsRecord working{};
    working.midiDeviceId = -1;  // the built-in synthesiser, by the name the device list gives it
    changeDevice(player, working);
    EXPECT_EQ(portOutputOffset(player), -3ms);
    ASSERT_EQ(closePort(player), 0);
    EXPECT_EQ(portOutputOffset(player), 0ms);
    EXPECT_EQ(portLatency(player), 0ms);
}

TEST(OutputOffsetCommand, OkayKeepsTheOffsetInTheSideFileAndTheNextStartRestoresIt)
{
    ScratchDir dir;
    FakeShellPlatform shell;
    VirtualClock clock;
    NamedBackend backend{clock};
    PlayerState player;
    Transport transport;
    SettingsRecord working = builtInRecord(), defaults = working;
    ParameterFile parameterFile;
    parameterFile.path = dir.file("pulseLattice.par");
    FakeDeviceListing devices;
    AppContext app{shell, player, transport, working, defaults, parameterFile, devices, clock};
    player.port.backend = &backend;
    put(player.deviceId, 0);
    ASSERT_EQ(openPort(player), 0);
    working.playState = Playing;  // offered in every state

    shell.onDialog = [](int templateId, DialogLogic& logic) {
        EXPECT_EQ(templateId, Template::OutputOffset);
        FakeControls controls;
        logic.init(controls);
        EXPECT_EQ(controls.texts[kOutputOffsetNameId], "JACK: synth:midi_in");
        controls.texts[kOutputOffsetEditId] = "8";
        logic.command(controls, kOutputOffsetEditId);
        logic.command(controls, 1);
        return controls.result;
    };
    dispatchCommand(app, Command::OutputOffset);
    EXPECT_EQ(portOutputOffset(player), 8ms);
    EXPECT_EQ(loadOutputOffsets(dir.file("pulseLattice.offsets")).offsetFor("JACK: synth:midi_in"), 8);

    PlayerState next;
    next.port.backend = &backend;
    AppContext nextRun{shell, next, transport, working, defaults, parameterFile, devices, clock};
    restoreOutputOffsets(nextRun);
    ASSERT_EQ(closePort(player), 0);
    put(next.deviceId, 0);
    ASSERT_EQ(openPort(next), 0);
    EXPECT_EQ(portOutputOffset(next), 8ms);
}

TEST(OutputOffsetHeader, SaysWhatIsSentEarlyAndNothingWhenNothingIs)
{
    EXPECT_EQ(compensationHeaderItem(0ms, 0ms), "");
    EXPECT_EQ(compensationHeaderItem(10667us, 0ms), "latency 10.7 ms");
    EXPECT_EQ(compensationHeaderItem(10667us, 5ms), "latency 10.7 ms + offset 5 ms");
    EXPECT_EQ(compensationHeaderItem(0ms, -3ms), "offset -3 ms");
}
