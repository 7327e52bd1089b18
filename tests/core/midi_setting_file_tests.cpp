// Saving and restoring MIDI setting files: the bytes, short files, offsets and program changes.
#include <gtest/gtest.h>

#include "app/midi_setting_commands.h"
#include "engine/player_state.h"
#include "engine/recording_backend.h"
#include "engine/virtual_clock.h"
#include "fake_shell_platform.h"
#include "file_test_support.h"
#include "settings/defaults.h"
#include "settings/midi_setting_file.h"

namespace {

struct NoReporter : ErrorReporter {
    void showError(const std::string&) override {}
};

class MidiSettingFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        player.port.backend = &backend;
        player.port.reporter = &reporter;
        backend.open(-1);
        fillBuiltInDefaults(working);
        working.playState = Ready;
        shell.nextFileName = dir.file("voices.gms");
    }
    std::vector<uint32_t> sent() const
    {
        std::vector<uint32_t> packed;
        for (const auto& m : backend.messages)
            packed.push_back(m.packed);
        return packed;
    }

    ScratchDir dir;
    VirtualClock clock;
    RecordingBackend backend{clock};
    NoReporter reporter;
    PlayerState player;
    SettingsRecord working{};
    FakeShellPlatform shell;
};

}  // namespace

TEST_F(MidiSettingFile, SavingTheDefaultsWritesTheTablesWithoutOffsets)
{
    working.noteOffset = 5, working.velocityOffset = -3;
    saveMidiSettingFile(shell, working);

    Bytes expected(192);
    const int tones[16] = {0, 0, 11, 11, 12, 12, 8, 8, 6, 6, 27, 27, 36, 36, 37, 37};
    for (int L = 0; L < 8; ++L) {
        putI32(expected, 8 * L, tones[2 * L]), putI32(expected, 8 * L + 4, tones[2 * L + 1]);
        putI32(expected, 64 + 8 * L, 70 - 5 * L), putI32(expected, 68 + 8 * L, 90 - 5 * L);
        putI32(expected, 128 + 8 * L, 88 - 3 * L), putI32(expected, 132 + 8 * L, 72 - 3 * L);
    }
    EXPECT_EQ(readBytes(dir.file("voices.gms")), expected);
    EXPECT_TRUE(shell.messages.empty());

    ASSERT_EQ(shell.fileRequests.size(), 1u);
    const FileDialogRequest& r = shell.fileRequests[0];
    EXPECT_EQ(r.title, "save file as ...");
    EXPECT_EQ(r.filters, (std::vector<std::pair<std::string, std::string>>{
                             {"MIDI setting file (*.gms)", "*.gms"}, {"all files (*.*)", "*.*"}}));
    EXPECT_EQ(r.selectedFilter, 0);
    EXPECT_EQ(r.defaultSuffix, "gms");
    EXPECT_TRUE(r.saving && r.overwritePrompt && !r.fileMustExist);
}

TEST_F(MidiSettingFile, SaveThenRestoreKeepsTablesDropsOffsetsAndSendsSixteenProgramChanges)
{
    working.noteOffset = 5, working.velocityOffset = -3;
    working.saveTonesAsDefault = 1;
    const SettingsRecord defaultsBefore = DefaultSettings;
    saveMidiSettingFile(shell, working);
    const SettingsRecord before = working;

    restoreMidiSettingFile(shell, working, player);
    EXPECT_EQ(std::memcmp(working.tones, before.tones, 192), 0);
    EXPECT_EQ(working.noteOffset, 0);
    EXPECT_EQ(working.velocityOffset, 0);
    EXPECT_EQ(working.saveTonesAsDefault, 1);
    EXPECT_EQ(std::memcmp(&DefaultSettings, &defaultsBefore, sizeof(SettingsRecord)), 0);
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(get(player.effectiveNotes[c]), before.notes[c]);
        EXPECT_EQ(get(player.effectiveVelocities[c]), before.velocities[c]);
    }
    // Unchanged tones are sent all the same, channel 0 first.
    std::vector<uint32_t> expected;
    for (uint32_t c = 0; c < 16; ++c)
        expected.push_back((0xC0 + c) | (static_cast<uint32_t>(before.tones[c]) << 8));
    EXPECT_EQ(sent(), expected);

    const FileDialogRequest& r = shell.fileRequests.at(1);
    EXPECT_EQ(r.title, "open file selected");
    EXPECT_TRUE(!r.saving && !r.overwritePrompt && r.fileMustExist);
    EXPECT_EQ(r.defaultSuffix, "gms");
}

TEST_F(MidiSettingFile, ShortFileReplacesTheFrontAndValuesAreTakenUnchecked)
{
    Bytes content(100, 0);
    for (int i = 0; i < 25; ++i)
        putI32(content, 4 * i, 300 + i);  // 16 tones and 9 notes, all outside 0..127
    writeBytes(dir.file("voices.gms"), content);
    const SettingsRecord before = working;

    restoreMidiSettingFile(shell, working, player);
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(working.tones[c], 300 + c);
        EXPECT_EQ(working.notes[c], c < 9 ? 316 + c : before.notes[c]);
        EXPECT_EQ(working.velocities[c], before.velocities[c]);
    }
    ASSERT_EQ(backend.messages.size(), 16u);
    EXPECT_EQ(backend.messages[15].status(), 0xCF);
    EXPECT_EQ(backend.messages[15].data1(), (300 + 15) & 0xFF);  // the low byte goes out
}

TEST_F(MidiSettingFile, CancelMissingFileAndPlayingChangeNothing)
{
    const SettingsRecord before = working;
    const auto unchanged = [&] { return std::memcmp(&working, &before, sizeof before) == 0 && backend.messages.empty(); };

    shell.nextFileName.reset();  // cancelled dialogs
    saveMidiSettingFile(shell, working);
    restoreMidiSettingFile(shell, working, player);
    EXPECT_TRUE(unchanged());
    EXPECT_EQ(dir.entryCount(), 0u);
    EXPECT_TRUE(shell.messages.empty());

    shell.nextFileName = dir.file("missing.gms");
    restoreMidiSettingFile(shell, working, player);
    EXPECT_TRUE(unchanged());
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].text, "failed to load data from a file");
    EXPECT_EQ(shell.messages[0].caption, "error");
    EXPECT_FALSE(shell.messages[0].ownedByMainWindow);

    shell.fileRequests.clear();
    working.playState = Playing;
    writeBytes(dir.file("missing.gms"), Bytes(192, 1));
    saveMidiSettingFile(shell, working);
    restoreMidiSettingFile(shell, working, player);
    EXPECT_TRUE(shell.fileRequests.empty());
    EXPECT_EQ(working.tones[0], before.tones[0]);
    EXPECT_TRUE(backend.messages.empty());

    reportFileError(shell, 0);
    reportFileError(shell, 3);
    EXPECT_EQ(shell.messages.size(), 1u);
}
