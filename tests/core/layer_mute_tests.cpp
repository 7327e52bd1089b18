// Mute and solo per layer: what the generator leaves out and keeps, the keys and clicks of the
// lattice window, the marks on its rows, and the side file that keeps the mutes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "app/lattice/layer_mutes.h"
#include "engine/midi_port.h"
#include "engine/render_run.h"
#include "dialog_test_support.h"
#include "fake_shell_platform.h"
#include "file_test_support.h"
#include "generator_test_support.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

bool isNoteOnOfLayer(const std::string& line, int layer)
{
    unsigned status = 0;
    std::sscanf(line.c_str(), "%*d %x", &status);
    return (status & 0xF0) == 0x90 && static_cast<int>(status & 0x0F) / 2 == layer;
}

long timeOf(const std::string& line)
{
    return std::stol(line);
}

Lines without(Lines lines, int layer, long from)
{
    std::erase_if(lines, [&](const std::string& l) { return timeOf(l) >= from && isNoteOnOfLayer(l, layer); });
    return lines;
}

TEST(LayerMute, NoteOnsLeftOutFromTheNextOneNoteOffsAndCountersKept)
{
    const double golden = (std::sqrt(5.0) + 1.0) * 0.5;
    VirtualPlayer heard(golden, 3), muted(golden, 3);
    Lines all, mutedLines;
    for (int pass = 0; pass < 3; ++pass) {
        const Lines lines = heard.pass();
        all.insert(all.end(), lines.begin(), lines.end());
    }
    // Layer 1 (index 0) is muted at 600 ms, inside its event that started at 480 ms.
    muted.clock.setAlarm(600ms, [&] { muted.player.mutedLayers.store(1u); });
    for (int pass = 0; pass < 3; ++pass) {
        const Lines lines = muted.pass();
        mutedLines.insert(mutedLines.end(), lines.begin(), lines.end());
    }
    EXPECT_EQ(mutedLines, without(all, 0, 600));
    EXPECT_NE(mutedLines.size(), all.size());
    EXPECT_EQ(muted.counters, heard.counters);
    EXPECT_EQ(get(muted.player.noteShift), 0);

    // Unmuted between passes: the next pass sounds in full again.
    muted.player.mutedLayers.store(0u);
    EXPECT_EQ(muted.pass(), heard.pass());
}

// Just above 1 a cycle is long: after Stop a muted layer still counts its unsent note-ons toward
// the four it may play, so it drains exactly as it would sound.
TEST(LayerMute, AMutedLayerDrainsAsItWouldSoundAfterStop)
{
    SettingsRecord settings = VirtualPlayer(1.01, 3).settings;
    settings.numeralPreset = 0;
    RenderLength length{std::nullopt, 5000};
    std::vector<TimedMessage> heard, muted;
    std::string error;
    ASSERT_TRUE(renderRun(settings, length, heard, error));
    RenderScope scope;
    scope.mutedLayers = 0b011;  // layers 1 and 2
    ASSERT_TRUE(renderRun(settings, length, muted, error, nullptr, 1000, scope));
    EXPECT_EQ(linesOf(muted), without(without(linesOf(heard), 0, 0), 1, 0));
    EXPECT_LT(muted.size(), heard.size());
}

TEST(LayerMute, ClickAndKeysMuteSoloAndClear)
{
    LayerMutes m;
    m = *mutesAfterKey(m, 3, false);  // key 3
    m = toggledMute(m, 4);            // click on layer 5's label
    EXPECT_EQ(silencedLayers(m), 0b10100u);
    m = *mutesAfterKey(m, 3, false);  // key 3 again: heard again
    EXPECT_EQ(silencedLayers(m), 0b10000u);

    // Shift+5 solos the muted layer 5: it is heard, every other layer is not.
    m = *mutesAfterKey(m, 5, true);
    EXPECT_EQ(m.solo, 4);
    EXPECT_EQ(silencedLayers(m), 0xFFu & ~0b10000u);
    m = toggledSolo(m, 1);  // Shift+click on layer 2 moves the solo
    EXPECT_EQ(silencedLayers(m), 0xFFu & ~0b10u);
    m = toggledSolo(m, 1);  // again: the solo ends, the mutes are as before it
    EXPECT_EQ(m, (LayerMutes{0, -1}));

    m = toggledSolo(toggledMute(toggledMute(m, 0), 7), 2);
    EXPECT_EQ(*mutesAfterKey(m, 0, false), LayerMutes{});
    EXPECT_EQ(*mutesAfterKey(m, 0, true), LayerMutes{});
    EXPECT_FALSE(mutesAfterKey(m, 9, false));
    EXPECT_EQ(toggledMute(m, 8), m);
    EXPECT_EQ(toggledSolo(m, -1), m);
}

TEST(LayerMute, RowsOfSilencedLayersAreMarkedAndLabelsFindTheirLayer)
{
    LatticeGeometry g;
    g.width = 800;
    g.height = 400;
    g.labelWidth = 100;
    LatticeScene scene = layoutLattice({}, 2, {}, previewWindow(1s), g, false);
    markMutedRows(scene, LayerMutes{0b001, 1});
    ASSERT_EQ(scene.rows.size(), 3u);  // top layer first
    EXPECT_TRUE(scene.rows[0].muted);   // layer 3: not the soloed one
    EXPECT_FALSE(scene.rows[1].muted);  // layer 2: soloed
    EXPECT_TRUE(scene.rows[1].soloed);
    EXPECT_TRUE(scene.rows[2].muted);   // layer 1: muted, and not soloed
    EXPECT_FALSE(scene.rows[2].soloed);

    const LatticeRect& label = scene.rows[1].labelBox;
    EXPECT_EQ(layerAtLabel(scene, label.x + 1, label.y + label.height / 2), 1);
    EXPECT_EQ(layerAtLabel(scene, scene.rows[2].labelBox.x + 1, scene.rows[2].labelBox.y + 1), 0);
    EXPECT_EQ(layerAtLabel(scene, scene.rows[1].lane.x + 10, label.y + 1), -1);  // the lane is no label
    EXPECT_EQ(layerAtLabel(scene, 1, 1), -1);                                     // the header
}

TEST(LayerMute, KeptInThePlacementFileAndRestoredAtStart)
{
    ScratchDir dir;
    const std::string path = dir.path + "/pulseLattice.lattice";
    EXPECT_EQ(loadLayerMutes(path), LayerMutes{});

    // A file from before the mutes keeps its placement and means none.
    writeBytes(path, Bytes{'1', '0', ' ', '2', '0', ' ', '6', '4', '0', ' ', '3', '6', '0', '\n'});
    EXPECT_EQ(loadLayerMutes(path), LayerMutes{});

    FakeShellPlatform shell;
    VirtualClock clock;
    PlayerState player;
    Transport transport;
    SettingsRecord working{}, defaults{};
    ParameterFile parameterFile;
    parameterFile.path = dir.path + "/pulseLattice.par";
    FakeDeviceListing devices;
    AppContext app{shell, player, transport, working, defaults, parameterFile, devices, clock};
    setLayerMutes(app, LayerMutes{0b1000, 5});
    EXPECT_EQ(player.mutedLayers.load(), 0xFFu & ~0b100000u);
    EXPECT_EQ(loadLatticePlacement(path), (LatticePlacement{10, 20, 640, 360}));
    EXPECT_EQ(loadLayerMutes(path), (LayerMutes{0b1000, 5}));

    PlayerState restarted;
    AppContext next{shell, restarted, transport, working, defaults, parameterFile, devices, clock};
    restoreLayerMutes(next);
    EXPECT_EQ(next.layerMutes, (LayerMutes{0b1000, 5}));
    EXPECT_EQ(restarted.mutedLayers.load(), 0xFFu & ~0b100000u);

    // A window never placed writes no placement, and damaged mutes read as none.
    ASSERT_TRUE(saveLatticePlacement(path, std::nullopt, LayerMutes{0b1, -1}));
    EXPECT_EQ(loadLatticePlacement(path), std::nullopt);
    EXPECT_EQ(loadLayerMutes(path), (LayerMutes{0b1, -1}));
    for (const char* damaged : {"0 0 0 0\nmutes 256 solo -1\n", "0 0 0 0\nmutes 1 solo 8\n", "0 0 0 0\nmutes x\n",
                                "mutes 1 solo -1\n"}) {
        writeBytes(path, Bytes(damaged, damaged + std::strlen(damaged)));
        EXPECT_EQ(loadLayerMutes(path), LayerMutes{}) << damaged;
    }
}

}  // namespace
