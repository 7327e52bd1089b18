// The control input's logic: MMC, the clock messages' way to the follower, learned controls and
// their actions, the feedback, the bindings file, and the Controls dialog's learn.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

#include "app/commands.h"
#include "app/control/clock_feed.h"
#include "app/control/control_desk.h"
#include "app/control/mmc.h"
#include "app/lattice/layer_mutes.h"
#include "app_test_support.h"
#include "app/transport/transport_owner.h"
#include "dialog_test_support.h"
#include "engine/virtual_clock.h"
#include "fake_shell_platform.h"
#include "file_test_support.h"
#include "resources/command_ids.h"
#include "resources/controls_dialog_template.h"
#include "settings/osc_settings.h"

namespace {

using Message = std::vector<uint8_t>;

std::vector<int> mmc(const Message& m)
{
    return mmcCommandIds(m.data(), m.size());
}

ControlMessage controlMessage(std::initializer_list<uint8_t> bytes)
{
    ControlMessage message;
    std::copy(bytes.begin(), bytes.end(), message.bytes.begin());
    message.size = static_cast<uint32_t>(bytes.size());
    return message;
}

TEST(Mmc, TransportCommandsForEveryDeviceIdOthersPassedOverMalformedNone)
{
    for (const uint8_t device : {0x00, 0x10, 0x7F}) {
        EXPECT_EQ(mmc({0xF0, 0x7F, device, 0x06, 0x02, 0xF7}), std::vector<int>{Command::Play});
        EXPECT_EQ(mmc({0xF0, 0x7F, device, 0x06, 0x01, 0xF7}), std::vector<int>{Command::Stop});
        EXPECT_EQ(mmc({0xF0, 0x7F, device, 0x06, 0x05, 0xF7}), std::vector<int>{Command::Rewind});
    }
    EXPECT_EQ(mmc({0xF0, 0x7F, 0x7F, 0x06, 0x03, 0xF7}), std::vector<int>{Command::Play});  // deferred play
    EXPECT_EQ(mmc({0xF0, 0x7F, 0x7F, 0x06, 0x04, 0xF7}), std::vector<int>{});             // fast forward
    // A locate (44 with its six data bytes) between a stop and a play.
    EXPECT_EQ(mmc({0xF0, 0x7F, 0x7F, 0x06, 0x01, 0x44, 0x06, 0x01, 0, 0, 0, 0, 0, 0x02, 0xF7}),
              (std::vector<int>{Command::Stop, Command::Play}));
    for (const Message& bad : std::vector<Message>{{0xF0, 0x7F, 0x7F, 0x06, 0x02},          // no end
                                                   {0xF0, 0x7F, 0x7F, 0x07, 0x02, 0xF7},    // a response
                                                   {0xF0, 0x7E, 0x7F, 0x06, 0x02, 0xF7},    // non-real-time
                                                   {0xF0, 0x7F, 0x7F, 0x06, 0x44, 0x09, 0x01, 0xF7},  // short
                                                   {0xF0, 0x7F, 0x7F, 0x06, 0x02, 0x90, 0xF7},        // status inside
                                                   {0xF0, 0x7F, 0x7F, 0x06, 0xF7}})
        EXPECT_TRUE(mmc(bad).empty());
}

struct RecordingSink : ClockMessageSink {
    std::vector<std::tuple<uint8_t, int32_t, int64_t>> got;
    void onClockMessage(uint8_t status, int32_t position, Clock::Duration arrival) override
    {
        got.emplace_back(status, position, arrival.count());
    }
};

TEST(ClockFeed, ClockAndSongPositionGoToTheFollowerOtherRealTimeNowhereTheRestToTheQueue)
{
    RecordingSink sink;
    const auto take = [&](Message m, int64_t at) {
        return takeRealTimeMessage(&sink, m.data(), m.size(), Clock::Duration(at));
    };
    EXPECT_TRUE(take({0xF8}, 1));
    EXPECT_TRUE(take({0xFA}, 2));
    EXPECT_TRUE(take({0xFB}, 3));
    EXPECT_TRUE(take({0xFC}, 4));
    EXPECT_TRUE(take({0xF2, 0x05, 0x02}, 5));  // beat 5 + 2 * 128
    EXPECT_TRUE(take({0xFE}, 6));              // active sensing: taken, not passed on
    EXPECT_TRUE(take({0xF2, 0x85, 0x00}, 7));  // damaged: dropped
    EXPECT_FALSE(take({0x90, 60, 100}, 8));
    EXPECT_FALSE(take({0xF0, 0x7F, 0x7F, 0x06, 0x02, 0xF7}, 9));
    const decltype(sink.got) expected{{0xF8, 0, 1}, {0xFA, 0, 2}, {0xFB, 0, 3}, {0xFC, 0, 4}, {0xF2, 261, 5}};
    EXPECT_EQ(sink.got, expected);
    EXPECT_TRUE(takeRealTimeMessage(nullptr, Message{0xF8}.data(), 1, {}));  // no follower: still not queued
}

class ControlDeskTest : public ::testing::Test, protected AppUnderTest {
protected:
    void SetUp() override
    {
        parameterFile.path = dir.path + "/pulseLattice.par";
        transportConceptAccepted(app);
    }
    void send(std::initializer_list<uint8_t> bytes, bool modal = false) { desk.handle(controlMessage(bytes), modal); }

    ScratchDir dir;
    ControlDesk desk{app};
};

TEST_F(ControlDeskTest, MmcRunsPlayStopAndRewindButNotWhileADialogIsUp)
{
    send({0xF0, 0x7F, 0x7F, 0x06, 0x02, 0xF7}, true);
    EXPECT_EQ(working.playState, Ready);
    send({0xF0, 0x7F, 0x01, 0x06, 0x02, 0xF7});
    EXPECT_EQ(working.playState, Playing);
    send({0xF0, 0x7F, 0x01, 0x06, 0x01, 0xF7});
    EXPECT_EQ(working.playState, Ready);
    const uint32_t rewinds = player.resume.rewinds();
    send({0xF0, 0x7F, 0x7F, 0x06, 0x05, 0xF7});
    EXPECT_EQ(player.resume.rewinds(), rewinds + 1);
}

TEST_F(ControlDeskTest, LearnedControlsPressTheirActionsAKnobOnlyOnCrossing64)
{
    ControlSource learned{};
    desk.learnNext([&](const ControlSource& s) { learned = s; });
    send({0x80, 36, 0});   // a note-off is not learned
    send({0x99, 36, 90});  // note 36 on channel 10
    EXPECT_EQ(learned, (ControlSource{ControlSource::Note, 9, 36}));
    EXPECT_EQ(app.layerMutes, LayerMutes{});  // the learned note ran nothing

    ControlBindings bindings;
    bindControl(bindings, ControlAction::FirstMute + 2, learned);
    bindControl(bindings, ControlAction::FirstSolo + 1, {ControlSource::ControlChange, 0, 20});
    bindControl(bindings, ControlAction::ClearMutes, {ControlSource::ProgramChange, 0, 5});
    bindControl(bindings, ControlAction::Play, {ControlSource::ControlChange, 0, 21});
    desk.setBindings(bindings);
    EXPECT_EQ(loadControlBindings(controlBindingsPath(parameterFile.path)), bindings);

    send({0x99, 36, 100});
    EXPECT_EQ(app.layerMutes.muted, 0b100u);
    EXPECT_EQ(player.mutedLayers.load(), 0b100u);
    send({0x89, 36, 0});
    send({0x99, 36, 0});  // a note-on of velocity 0 releases
    EXPECT_EQ(app.layerMutes.muted, 0b100u);
    send({0x98, 36, 100});  // another channel: not bound
    EXPECT_EQ(app.layerMutes.muted, 0b100u);

    for (const uint8_t value : {10, 63, 64, 90, 127, 100})  // a fader swept up
        send({0xB0, 20, value});
    EXPECT_EQ(app.layerMutes.solo, 1);
    send({0xB0, 20, 30});
    send({0xB0, 20, 70});
    EXPECT_EQ(app.layerMutes.solo, -1);

    send({0xB0, 21, 127}, true);  // Play while a box is up: left out; mutes still act
    EXPECT_EQ(working.playState, Ready);
    send({0xC0, 5});
    EXPECT_EQ(app.layerMutes, LayerMutes{});
    send({0xB0, 21, 0});
    send({0xB0, 21, 127});
    EXPECT_EQ(working.playState, Playing);
}

TEST_F(ControlDeskTest, FeedbackMirrorsBoundMutesSolosAndSwitchesOnceEach)
{
    ControlBindings bindings;
    bindControl(bindings, ControlAction::FirstMute, {ControlSource::Note, 0, 40});
    bindControl(bindings, ControlAction::FirstSolo + 3, {ControlSource::ControlChange, 2, 7});
    bindControl(bindings, ControlAction::Link, {ControlSource::ControlChange, 0, 8});
    bindControl(bindings, ControlAction::Play, {ControlSource::Note, 0, 41});        // no state
    bindControl(bindings, ControlAction::FirstMute + 1, {ControlSource::ProgramChange, 0, 1});  // no light
    desk.setBindings(bindings);
    EXPECT_EQ(desk.feedbackChanges(), (std::vector<uint32_t>{0x002880, 0x0007B2, 0x0008B0}));
    EXPECT_TRUE(desk.feedbackChanges().empty());

    send({0x90, 40, 127});
    shell.checkMenuItem(Command::Link, true);
    EXPECT_EQ(desk.feedbackChanges(), (std::vector<uint32_t>{0x7F2890, 0x7F08B0}));
    setLayerMutes(app, LayerMutes{0, 3});  // a solo from the lattice window's keys, the mute cleared
    EXPECT_EQ(desk.feedbackChanges(), (std::vector<uint32_t>{0x002880, 0x7F07B2}));
}

TEST(ControlBindingsFile, KeptAndReadBackAnyDamageMeansNone)
{
    ScratchDir dir;
    const std::string path = controlBindingsPath(dir.path + "/pulseLattice.par");
    EXPECT_EQ(path, dir.path + "/pulseLattice.controls");
    EXPECT_TRUE(loadControlBindings(path).empty());
    ControlBindings bindings;
    bindControl(bindings, ControlAction::TapTempo, {ControlSource::ControlChange, 15, 127});
    bindControl(bindings, ControlAction::FirstSolo + 7, {ControlSource::Note, 0, 0});
    bindControl(bindings, ControlAction::FollowClock, {ControlSource::ProgramChange, 3, 9});
    ASSERT_TRUE(saveControlBindings(path, bindings));
    EXPECT_EQ(loadControlBindings(path), bindings);

    const std::string header = "pulseLattice controls 1\n";
    for (const std::string& damaged :
         {header + "mute-1 note 1 36\nmute-1 cc 1 3\n", header + "mute-1 note 1 36\nmute-2 note 1 36\n",
          header + "mute-9 note 1 36\n", header + "mute-1 note 17 36\n", header + "mute-1 note 1 128\n",
          header + "mute-1 pitch 1 3\n", header + "mute-1 note 1 36 x\n", header + "mute-1 note 1\n",
          std::string("pulseLattice controls 2\n"), header + std::string(5000, 'a')}) {
        writeBytes(path, Bytes(damaged.begin(), damaged.end()));
        EXPECT_TRUE(loadControlBindings(path).empty()) << damaged.substr(0, 60);
    }
}

struct ScriptedLearning : ControlLearning {
    std::function<void(const ControlSource&)> waiting;
    void learnNext(std::function<void(const ControlSource&)> learned) override { waiting = std::move(learned); }
    void cancelLearn() override { waiting = nullptr; }
};

TEST(ControlsDialog, LearnBindsTheNextControlForgetRemovesItAControlRunsOneAction)
{
    ScriptedLearning learning;
    ControlBindings start;
    bindControl(start, ControlAction::Stop, {ControlSource::Note, 0, 60});
    ControlsDialog dialog(start, learning);
    FakeControls controls;
    dialog.init(controls);
    ASSERT_EQ(controls.lists[kControlsActionListId].size(), static_cast<size_t>(kControlActionCount));
    EXPECT_EQ(controls.lists[kControlsActionListId][5], "Follow MIDI clock");
    EXPECT_EQ(controls.lists[kControlsActionListId][23], "tap tempo");
    EXPECT_EQ(controls.texts[kControlsBindingTextId], "not bound");

    controls.selectListItem(kControlsActionListId, ControlAction::FirstMute + 4);
    dialog.command(controls, kControlsActionListId);
    dialog.command(controls, kControlsLearnId);
    ASSERT_TRUE(learning.waiting);
    learning.waiting({ControlSource::Note, 0, 60});
    EXPECT_EQ(controls.texts[kControlsBindingTextId], "note 60, channel 1 (was Stop)");
    EXPECT_EQ(dialog.bindings(), (ControlBindings{{ControlAction::FirstMute + 4, {ControlSource::Note, 0, 60}}}));

    dialog.command(controls, kControlsLearnId);
    controls.selectListItem(kControlsActionListId, 0);
    dialog.command(controls, kControlsActionListId);  // another action chosen: the learn is dropped
    EXPECT_FALSE(learning.waiting);

    controls.selectListItem(kControlsActionListId, ControlAction::FirstMute + 4);
    dialog.command(controls, kControlsForgetId);
    EXPECT_EQ(controls.texts[kControlsBindingTextId], "not bound");
    EXPECT_TRUE(dialog.bindings().empty());
    dialog.command(controls, kControlsLearnId);
    dialog.command(controls, 1);
    EXPECT_FALSE(learning.waiting);
    EXPECT_EQ(controls.result, 1);
}

// The Sound menu's "Controls..." on the program's state, its side files in a scratch folder.
class ControlsMenuEntry : public ::testing::Test {
protected:
    ControlsMenuEntry() { state.parameterFile.path = dir.path + "/pulseLattice.par"; }

    ScratchDir dir;
    AppUnderTest state;
    AppContext& app = state.app;
    FakeShellPlatform& shell = state.shell;
    const ParameterFile& parameterFile = state.parameterFile;
};

TEST_F(ControlsMenuEntry, OpensTheDialogAndOnlyOkayKeepsTheBindings)
{
    EXPECT_EQ(dispatchCommand(app, Command::Controls), 0);  // no control input: nothing
    ControlDesk desk(app);
    app.controlDesk = &desk;
    for (const int button : {2, 1}) {
        shell.onDialog = [&](int, DialogLogic& logic) {
            FakeControls controls;
            logic.init(controls);
            logic.command(controls, kControlsLearnId);
            desk.handle(controlMessage({0xB3, 7, 0}), true);
            logic.command(controls, button);
            return controls.result;
        };
        dispatchCommand(app, Command::Controls);
        EXPECT_EQ(desk.bindings().size(), button == 1 ? 1u : 0u);
    }
    EXPECT_EQ(shell.dialogsRun, (std::vector<int>{Template::Controls, Template::Controls}));
    EXPECT_EQ(loadControlBindings(controlBindingsPath(parameterFile.path)),
              (ControlBindings{{ControlAction::Play, {ControlSource::ControlChange, 3, 7}}}));
}

// The OSC group: off greys the port and the network switch; a port that is not one keeps the
// dialog open with a box; Okay keeps the settings and restarts the server, and only when they
// changed, so an --osc-port of this run stays in force until the user moves it.
TEST_F(ControlsMenuEntry, OscSettingsAreCheckedKeptAndAppliedOnlyWhenChanged)
{
    ControlDesk desk(app);
    app.controlDesk = &desk;
    std::vector<OscSettings> applied;
    app.applyOscSettings = [&](const OscSettings& settings) {
        applied.push_back(settings);
        return settings.port == 80 ? std::string("Permission denied") : std::string();
    };
    const auto runWith = [&](const std::function<void(FakeControls&, DialogLogic&)>& steps) {
        shell.onDialog = [&](int, DialogLogic& logic) {
            FakeControls controls;
            logic.init(controls);
            steps(controls, logic);
            return controls.result;
        };
        dispatchCommand(app, Command::Controls);
    };

    runWith([](FakeControls& controls, DialogLogic& logic) {
        EXPECT_FALSE(controls.isChecked(kControlsOscOnId));
        EXPECT_EQ(controls.texts[kControlsOscPortId], "9000");
        EXPECT_FALSE(controls.isEnabled(kControlsOscPortId) || controls.isEnabled(kControlsOscNetworkId));
        logic.command(controls, 1);  // unchanged
    });
    EXPECT_TRUE(applied.empty());

    runWith([](FakeControls& controls, DialogLogic& logic) {
        controls.setChecked(kControlsOscOnId, true);
        logic.command(controls, kControlsOscOnId);
        EXPECT_TRUE(controls.isEnabled(kControlsOscPortId) && controls.isEnabled(kControlsOscNetworkId));
        for (const char* notAPort : {"0", "65536", "9o00", ""}) {
            controls.texts[kControlsOscPortId] = notAPort;
            logic.command(controls, 1);
            EXPECT_FALSE(controls.ended) << notAPort;
        }
        EXPECT_EQ(controls.errors.size(), 4u);
        controls.texts[kControlsOscPortId] = "9100";
        controls.setChecked(kControlsOscNetworkId, true);
        logic.command(controls, 1);
    });
    const OscSettings on{true, 9100, true};
    EXPECT_EQ(applied, std::vector<OscSettings>{on});
    EXPECT_EQ(loadOscSettings(oscSettingsPath(parameterFile.path)), on);
    EXPECT_TRUE(shell.messages.empty());

    runWith([](FakeControls& controls, DialogLogic& logic) {
        controls.texts[kControlsOscPortId] = "80";
        logic.command(controls, 1);
    });
    ASSERT_EQ(shell.messages.size(), 1u);  // the server cannot listen there: said in a box
    EXPECT_EQ(shell.messages[0].text, "The OSC server cannot listen on UDP port 80: Permission denied");
}

}  // namespace
