// The durations and offsets dialog driven through in-memory controls.
#include <gtest/gtest.h>

#include "dialog_test_support.h"
#include "dialogs/concept_dialog.h"
#include "dialogs/durations_dialog.h"
#include "dialogs/voice_table_dialog.h"

namespace {

using DurationsDialogTest = SettingsDialogTest<DurationsDialog>;

TEST_F(DurationsDialogTest, OpensWithValuesBoundsAndTheGroupDisabled)
{
    open();
    const RangedValues& r = dialog.pending().ranged;
    EXPECT_EQ(r.minimum[0], 192);
    EXPECT_EQ(r.maximum[1], 480);
    for (int i : {2, 4}) {
        EXPECT_EQ(r.minimum[i], -15);
        EXPECT_EQ(r.maximum[i], 38);
    }
    for (int i : {3, 5}) {
        EXPECT_EQ(r.minimum[i], -31);
        EXPECT_EQ(r.maximum[i], 40);
    }
    EXPECT_EQ(controls.text(1011), " 240");
    EXPECT_EQ(controls.text(1012), " 240");
    EXPECT_EQ(controls.text(1013), "   0");
    EXPECT_EQ(controls.text(1014), "   0");
    EXPECT_EQ(controls.text(1015), "  -4");
    EXPECT_EQ(controls.text(1016), "   0");
    for (int edit = 1011; edit <= 1016; ++edit)
        EXPECT_EQ(controls.spinPairs[edit + 10], edit);
    EXPECT_FALSE(controls.isChecked(1031));
    for (int id : {1015, 1025, 1016, 1026, 1041, 1042})
        EXPECT_FALSE(controls.isEnabled(id)) << id;
    for (int id : {1011, 1014, 1024})
        EXPECT_TRUE(controls.isEnabled(id)) << id;
    EXPECT_EQ(controls.listText(1100), "MIDI_MAPPER");
    EXPECT_EQ(controls.listText(1041), "5");
    EXPECT_EQ(controls.listText(1042), "beta");
}

TEST_F(DurationsDialogTest, SpinsStopAtTheBounds)
{
    open();
    controls.setText(1011, "480");
    clickUp(controls, dialog, 1021);
    EXPECT_EQ(controls.text(1011), "480");
    controls.setText(1012, "192");
    clickDown(controls, dialog, 1022);
    EXPECT_EQ(controls.text(1012), "192");
    clickUp(controls, dialog, 1022);
    EXPECT_EQ(controls.text(1012), "193");
    controls.setText(1014, "-31");
    clickDown(controls, dialog, 1024);
    EXPECT_EQ(controls.text(1014), "-31");
    // Out of bounds already: a step toward the range moves, one away from it does not.
    controls.setText(1013, "50");
    clickUp(controls, dialog, 1023);
    EXPECT_EQ(controls.text(1013), "50");
    clickDown(controls, dialog, 1023);
    EXPECT_EQ(controls.text(1013), "49");
    clickUp(controls, dialog, 1024);  // a step of another spin leaves this edit as typed
    EXPECT_EQ(controls.text(1011), "480");
}

TEST_F(DurationsDialogTest, OkReportsOnlyTheFirstValueOutOfBounds)
{
    open();
    type(controls, dialog, 1011, "100");
    type(controls, dialog, 1013, "39");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors, (std::vector<std::string>{"plz enter durations among 192 ~ 480"}));

    type(controls, dialog, 1011, "240");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter offset among -15 ~ 38");

    type(controls, dialog, 1013, "0");
    type(controls, dialog, 1014, "-32");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter offset among -31 ~ 40");

    type(controls, dialog, 1014, "0");
    type(controls, dialog, 1016, "x");  // not a number: 0, inside the bounds
    type(controls, dialog, 1012, "481");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter durations among 192 ~ 480");
    EXPECT_EQ(controls.errors.size(), 4u);
    EXPECT_FALSE(controls.ended);
    EXPECT_EQ(working.alphaDuration, 240);
    EXPECT_EQ(working.betaDuration, 240);
}

TEST_F(DurationsDialogTest, OkStoresValuesAndTheModulationOnlyWhenOn)
{
    listing.ports = {std::string("x"), std::string("y")};
    open();
    type(controls, dialog, 1011, "300");
    type(controls, dialog, 1012, "200");
    type(controls, dialog, 1013, "-3");
    type(controls, dialog, 1014, "5");
    type(controls, dialog, 1015, "7");
    type(controls, dialog, 1016, "8");
    choose(controls, dialog, 1041, 0);
    choose(controls, dialog, 1100, 2);
    pressOk(controls, dialog);
    ASSERT_EQ(controls.result, 1);
    EXPECT_EQ(working.alphaDuration, 300);
    EXPECT_EQ(working.betaDuration, 200);
    EXPECT_EQ(working.noteOffset, -3);
    EXPECT_EQ(working.velocityOffset, 5);
    EXPECT_EQ(working.midiDeviceId, 1);
    EXPECT_EQ(working.modulationEnabled, 0);
    EXPECT_EQ(working.modulationNoteOffset, -4);
    EXPECT_EQ(working.modulationVelocityOffset, 0);
    EXPECT_EQ(working.modulationLayer, 4);

    open();
    tick(controls, dialog, 1031, true);
    EXPECT_TRUE(controls.isEnabled(1016));
    type(controls, dialog, 1015, "7");
    type(controls, dialog, 1016, "8");
    chooseLabel(controls, dialog, 1041, "2");
    chooseLabel(controls, dialog, 1042, "alpha");
    pressOk(controls, dialog);
    EXPECT_EQ(working.modulationEnabled, 1);
    EXPECT_EQ(working.modulationNoteOffset, 7);
    EXPECT_EQ(working.modulationVelocityOffset, 8);
    EXPECT_EQ(working.modulationLayer, 1);
    EXPECT_EQ(working.modulationTone, 0);
    EXPECT_TRUE(sameRecord(defaults, builtInRecord()));  // no tick, no defaults
}

TEST_F(DurationsDialogTest, SaveAsDefaultOpensUntickedAndCopiesAtOnce)
{
    listing.ports = {std::string("x")};
    working.modulationNoteOffset = 3;
    working.modulationLayer = 6;
    open();
    type(controls, dialog, 1011, "400");
    type(controls, dialog, 1014, "-10");
    chooseLabel(controls, dialog, 1100, "x");
    tick(controls, dialog, 1001, true);
    pressOk(controls, dialog);
    ASSERT_EQ(controls.result, 1);
    SettingsRecord expected = builtInRecord();
    expected.alphaDuration = 400;
    expected.velocityOffset = -10;
    expected.midiDeviceId = 0;
    EXPECT_TRUE(sameRecord(defaults, expected));  // modulation off: its four fields stay

    open();
    EXPECT_FALSE(controls.isChecked(1001));
    tick(controls, dialog, 1031, true);
    tick(controls, dialog, 1001, true);
    pressOk(controls, dialog);
    EXPECT_EQ(defaults.modulationEnabled, 1);
    EXPECT_EQ(defaults.modulationNoteOffset, 3);
    EXPECT_EQ(defaults.modulationLayer, 6);
    EXPECT_EQ(defaults.saveConceptAsDefault, 0);
    EXPECT_EQ(working.saveConceptAsDefault, 0);
}

TEST_F(DurationsDialogTest, CancelAndNoSelectionChangeNothing)
{
    listing.ports = {std::string("x")};
    working.midiDeviceId = 0;
    working.modulationEnabled = 1;
    const SettingsRecord workingBefore = working;
    const SettingsRecord defaultsBefore = defaults;
    open();
    type(controls, dialog, 1011, "300");
    tick(controls, dialog, 1001, true);
    choose(controls, dialog, 1100, 0);
    pressCancel(controls, dialog);
    EXPECT_EQ(controls.result, 2);
    EXPECT_TRUE(sameRecord(working, workingBefore));
    EXPECT_TRUE(sameRecord(defaults, defaultsBefore));

    open();
    clearSelection(controls, dialog, 1041);
    clearSelection(controls, dialog, 1042);
    clearSelection(controls, dialog, 1100);
    pressOk(controls, dialog);
    EXPECT_EQ(controls.result, 1);
    EXPECT_TRUE(sameRecord(working, workingBefore));
}

// A note lowered to 0x10 in the note dialog moves the note offsets' lower bound to 4, which the
// concept dialog enforces although it shows no note offset.
TEST_F(DurationsDialogTest, BoundsFollowTheNoteTableOfTheLastNoteDialog)
{
    VoiceTableDialog notes(4000, working);
    FakeControls noteControls;
    notes.init(noteControls);
    ASSERT_TRUE(chooseLabel(noteControls, notes, 4014, "0x10"));
    pressOk(noteControls, notes);
    ASSERT_EQ(working.notes[13], 0x10);
    working.noteOffset = 0;  // the main window resets it after the note dialog

    open();
    EXPECT_EQ(dialog.pending().ranged.minimum[2], 4);
    EXPECT_EQ(dialog.pending().ranged.maximum[2], 38);
    EXPECT_EQ(dialog.pending().ranged.minimum[4], 4);
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter offset among 4 ~ 38");
    type(controls, dialog, 1013, "4");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter modulation offset among 4 ~ 38");

    SettingsRecord conceptDefaults = builtInRecord();
    SettingsRecord conceptWorking = working;
    ConceptDialog conceptDialog(conceptWorking, conceptDefaults, listing);
    FakeControls conceptControls;
    conceptDialog.init(conceptControls);
    pressOk(conceptControls, conceptDialog);
    EXPECT_EQ(conceptControls.errors, (std::vector<std::string>{"plz enter offset among 4 ~ 38"}));

    type(controls, dialog, 1015, "4");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.result, 1);
    EXPECT_EQ(working.noteOffset, 4);
}

TEST(OffsetBounds, TablesFarOutsideTheMidiRangeDoNotOverflow)
{
    RangedValues ranged{};
    int32_t notes[16], velocities[16];
    for (int n = 0; n < 16; ++n) {
        notes[n] = INT32_MIN;
        velocities[n] = 200;
    }
    computeOffsetBounds(ranged, notes, velocities);
    EXPECT_EQ(ranged.maximum[2], 128);          // the largest note starts from 0
    EXPECT_EQ(ranged.minimum[3], 20 - 128);     // the smallest velocity starts from 128
    EXPECT_EQ(ranged.maximum[3], 128 - 200);
    EXPECT_EQ(ranged.minimum[2], INT32_MIN + 20);  // 20 - INT32_MIN, wrapped
}

}  // namespace
