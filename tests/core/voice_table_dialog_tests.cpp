// The tone, note and velocity dialogs and their list entries.
#include <gtest/gtest.h>

#include <string>

#include "dialog_test_support.h"
#include "dialogs/voice_labels.h"
#include "dialogs/voice_table_dialog.h"

namespace {

TEST(VoiceLabels, NamesAreSpelledAsTheProgramShowsThemAndLabelsAreLowercaseHex)
{
    EXPECT_STREQ(toneNames[0], "A. Grand Piano");
    EXPECT_STREQ(toneNames[6], "Harpsicode");
    EXPECT_STREQ(toneNames[8], "Celecta");
    EXPECT_STREQ(toneNames[16], "Drawber Organ");
    EXPECT_STREQ(toneNames[44], "Tremoro Strings");
    EXPECT_STREQ(toneNames[48], "String Ensamble 1");
    EXPECT_STREQ(toneNames[70], "Basoon");
    EXPECT_STREQ(toneNames[82], "Synth Lead 3 caliope");
    EXPECT_STREQ(toneNames[87], "Synth Lead 8 bass+lead");
    EXPECT_STREQ(toneNames[99], "Synth FX 4 atomosphere");
    EXPECT_STREQ(toneNames[112], "Tinke Bell");
    EXPECT_STREQ(toneNames[127], "Gun Shot");
    for (int v = 0; v < kVoiceValueCount; ++v) {
        char expected[8];
        std::snprintf(expected, sizeof expected, "0x%02x", v);
        EXPECT_STREQ(noteLabels[v], expected);
        EXPECT_EQ(velocityLabels[v], noteLabels[v]);  // one shared set of texts
    }
    for (int p = 0; p < kVoiceValueCount; ++p)
        EXPECT_STRNE(toneNames[p], "") << p;
    EXPECT_STREQ(noteLabels[0x7f], "0x7f");
}

TEST(VoiceTableDialog, OpensWithTheBuiltInTablesShown)
{
    SettingsRecord working = builtInRecord();
    const char* const layerTones[8] = {"A. Grand Piano", "Vibraphone", "Marimba",         "Celecta",
                                       "Harpsicode",     "E. Guitar clean", "Slap Bass 1", "Slap Bass 2"};
    VoiceTableDialog tones(3000, working);
    FakeControls controls;
    tones.init(controls);
    for (int layer = 0; layer < 8; ++layer) {
        EXPECT_EQ(controls.listText(3001 + 2 * layer), layerTones[layer]);
        EXPECT_EQ(controls.listText(3002 + 2 * layer), layerTones[layer]);
    }
    EXPECT_EQ(controls.lists[3016].size(), 128u);
    EXPECT_FALSE(controls.isChecked(501));

    VoiceTableDialog notes(4000, working);
    FakeControls noteControls;
    notes.init(noteControls);
    EXPECT_EQ(noteControls.listText(4001), "0x46");
    EXPECT_EQ(noteControls.listText(4002), "0x5a");
    EXPECT_EQ(noteControls.listText(4015), "0x23");
    EXPECT_EQ(noteControls.listText(4016), "0x37");

    working.saveVelocitiesAsDefault = 1;
    VoiceTableDialog velocities(5000, working);
    FakeControls velocityControls;
    velocities.init(velocityControls);
    EXPECT_EQ(velocityControls.listText(5001), "0x58");
    EXPECT_EQ(velocityControls.listText(5002), "0x48");
    EXPECT_EQ(velocityControls.listText(5015), "0x43");
    EXPECT_EQ(velocityControls.listText(5016), "0x33");
    EXPECT_TRUE(velocityControls.isChecked(503));
}

TEST(VoiceTableDialog, OkStoresTheChosenEntriesAndTheFlag)
{
    SettingsRecord working = builtInRecord();
    VoiceTableDialog tones(3000, working);
    FakeControls controls;
    tones.init(controls);
    ASSERT_TRUE(chooseLabel(controls, tones, 3006, "Tinke Bell"));
    tick(controls, tones, 501, true);
    pressOk(controls, tones);
    EXPECT_EQ(controls.result, 1);
    EXPECT_EQ(working.tones[5], 112);
    EXPECT_EQ(working.tones[4], 12);
    EXPECT_EQ(working.saveTonesAsDefault, 1);
    EXPECT_EQ(working.saveNotesAsDefault, 0);

    VoiceTableDialog notes(4000, working);
    FakeControls noteControls;
    notes.init(noteControls);
    ASSERT_TRUE(chooseLabel(noteControls, notes, 4016, "0x7f"));
    pressOk(noteControls, notes);
    EXPECT_EQ(working.notes[15], 127);
    EXPECT_EQ(working.saveNotesAsDefault, 0);

    // Reopened with the flag set, unticking clears it.
    FakeControls again;
    tones.init(again);
    EXPECT_TRUE(again.isChecked(501));
    EXPECT_EQ(again.listText(3006), "Tinke Bell");
    tick(again, tones, 501, false);
    pressOk(again, tones);
    EXPECT_EQ(working.saveTonesAsDefault, 0);
    EXPECT_EQ(working.tones[5], 112);
}

TEST(VoiceTableDialog, OkWithoutChangesStoresTheSameTableAndCancelChangesNothing)
{
    SettingsRecord working = builtInRecord();
    const SettingsRecord before = working;
    VoiceTableDialog velocities(5000, working);
    FakeControls controls;
    velocities.init(controls);
    pressOk(controls, velocities);
    EXPECT_EQ(controls.result, 1);
    EXPECT_TRUE(sameRecord(working, before));

    FakeControls cancelled;
    velocities.init(cancelled);
    choose(cancelled, velocities, 5001, 0);
    choose(cancelled, velocities, 5016, 127);
    tick(cancelled, velocities, 503, true);
    pressCancel(cancelled, velocities);
    EXPECT_EQ(cancelled.result, 2);
    EXPECT_TRUE(sameRecord(working, before));
}

TEST(VoiceTableDialog, EntriesOutsideTheListOpenEmptyAndAreKept)
{
    SettingsRecord working = builtInRecord();
    working.tones[4] = 200;
    working.tones[9] = -1;
    VoiceTableDialog tones(3000, working);
    FakeControls controls;
    tones.init(controls);
    EXPECT_EQ(controls.listText(3005), "");
    EXPECT_EQ(controls.listText(3010), "");
    choose(controls, tones, 3001, 1);
    pressOk(controls, tones);
    EXPECT_EQ(working.tones[4], 200);
    EXPECT_EQ(working.tones[9], -1);
    EXPECT_EQ(working.tones[0], 1);
}

TEST(VoiceTableDialog, AListWithoutSelectionKeepsTheVoicesValue)
{
    SettingsRecord working = builtInRecord();
    VoiceTableDialog notes(4000, working);
    FakeControls controls;
    notes.init(controls);
    choose(controls, notes, 4003, 100);
    clearSelection(controls, notes, 4003);
    clearSelection(controls, notes, 4004);
    notes.command(controls, 4017);  // not a list of this dialog
    pressOk(controls, notes);
    EXPECT_EQ(working.notes[2], 100);
    EXPECT_EQ(working.notes[3], 85);
    EXPECT_EQ(working.notes[15], 55);
}

}  // namespace
