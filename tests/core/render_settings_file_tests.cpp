// The render tool's --settings and --voices: order of application and unreadable files.
#include <gtest/gtest.h>

#include "file_test_support.h"
#include "settings/defaults.h"
#include "settings/parameter_file.h"
#include "tools/render_settings.h"

TEST(RenderSettingsFiles, ParameterFileThenVoicesThenOptions)
{
    ScratchDir dir;
    SettingsRecord stored;
    fillBuiltInDefaults(stored);
    stored.tempo = 120, stored.layerIndex = 3, stored.noteOffset = 7, stored.velocityOffset = -2;
    ParameterFile par;
    par.path = dir.file("a.par");
    ASSERT_TRUE(writeParameterFile(par, stored));
    Bytes gms(68, 0);             // 16 tones and the first note
    putI32(gms, 0, 42), putI32(gms, 64, 99);
    writeBytes(dir.file("b.gms"), gms);

    RenderOptions options;
    options.settingsFile = dir.file("a.par");
    SettingsRecord s;
    std::string error;
    ASSERT_TRUE(buildRenderSettings(options, s, error)) << error;
    EXPECT_EQ(s.tempo, 120);
    EXPECT_EQ(s.layerIndex, 3);
    EXPECT_EQ(s.noteOffset, 7);
    EXPECT_EQ(s.notes[1], 90);

    options.voicesFile = dir.file("b.gms");
    options.tempo = 150;
    ASSERT_TRUE(buildRenderSettings(options, s, error)) << error;
    EXPECT_EQ(s.tempo, 150);
    EXPECT_EQ(s.tones[0], 42);
    EXPECT_EQ(s.notes[0], 99);
    EXPECT_EQ(s.notes[1], 90);
    EXPECT_EQ(s.noteOffset, 0);
    EXPECT_EQ(s.velocityOffset, 0);

    options.noteOffset = 12;  // an option still wins over the restore
    ASSERT_TRUE(buildRenderSettings(options, s, error));
    EXPECT_EQ(s.noteOffset, 12);
}

TEST(RenderSettingsFiles, UnreadableFileNamesItsOption)
{
    ScratchDir dir;
    for (const char* option : {"--settings", "--voices"}) {
        RenderOptions options;
        (option[2] == 's' ? options.settingsFile : options.voicesFile) = dir.file("missing");
        SettingsRecord s;
        std::string error;
        EXPECT_FALSE(buildRenderSettings(options, s, error));
        EXPECT_EQ(error, std::string(option) + ": cannot read '" + dir.file("missing") + "'");
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
    // What the window program would move aside as damaged is refused too, by name.
    writeBytes(dir.file("empty.par"), Bytes{});
    writeBytes(dir.file("short.par"), Bytes(100, 0));
    for (const std::string& path : {dir.file("empty.par"), dir.file("short.par"), dir.path}) {
        RenderOptions options;
        options.settingsFile = path;
        SettingsRecord s;
        std::string error;
        EXPECT_FALSE(buildRenderSettings(options, s, error)) << path;
        EXPECT_EQ(error.rfind("--settings: '" + path + "' is not a whole parameter file", 0), 0u) << error;
    }
}

TEST(RenderSettingsFiles, OffsetBoundsFollowTheTablesInUse)
{
    ScratchDir dir;
    Bytes gms(192, 0);
    for (int c = 0; c < 16; ++c)
        putI32(gms, 64 + 4 * c, 50 + c), putI32(gms, 128 + 4 * c, 100);  // notes 50..65, velocities 100
    writeBytes(dir.file("v.gms"), gms);

    RenderOptions options;
    options.voicesFile = dir.file("v.gms");
    SettingsRecord s;
    std::string error;
    options.noteOffset = 63;  // 128 - 65; with the built-in notes (up to 90) the bound would be 38
    options.velocityOffset = -80;  // 20 - 100
    ASSERT_TRUE(buildRenderSettings(options, s, error));
    EXPECT_TRUE(checkRenderSettings(options, s, error)) << error;

    options.noteOffset = 64;
    ASSERT_TRUE(buildRenderSettings(options, s, error));
    EXPECT_FALSE(checkRenderSettings(options, s, error));
    EXPECT_EQ(error, "--note-offset: note offset 64 is not within -30 to 63");
}

// Restore takes any voice set, so the tool does too: a .gms with note 300 renders. Offsets given
// as options are still bounded by the tables in use, which such a set leaves no room in.
TEST(RenderSettingsFiles, EveryVoiceSetRestoreTakesRendersAndOnlyTheOptionsAreBounded)
{
    ScratchDir dir;
    Bytes gms(192, 0);
    for (int c = 0; c < 16; ++c)
        putI32(gms, 64 + 4 * c, 60), putI32(gms, 128 + 4 * c, 100);
    putI32(gms, 64 + 4 * 1, 300);
    putI32(gms, 128 + 4 * 2, 356);
    writeBytes(dir.file("v.gms"), gms);

    RenderOptions options;
    options.voicesFile = dir.file("v.gms");
    SettingsRecord s;
    std::string error;
    ASSERT_TRUE(buildRenderSettings(options, s, error));
    EXPECT_TRUE(checkRenderSettings(options, s, error)) << error;

    options.noteOffset = 0;
    ASSERT_TRUE(buildRenderSettings(options, s, error));
    EXPECT_FALSE(checkRenderSettings(options, s, error));
    EXPECT_EQ(error, "--note-offset: note offset 0 is not within -40 to -172");
    options.noteOffset.reset();
    options.modulation = ModulationOption{1, 0, 0, 0};
    ASSERT_TRUE(buildRenderSettings(options, s, error));
    EXPECT_FALSE(checkRenderSettings(options, s, error));
    EXPECT_EQ(error.rfind("--modulation: modulation note offset 0", 0), 0u) << error;
}
