// The concept dialog driven through in-memory controls: opening, spins, checks, OK and Cancel.
#include <gtest/gtest.h>

#include "dialog_test_support.h"
#include "dialogs/concept_dialog.h"

namespace {

using ConceptDialogTest = SettingsDialogTest<ConceptDialog>;

TEST_F(ConceptDialogTest, OpensWithTheBuiltInDefaultsFormattedAndTheModulationGroupDisabled)
{
    open();
    EXPECT_EQ(controls.listText(2001), "(1+Sqrt(5))/2");
    EXPECT_EQ(controls.lists[2001].size(), 12u);
    EXPECT_EQ(controls.text(2010), "   1.618034");
    EXPECT_FALSE(controls.isEnabled(2010));
    EXPECT_FALSE(controls.isEnabled(2020));
    EXPECT_EQ(controls.text(2011), "  96");
    EXPECT_EQ(controls.text(2012), "   8");
    EXPECT_EQ(controls.text(2031), "tempo, (32 ~ 192)");
    EXPECT_EQ(controls.text(2032), "layer, (1 ~ 8)");
    EXPECT_EQ(controls.text(1015), "  -4");
    EXPECT_EQ(controls.text(1016), "   0");
    EXPECT_FALSE(controls.isChecked(1031));
    for (int id : {1015, 1025, 1016, 1026, 1041, 1042})
        EXPECT_FALSE(controls.isEnabled(id)) << id;
    EXPECT_TRUE(controls.isEnabled(1031));
    EXPECT_EQ(controls.lists[1041], (std::vector<std::string>{"2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(controls.listText(1041), "5");
    EXPECT_EQ(controls.listText(1042), "beta");
    EXPECT_EQ(controls.listText(1100), "MIDI_MAPPER");
    EXPECT_FALSE(controls.isChecked(500));
    for (int edit : {2010, 2011, 2012, 1015, 1016})
        EXPECT_EQ(controls.spinPairs[edit + 10], edit);

    working.saveConceptAsDefault = 1;
    working.modulationEnabled = 1;
    open();
    EXPECT_TRUE(controls.isChecked(500));
    for (int id : {1015, 1025, 1016, 1026, 1041, 1042})
        EXPECT_TRUE(controls.isEnabled(id)) << id;
}

TEST_F(ConceptDialogTest, PresetSelectionWritesTheNumeralAndOnlyInputEnablesTheEdit)
{
    open();
    choose(controls, dialog, 2001, 11);  // "PI"
    EXPECT_EQ(controls.text(2010), "   3.141593");
    EXPECT_FALSE(controls.isEnabled(2010));
    EXPECT_FALSE(controls.isEnabled(2020));

    choose(controls, dialog, 2001, 0);  // "-- input --"
    EXPECT_EQ(controls.text(2010), "   3.141593");
    EXPECT_TRUE(controls.isEnabled(2010));
    EXPECT_TRUE(controls.isEnabled(2020));
}

TEST_F(ConceptDialogTest, TypedNumeralIsCheckedOnlyWhenInputIsSelected)
{
    open();
    choose(controls, dialog, 2001, 0);
    type(controls, dialog, 2010, "5");
    pressOk(controls, dialog);
    ASSERT_EQ(controls.errors, (std::vector<std::string>{"plz enter a numeral among 1.000000 ~ 4.000000"}));
    EXPECT_FALSE(controls.ended);

    for (const char* bad : {"0.99", "abc", "nan", "inf"}) {
        type(controls, dialog, 2010, bad);
        pressOk(controls, dialog);
        EXPECT_FALSE(controls.ended) << bad;
    }

    type(controls, dialog, 2010, "4");
    pressOk(controls, dialog);
    EXPECT_TRUE(controls.ended);
    EXPECT_EQ(controls.result, 1);
    EXPECT_EQ(working.numeral, 4.0);
    EXPECT_EQ(working.numeralPreset, 0);

    // A preset never tests the numeral, even one stored out of range.
    working.numeralPreset = 7;
    working.numeral = 0.5;
    open();
    pressOk(controls, dialog);
    EXPECT_TRUE(controls.errors.empty());
    EXPECT_EQ(controls.result, 1);
}

TEST_F(ConceptDialogTest, NumeralSpinStepsByOneAndMayLeaveTheRangeByLessThanAStep)
{
    open();
    clickUp(controls, dialog, 2020);  // the edit is disabled while a preset is chosen
    EXPECT_EQ(controls.text(2010), "   1.618034");

    choose(controls, dialog, 2001, 0);
    controls.setText(2010, "3.5");
    clickUp(controls, dialog, 2020);
    EXPECT_EQ(controls.text(2010), "   4.500000");
    clickUp(controls, dialog, 2020);
    EXPECT_EQ(controls.text(2010), "   4.500000");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors, (std::vector<std::string>{"plz enter a numeral among 1.000000 ~ 4.000000"}));

    controls.setText(2010, "1.5");
    clickDown(controls, dialog, 2020);
    EXPECT_EQ(controls.text(2010), "   0.500000");
    clickDown(controls, dialog, 2020);
    EXPECT_EQ(controls.text(2010), "   0.500000");
    // A notification from another control re-reads the text but leaves it alone.
    controls.setText(2010, "2.25");
    dialog.notify(controls, 1100, false, 0);
    EXPECT_EQ(controls.text(2010), "2.25");
    EXPECT_EQ(dialog.pending().numeral, 2.25);
}

TEST_F(ConceptDialogTest, TempoAndLayerSpinWithinTheirBoundsAndOkTestsThem)
{
    open();
    controls.setText(2011, " 192");
    clickUp(controls, dialog, 2021);
    EXPECT_EQ(controls.text(2011), "192");
    controls.setText(2011, "32");
    clickDown(controls, dialog, 2021);
    EXPECT_EQ(controls.text(2011), "32");
    clickUp(controls, dialog, 2021);
    EXPECT_EQ(controls.text(2011), "33");
    controls.setText(2012, "8");
    clickUp(controls, dialog, 2022);
    EXPECT_EQ(controls.text(2012), "8");
    // A step of one spin rewrites only its own edit.
    EXPECT_EQ(controls.text(2011), "33");

    type(controls, dialog, 2011, "200");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter a tempo among 32 ~ 192");

    type(controls, dialog, 2011, "96");
    type(controls, dialog, 2012, "0");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter a layer among 1 ~ 8");
    EXPECT_FALSE(controls.ended);

    type(controls, dialog, 2012, "3");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.result, 1);
    EXPECT_EQ(working.layerIndex, 2);
    EXPECT_EQ(working.tempo, 96);
}

TEST_F(ConceptDialogTest, OnlyTheFirstFailureIsReported)
{
    open();
    type(controls, dialog, 2011, "31");
    type(controls, dialog, 2012, "9");
    type(controls, dialog, 1015, "39");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors, (std::vector<std::string>{"plz enter a tempo among 32 ~ 192"}));

    type(controls, dialog, 2011, "junk");  // parses as 0
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter a tempo among 32 ~ 192");
    type(controls, dialog, 2011, "99999999999");  // saturates, still refused
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter a tempo among 32 ~ 192");
    EXPECT_EQ(controls.errors.size(), 3u);
    EXPECT_FALSE(controls.ended);
}

TEST_F(ConceptDialogTest, ModulationOffsetsAreBoundedByTheTables)
{
    open();
    tick(controls, dialog, 1031, true);
    type(controls, dialog, 1015, "39");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter modulation offset among -15 ~ 38");
    type(controls, dialog, 1015, "-16");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter modulation offset among -15 ~ 38");
    type(controls, dialog, 1015, "38");
    type(controls, dialog, 1016, "41");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter modulation velocity offset among -31 ~ 40");
    EXPECT_FALSE(controls.ended);

    controls.setText(1016, "40");
    clickUp(controls, dialog, 1026);
    EXPECT_EQ(controls.text(1016), "40");
    controls.setText(1015, "-15");
    clickDown(controls, dialog, 1025);
    EXPECT_EQ(controls.text(1015), "-15");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.result, 1);
    EXPECT_EQ(working.modulationNoteOffset, -15);
    EXPECT_EQ(working.modulationVelocityOffset, 40);
}

TEST_F(ConceptDialogTest, DurationsOutOfBoundsBlockEveryOk)
{
    working.alphaDuration = 100;
    open();
    pressOk(controls, dialog);
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors, (std::vector<std::string>(2, "plz enter durations among 192 ~ 480")));
    EXPECT_FALSE(controls.ended);
    EXPECT_EQ(working.tempo, 96);
}

TEST_F(ConceptDialogTest, ModulationOffLeavesItsFourFieldsButStillChecksThem)
{
    working.modulationVelocityOffset = 7;
    open();
    type(controls, dialog, 1015, "10");
    type(controls, dialog, 1016, "-5");
    choose(controls, dialog, 1041, 0);
    choose(controls, dialog, 1042, 0);
    type(controls, dialog, 1015, "39");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.errors.back(), "plz enter modulation offset among -15 ~ 38");

    type(controls, dialog, 1015, "10");
    pressOk(controls, dialog);
    EXPECT_EQ(controls.result, 1);
    EXPECT_EQ(working.modulationEnabled, 0);
    EXPECT_EQ(working.modulationNoteOffset, -4);
    EXPECT_EQ(working.modulationVelocityOffset, 7);
    EXPECT_EQ(working.modulationLayer, 4);
    EXPECT_EQ(working.modulationTone, 1);
}

TEST_F(ConceptDialogTest, ModulationOnStoresLayerToneAndBothOffsets)
{
    working.modulationVelocityOffset = 12;
    open();
    tick(controls, dialog, 1031, true);
    EXPECT_TRUE(controls.isEnabled(1016));
    EXPECT_EQ(controls.text(1016), "  12");
    chooseLabel(controls, dialog, 1041, "2");
    chooseLabel(controls, dialog, 1042, "alpha");
    type(controls, dialog, 1015, "5");
    dialog.notify(controls, 1100, false, 0);  // notifications re-read every edit
    pressOk(controls, dialog);
    EXPECT_EQ(controls.result, 1);
    EXPECT_EQ(working.modulationEnabled, 1);
    EXPECT_EQ(working.modulationLayer, 1);
    EXPECT_EQ(working.modulationTone, 0);
    EXPECT_EQ(working.modulationNoteOffset, 5);
    EXPECT_EQ(working.modulationVelocityOffset, 12);  // kept, not lost to an absent edit

    open();
    chooseLabel(controls, dialog, 1041, "8");
    pressOk(controls, dialog);
    EXPECT_EQ(working.modulationLayer, 7);

    open();
    tick(controls, dialog, 1031, false);
    EXPECT_FALSE(controls.isEnabled(1026));
    pressOk(controls, dialog);
    EXPECT_EQ(working.modulationEnabled, 0);
}

TEST_F(ConceptDialogTest, SaveAsDefaultCopiesTheModulationButNeverTheDevice)
{
    listing.ports = {std::string("synth port")};
    const SettingsRecord before = defaults;
    open();
    tick(controls, dialog, 1031, true);
    chooseLabel(controls, dialog, 1041, "3");
    type(controls, dialog, 1015, "6");
    type(controls, dialog, 1016, "-2");
    chooseLabel(controls, dialog, 1100, "synth port");
    type(controls, dialog, 2011, "120");
    tick(controls, dialog, 500, true);
    pressOk(controls, dialog);
    ASSERT_EQ(controls.result, 1);
    EXPECT_EQ(working.saveConceptAsDefault, 1);
    EXPECT_EQ(working.midiDeviceId, 0);
    EXPECT_EQ(defaults.modulationEnabled, 1);
    EXPECT_EQ(defaults.modulationLayer, 2);
    EXPECT_EQ(defaults.modulationTone, 1);
    EXPECT_EQ(defaults.modulationNoteOffset, 6);
    EXPECT_EQ(defaults.modulationVelocityOffset, -2);
    EXPECT_EQ(defaults.midiDeviceId, -1);
    EXPECT_EQ(defaults.tempo, before.tempo);  // the concept group goes through the merge
    EXPECT_EQ(defaults.alphaDuration, before.alphaDuration);

    // Modulation off: only the switch reaches the defaults.
    defaults = before;
    open();
    EXPECT_TRUE(controls.isChecked(500));  // the flag was not merged yet
    tick(controls, dialog, 1031, false);
    type(controls, dialog, 1015, "9");
    pressOk(controls, dialog);
    SettingsRecord expected = before;
    expected.modulationEnabled = 0;
    EXPECT_TRUE(sameRecord(defaults, expected));

    // Without the tick nothing is copied and the flag is cleared.
    defaults = before;
    open();
    tick(controls, dialog, 1031, true);
    tick(controls, dialog, 500, false);
    pressOk(controls, dialog);
    EXPECT_EQ(working.saveConceptAsDefault, 0);
    EXPECT_TRUE(sameRecord(defaults, before));
}

TEST_F(ConceptDialogTest, CancelChangesNothing)
{
    listing.ports = {std::string("a"), std::string("b")};
    const SettingsRecord workingBefore = working;
    const SettingsRecord defaultsBefore = defaults;
    open();
    choose(controls, dialog, 2001, 0);
    type(controls, dialog, 2010, "2.5");
    type(controls, dialog, 2011, "150");
    tick(controls, dialog, 1031, true);
    choose(controls, dialog, 1041, 0);
    choose(controls, dialog, 1100, 2);
    tick(controls, dialog, 500, true);
    pressCancel(controls, dialog);
    EXPECT_TRUE(controls.ended);
    EXPECT_EQ(controls.result, 2);
    EXPECT_TRUE(sameRecord(working, workingBefore));
    EXPECT_TRUE(sameRecord(defaults, defaultsBefore));
}

TEST_F(ConceptDialogTest, ListsWithoutSelectionKeepTheirValues)
{
    listing.ports = {std::string("a")};
    working.midiDeviceId = 0;
    working.modulationEnabled = 1;
    open();
    clearSelection(controls, dialog, 2001);
    EXPECT_EQ(controls.text(2010), "   1.618034");
    EXPECT_FALSE(controls.isEnabled(2010));
    clearSelection(controls, dialog, 1041);
    clearSelection(controls, dialog, 1042);
    clearSelection(controls, dialog, 1100);
    pressOk(controls, dialog);
    ASSERT_EQ(controls.result, 1);
    EXPECT_EQ(working.numeralPreset, 7);
    EXPECT_EQ(working.modulationLayer, 4);
    EXPECT_EQ(working.modulationTone, 1);
    EXPECT_EQ(working.midiDeviceId, 0);
}

TEST_F(ConceptDialogTest, OkWithoutChangesStoresTheSameValues)
{
    const SettingsRecord before = working;
    open();
    pressOk(controls, dialog);
    EXPECT_EQ(controls.result, 1);
    EXPECT_TRUE(sameRecord(working, before));

    // Any notification makes the numeral follow its text, six decimals; the rest stays.
    open();
    dialog.notify(controls, 2021, false, 0);
    pressOk(controls, dialog);
    SettingsRecord expected = before;
    expected.numeral = 1.618034;
    EXPECT_TRUE(sameRecord(working, expected));
}

}  // namespace
