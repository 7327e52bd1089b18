// The main window's commands: guards by play state, what an accepted dialog applies to the player,
// the port, the caption and the defaults, and the enabling of commands.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstring>

#include "app/command_states.h"
#include "app/commands.h"
#include "app/settings_apply.h"
#include "app_test_support.h"
#include "file_test_support.h"
#include "generator_test_support.h"
#include "resources/command_ids.h"
#include "resources/main_templates.h"

namespace {

using Lines = std::vector<std::string>;

class Commands : public ::testing::Test, protected AppUnderTest {
protected:
    void SetUp() override
    {
        put(player.deviceId, -1);
        working.playState = Idle;
        updateCommandStates(shell, Idle);
        shell.log.clear();
    }

    // Answers every dialog through its real logic: init, then `steps`, then the given button.
    void answerDialogs(int button, std::function<void(FakeControls&, DialogLogic&)> steps = {})
    {
        shell.onDialog = [=](int, DialogLogic& logic) {
            FakeControls controls;
            logic.init(controls);
            if (steps)
                steps(controls, logic);
            logic.command(controls, button);
            return controls.ended ? controls.result : 0;
        };
    }

    int run(int command) { return dispatchCommand(app, command); }

    size_t programChangesSent() const
    {
        size_t count = 0;
        for (const TimedMessage& m : port.messages)
            count += (m.status() & 0xF0) == 0xC0;
        return count;
    }
};

TEST_F(Commands, EnablingFollowsThePlayStateMenusFirst)
{
    updateCommandStates(shell, Ready);
    ASSERT_EQ(shell.log.size(), 20u);
    EXPECT_EQ(shell.log[18], "menu 302 on");  // Export: a menu item only, on once a concept is accepted
    EXPECT_EQ(shell.log[19], "menu 326 on");  // Rewind: a menu item only, on unless playing
    EXPECT_EQ(shell.log[0], "menu 311 on");
    EXPECT_EQ(shell.log[2], "menu 313 on");
    EXPECT_EQ(shell.log[3], "menu 314 off");
    EXPECT_EQ(shell.log[9], "button 311 on");
    updateCommandStates(shell, Playing);
    EXPECT_FALSE(shell.menuEnabled[311]);
    EXPECT_FALSE(shell.menuEnabled[313]);
    EXPECT_TRUE(shell.menuEnabled[314]);
    EXPECT_FALSE(shell.buttonEnabled[319]);
    EXPECT_TRUE(shell.menuEnabled[302]);
    EXPECT_FALSE(shell.menuEnabled[326]);
    updateCommandStates(shell, Idle);
    EXPECT_TRUE(shell.menuEnabled[326]);
    EXPECT_FALSE(shell.menuEnabled[313]);
    EXPECT_FALSE(shell.menuEnabled[302]);
    EXPECT_TRUE(shell.buttonEnabled[312]);
    shell.log.clear();
    updateCommandStates(shell, 7);
    EXPECT_TRUE(shell.log.empty());
}

TEST_F(Commands, LatticeOpensTheViewInEveryStateAndIsNeverGreyed)
{
    for (int32_t state : {Idle, Ready, Playing}) {
        working.playState = state;
        updateCommandStates(shell, state);
        EXPECT_EQ(shell.menuEnabled.count(Command::Lattice), 0u);  // no state touches it
        EXPECT_EQ(run(Command::Lattice), 0);
    }
    EXPECT_EQ(shell.latticeShown, 3);
    EXPECT_TRUE(shell.dialogsRun.empty());
}

TEST_F(Commands, PlayInIdleOpensTheConceptDialogAndDoesNotStart)
{
    answerDialogs(1);
    EXPECT_EQ(run(Command::Play), 0);
    EXPECT_EQ(shell.dialogsRun, std::vector<int>{Template::Concept});
    EXPECT_EQ(working.playState, Ready);
    EXPECT_EQ(get(player.playing), 0);
    EXPECT_FALSE(transportPlaying(app));

    EXPECT_EQ(run(Command::Play), 1);
    EXPECT_EQ(working.playState, Playing);
    EXPECT_EQ(get(player.playing), 1);
    EXPECT_TRUE(transportPlaying(app));
    EXPECT_FALSE(shell.menuEnabled[Command::Play]);
    EXPECT_TRUE(shell.menuEnabled[Command::Stop]);

    // Play while playing and concept while playing do nothing.
    EXPECT_EQ(run(Command::Play), 0);
    EXPECT_EQ(shell.dialogsRun.size(), 1u);
}

TEST_F(Commands, AcceptedConceptAppliesEverythingInOrder)
{
    answerDialogs(1);
    run(Command::Concept);
    EXPECT_EQ(working.playState, Ready);
    EXPECT_EQ(player.numeral.load(), (std::sqrt(5.0) + 1.0) * 0.5);
    EXPECT_EQ(get(player.alphaMs), 240);
    EXPECT_EQ(get(player.effectiveNotes[15]), 55);
    EXPECT_EQ(programChangesSent(), 16u);
    EXPECT_EQ(shell.caption, "pulseLattice --    1.61803398874989490253");

    // A second concept refreshes everything again and stays Ready.
    run(Command::Concept);
    EXPECT_EQ(working.playState, Ready);
    EXPECT_EQ(programChangesSent(), 32u);
}

TEST_F(Commands, CaptionShowsTheNumeralInTwentyFiveColumns)
{
    EXPECT_EQ(captionForNumeral(1.5), "pulseLattice --    1.50000000000000000000");
}

TEST_F(Commands, PresetUsesItsExactValueNotTheRoundedText)
{
    answerDialogs(1, [](FakeControls& controls, DialogLogic& dialog) {
        choose(controls, dialog, 2001, 11);      // "PI"
        dialog.notify(controls, 2011, false, 0);  // any notification re-reads the shown numeral
    });
    run(Command::Concept);
    EXPECT_EQ(working.numeral, 3.141592653589793);
    EXPECT_EQ(player.numeral.load(), 3.141592653589793);
}

TEST_F(Commands, TypedNumeralIsUsedAsTyped)
{
    answerDialogs(1, [](FakeControls& controls, DialogLogic& dialog) {
        choose(controls, dialog, 2001, 0);
        type(controls, dialog, 2010, "2.5");
    });
    run(Command::Concept);
    EXPECT_EQ(player.numeral.load(), 2.5);
}

TEST_F(Commands, CancelledDialogsApplyNothing)
{
    answerDialogs(2);
    for (int command : {311, 312, 315, 316, 317})
        run(command);
    EXPECT_EQ(working.playState, Idle);
    EXPECT_TRUE(port.messages.empty());
    EXPECT_EQ(shell.caption, "pulseLattice");
}

TEST_F(Commands, SettingsCommandsAreRefusedWhilePlaying)
{
    transportConceptAccepted(app);
    run(Command::Play);
    answerDialogs(1);
    shell.nextFileName = "/nonexistent/file.gms";
    for (int command : {311, 312, 315, 316, 317, 318, 319})
        run(command);
    EXPECT_TRUE(shell.dialogsRun.empty());
    EXPECT_TRUE(shell.fileRequests.empty());
}

TEST_F(Commands, StopOnlyWhilePlayingThenSweepsAndGoesReady)
{
    run(Command::Stop);
    EXPECT_TRUE(port.messages.empty());

    transportConceptAccepted(app);
    run(Command::Play);
    run(Command::Stop);
    EXPECT_EQ(working.playState, Ready);
    EXPECT_FALSE(transportPlaying(app));
    EXPECT_EQ(get(player.playing), 0);
    EXPECT_EQ(port.messages.size(), 16u);
    EXPECT_EQ(port.messages[0].status(), 0x80);
    EXPECT_TRUE(shell.menuEnabled[Command::Play]);
}

TEST_F(Commands, DurationsDialogChangesTheDeviceWithoutProgramChanges)
{
    shell.onDialog = [&](int, DialogLogic&) {
        working.midiDeviceId = 2;
        working.alphaDuration = 480;
        working.noteOffset = 5;
        return 1;
    };
    run(Command::DurationsAndOffsets);
    EXPECT_EQ(port.openedDevices, std::vector<int32_t>{2});
    EXPECT_EQ(get(player.deviceId), 2);
    EXPECT_EQ(programChangesSent(), 0u);
    EXPECT_EQ(get(player.alphaMs), 480);
    EXPECT_EQ(get(player.effectiveNotes[0]), 75);
    EXPECT_EQ(defaults.midiDeviceId, -1);  // the dialog saves defaults itself; no merge here
}

TEST_F(Commands, AConfirmedDialogTakesWhatItChangedWholeAndLeavesTheRest)
{
    SettingsEdit edit = editOf(app);
    edit.working.alphaDuration = 250;  // 240 (0x0F0) to 250 (0x0FA) in the dialog
    working.alphaDuration = 480;       // and meanwhile to 480 (0x1E0) in the program's record
    working.tempo = 120;               // a change the dialog did not make
    applyDurationsAndOffsets(app, edit);
    EXPECT_EQ(working.alphaDuration, 250);
    EXPECT_EQ(working.tempo, 120);
}

TEST_F(Commands, NoteAndVelocityDialogsDropTheirOffsets)
{
    working.noteOffset = 5;
    working.velocityOffset = -3;
    refreshTables(player, working);
    answerDialogs(1);
    run(Command::Note);
    EXPECT_EQ(working.noteOffset, 0);
    EXPECT_EQ(get(player.effectiveNotes[0]), 70);
    EXPECT_EQ(get(player.effectiveVelocities[0]), 85);  // untouched until its own dialog
    run(Command::Velocity);
    EXPECT_EQ(working.velocityOffset, 0);
    EXPECT_EQ(get(player.effectiveVelocities[0]), 88);
}

TEST_F(Commands, TonesSendEachProgramChangeRightAfterItsCopyAndMerge)
{
    answerDialogs(1, [](FakeControls& controls, DialogLogic& dialog) {
        choose(controls, dialog, 3006, 112);  // layer 3 beta: "Tinke Bell"
        controls.setChecked(501, true);
    });
    run(Command::Tone);
    ASSERT_EQ(port.messages.size(), 16u);
    EXPECT_EQ(linesOf(port.messages)[5], "0 c5 70 00");
    EXPECT_EQ(defaults.tones[5], 112);
    EXPECT_EQ(working.saveTonesAsDefault, 0);
}

TEST_F(Commands, RestoreSendsSixteenProgramChangesAndLeavesTheDefaults)
{
    ScratchDir dir;
    shell.nextFileName = dir.file("voices.gms");
    run(Command::Save);
    const SettingsRecord saved = working;

    working.tones[3] = 40;
    working.notes[3] = 20;
    working.noteOffset = 5;
    working.velocityOffset = -3;
    const SettingsRecord defaultsBefore = defaults;
    run(Command::Restore);
    EXPECT_EQ(working.tones[3], saved.tones[3]);
    EXPECT_EQ(working.notes[3], saved.notes[3]);
    EXPECT_EQ(working.noteOffset, 0);
    EXPECT_EQ(working.velocityOffset, 0);
    EXPECT_EQ(get(player.effectiveNotes[3]), saved.notes[3]);
    EXPECT_EQ(programChangesSent(), 16u);
    EXPECT_EQ(std::memcmp(&defaults, &defaultsBefore, sizeof defaults), 0);

    // A cancelled open dialog changes nothing and sends nothing.
    shell.nextFileName.reset();
    working.tones[3] = 40;
    run(Command::Restore);
    EXPECT_EQ(working.tones[3], 40);
    EXPECT_EQ(programChangesSent(), 16u);
}

TEST_F(Commands, ExitAsksFirstTheExitButtonDoesNot)
{
    shell.nextDialogResult = 2;
    run(Command::Exit);
    EXPECT_EQ(shell.closeRequests, 0);
    shell.nextDialogResult = 1;
    run(Command::Exit);
    EXPECT_EQ(shell.closeRequests, 1);
    EXPECT_EQ(shell.dialogsRun, (std::vector<int>{Template::ConfirmExit, Template::ConfirmExit}));
    EXPECT_EQ(run(Command::ExitButton), 1);
    EXPECT_EQ(shell.closeRequests, 2);
    EXPECT_EQ(shell.dialogsRun.size(), 2u);
}

TEST_F(Commands, ExitWhilePlayingCancelledKeepsPlaying)
{
    transportConceptAccepted(app);
    run(Command::Play);
    shell.nextDialogResult = 2;
    run(Command::Exit);
    EXPECT_EQ(working.playState, Playing);
    EXPECT_EQ(get(player.playing), 1);
}

TEST_F(Commands, ExportOnlyAfterAConceptAddsTheExtensionAndShowsAFailure)
{
    ScratchDir dir;
    answerDialogs(1);  // the length dialog's own "1:00"
    shell.nextFileName = dir.file("rhythm");
    run(Command::Export);  // Idle: no concept yet
    EXPECT_TRUE(shell.dialogsRun.empty());

    transportConceptAccepted(app);
    run(Command::Play);  // also while playing, from a copy of the settings
    run(Command::Export);
    EXPECT_EQ(shell.dialogsRun, std::vector<int>{Template::ExportLength});
    const Bytes written = readBytes(dir.file("rhythm.mid"));  // the first filter's ending was added
    EXPECT_EQ(std::string(written.begin(), written.begin() + std::min<size_t>(4, written.size())), "MThd");
    EXPECT_TRUE(shell.messages.empty());
    EXPECT_TRUE(port.messages.empty());  // the live port heard nothing

    ::chmod(dir.file("rhythm.mid").c_str(), 0444);
    run(Command::Export);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].text, "cannot write '" + dir.file("rhythm.mid") + "': the file is read-only");
    EXPECT_EQ(shell.messages[0].caption, "error");
}

// What is heard: the layers silenced when Export starts are left out, and the run starts from the
// beginning or, when chosen, from the counters where Play would go on.
TEST_F(Commands, ExportWritesTheMutedLayersOutFromTheChosenStart)
{
    ScratchDir dir;
    transportConceptAccepted(app);
    working.layerIndex = 2;
    LayerCounters where{9, 4, 2};
    player.resume.settle(where);  // as the playback thread leaves them after a pass
    player.mutedLayers.store(0b010);
    std::string shown;
    for (int start : {0, 1}) {
        answerDialogs(1, [&](FakeControls& controls, DialogLogic&) {
            shown = controls.listText(kExportStartListId);
            controls.selectListItem(kExportStartListId, start);
        });
        shell.nextFileName = dir.file("run" + std::to_string(start) + ".txt");
        run(Command::Export);
        EXPECT_EQ(shown, "from the beginning");  // the default

        RenderScope scope;
        scope.mutedLayers = 0b010;
        if (start == 1)
            scope.startCounters = where;
        std::vector<TimedMessage> expected;
        std::string error;
        ASSERT_TRUE(renderRun(working, RenderLength{std::nullopt, 60000}, expected, error, nullptr, 1000, scope));
        const Bytes written = readBytes(*shell.nextFileName);
        const std::string text(written.begin(), written.end());
        EXPECT_EQ(text.find(" 92 "), std::string::npos);  // no note-on of layer 2
        EXPECT_NE(text.find(" 82 "), std::string::npos);  // its note-offs still go out
        std::string lines;
        for (const std::string& line : linesOf(expected))
            lines += line + "\n";
        EXPECT_EQ(text, lines) << start;
    }
}

TEST_F(Commands, RewindIsRefusedWhilePlaying)
{
    transportConceptAccepted(app);
    run(Command::Play);
    run(Command::Rewind);
    EXPECT_EQ(player.resume.rewinds(), 0u);
    run(Command::Stop);
    port.messages.clear();  // the sweep
    run(Command::Rewind);
    EXPECT_EQ(player.resume.rewinds(), 1u);
    EXPECT_TRUE(port.messages.empty());  // nothing is sent: the next Play starts from the beginning
}

TEST_F(Commands, UnknownIdsDoNothing)
{
    EXPECT_EQ(run(999), 0);
    EXPECT_TRUE(shell.log.empty());
}

}  // namespace
