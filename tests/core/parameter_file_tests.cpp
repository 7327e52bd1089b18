// The parameter file across a start and a close, short files, and the window placement.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/parameter_file_commands.h"
#include "app/parameter_file_location.h"
#include "app/window_placement.h"
#include "fake_shell_platform.h"
#include "file_test_support.h"
#include "settings/defaults.h"
#include "settings/parameter_file.h"

namespace {

// The built-in default record, laid out by hand.
Bytes defaultRecordBytes()
{
    Bytes b(376, 0);
    putI32(b, 0, kHeaderWord);
    putI32(b, 120, -1);
    putF64(b, 128, (std::sqrt(5.0) + 1.0) * 0.5);
    putI32(b, 136, 7), putI32(b, 140, 96), putI32(b, 144, 7), putI32(b, 148, 240), putI32(b, 152, 240);
    putI32(b, 168, -4), putI32(b, 176, 4), putI32(b, 180, 1);
    const int tones[8] = {0, 11, 12, 8, 6, 27, 36, 37};
    for (int L = 0; L < 8; ++L) {
        putI32(b, 184 + 8 * L, tones[L]), putI32(b, 188 + 8 * L, tones[L]);
        putI32(b, 248 + 8 * L, 70 - 5 * L), putI32(b, 252 + 8 * L, 90 - 5 * L);
        putI32(b, 312 + 8 * L, 88 - 3 * L), putI32(b, 316 + 8 * L, 72 - 3 * L);
    }
    return b;
}

Bytes recordBytes(const SettingsRecord& r)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&r);
    return Bytes(p, p + sizeof r);
}

Bytes concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(ParameterFile, FirstStartCreatesDefaultsCentresAndCloseStoresTheRectangle)
{
    ScratchDir dir;
    ParameterFile file{dir.file("pulseLattice.par")};
    SettingsRecord defaults{}, working{};
    FakeShellPlatform shell;  // window 300x400 at (0, 0) on 1920x1080

    loadParameterFile(file, defaults);
    EXPECT_FALSE(file.opened);
    fillBuiltInDefaults(defaults);
    ASSERT_EQ(commitParameterFile(file, shell, defaults, working), 0);

    // Written before placing: 12 zero bytes and the plain default record.
    EXPECT_EQ(readBytes(file.path), concat(Bytes(12, 0), defaultRecordBytes()));
    EXPECT_EQ(shell.log, std::vector<std::string>{"move 810,340 300x400"});
    EXPECT_EQ(recordBytes(working), recordBytes(defaults));

    // The user moves the window; the close stores where it is but keeps the size from the start.
    shell.rect = {100, 50, 450, 500};
    ASSERT_EQ(saveParameterFile(file, shell, defaults), 0);
    Bytes expected = defaultRecordBytes();
    putI32(expected, 12, 1920), putI32(expected, 16, 1080);
    putI32(expected, 36, 100), putI32(expected, 40, 50), putI32(expected, 44, 450), putI32(expected, 48, 500);
    putI32(expected, 68, 300), putI32(expected, 72, 400);
    EXPECT_EQ(readBytes(file.path), concat(Bytes(12, 0), expected));
    EXPECT_TRUE(shell.messages.empty());

    // The next start shows it at the new position with the old size.
    ParameterFile next{file.path};
    SettingsRecord loaded{};
    loadParameterFile(next, loaded);
    FakeShellPlatform nextShell;
    ASSERT_EQ(commitParameterFile(next, nextShell, loaded, working), 0);
    EXPECT_EQ(nextShell.log, std::vector<std::string>{"move 100,50 300x400"});
}

TEST(ParameterFile, HeaderAndRecordAreCarriedThroughUnchanged)
{
    ScratchDir dir;
    Bytes original(388);
    for (size_t i = 0; i < original.size(); ++i)
        original[i] = static_cast<uint8_t>(i * 7 + 3);
    putI32(original, 12 + 68, 0);  // no stored placement, so the start computes one
    writeBytes(dir.file("p.par"), original);

    ParameterFile file{dir.file("p.par")};
    SettingsRecord defaults{}, working{};
    loadParameterFile(file, defaults);
    ASSERT_TRUE(file.opened);
    FakeShellPlatform shell;
    ASSERT_EQ(commitParameterFile(file, shell, defaults, working), 0);
    EXPECT_EQ(readBytes(file.path), original);  // the start writes what it read

    ASSERT_EQ(saveParameterFile(file, shell, defaults), 0);
    const Bytes closed = readBytes(file.path);
    EXPECT_EQ(Bytes(closed.begin(), closed.begin() + 12), Bytes(original.begin(), original.begin() + 12));
}

TEST(ParameterFile, ShortLongAndUnopenableFilesFillOnlyWhatTheyHold)
{
    ScratchDir dir;
    const auto load = [&](const Bytes& content, ParameterFile& file, SettingsRecord& record) {
        writeBytes(dir.file("p.par"), content);
        file.path = dir.file("p.par");
        std::memset(file.header, 0xAA, 12);
        std::memset(&record, 0xBB, sizeof record);
        loadParameterFile(file, record);
    };
    ParameterFile file;
    SettingsRecord record;

    load(Bytes(100, 0x11), file, record);  // header and the first 88 record bytes
    Bytes expected = concat(Bytes(88, 0x11), Bytes(288, 0xBB));
    EXPECT_EQ(recordBytes(record), expected);
    EXPECT_EQ(Bytes(file.header, file.header + 12), Bytes(12, 0x11));

    load(Bytes(5, 0x22), file, record);  // not even the whole header
    EXPECT_EQ(Bytes(file.header, file.header + 12), concat(Bytes(5, 0x22), Bytes(7, 0xAA)));
    EXPECT_EQ(recordBytes(record), Bytes(376, 0xBB));
    EXPECT_TRUE(file.opened);

    load(Bytes(500, 0x33), file, record);  // bytes past 388 are ignored
    EXPECT_EQ(recordBytes(record), Bytes(376, 0x33));

    for (const std::string& path : {dir.file("missing.par"), dir.path}) {
        ParameterFile none{path};
        std::memset(&record, 0xBB, sizeof record);
        loadParameterFile(none, record);
        EXPECT_FALSE(none.opened) << path;
        EXPECT_EQ(recordBytes(record), Bytes(376, 0xBB));
        EXPECT_EQ(Bytes(none.header, none.header + 12), Bytes(12, 0));
    }
}

// No place can be written: one box that lists the places tried, the window placed and the
// settings taken all the same, and the close saves nothing and says nothing more.
TEST(ParameterFile, NowhereToWriteGivesOneBoxWithThePlacesAndTheRunGoesOn)
{
    ParameterFile file{"/nonexistent-dir/pulseLattice.par"};
    file.placesTried = {"/nonexistent-dir/pulseLattice.par", "/nowhere/.config/pulseLattice/pulseLattice.par"};
    SettingsRecord defaults{}, working{};
    fillBuiltInDefaults(defaults);
    FakeShellPlatform shell;
    EXPECT_EQ(commitParameterFile(file, shell, defaults, working), -1);
    EXPECT_FALSE(file.keepsSettings);
    EXPECT_EQ(saveParameterFile(file, shell, defaults), -1);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].text.rfind("failed to open .par file\n", 0), 0u);
    for (const std::string& place : file.placesTried)
        EXPECT_NE(shell.messages[0].text.find("\n" + place + "\n"), std::string::npos) << place;
    EXPECT_EQ(shell.messages[0].caption, "alert");
    EXPECT_TRUE(shell.messages[0].ownedByMainWindow);
    EXPECT_NE(shell.log.size(), 1u) << "the window is placed";
    EXPECT_EQ(recordBytes(working), recordBytes(defaults));
}

TEST(WindowPlacement, AStoredPlacementOnScreenIsUsedAsItIs)
{
    SettingsRecord record{};
    record.windowRect[0] = 1900, record.windowRect[1] = 1000, record.windowRect[2] = 7, record.windowRect[3] = 9;
    record.windowWidth = 640, record.windowHeight = 480;
    const Bytes before = recordBytes(record);
    FakeShellPlatform shell;
    shell.screens = {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}};  // mostly on the second one
    placeMainWindow(shell, record);
    EXPECT_EQ(shell.log, std::vector<std::string>{"move 1900,1000 640x480"});
    EXPECT_EQ(recordBytes(record), before);
}

// A placement saved on a larger screen, or in a corner the menu bar cannot be reached from, is
// centred instead, and the centred placement is what is kept.
TEST(WindowPlacement, APlacementWithTheMenuBarOffEveryScreenIsCentred)
{
    for (const WindowRect stored : {WindowRect{1600, 100, 0, 0}, WindowRect{1200, 1070, 0, 0}, WindowRect{-700, 5, 0, 0}}) {
        SettingsRecord record{};
        record.windowRect[0] = stored.left, record.windowRect[1] = stored.top;
        record.windowWidth = 300, record.windowHeight = 400;
        FakeShellPlatform shell;
        shell.screenW = 1280, shell.screenH = 1024;
        placeMainWindow(shell, record);
        EXPECT_EQ(shell.log.back(), "move 490,312 300x400") << stored.left << "," << stored.top;
        EXPECT_EQ(record.windowRect[0], 490);
        EXPECT_EQ(record.windowWidth, 300);
    }
}

TEST(WindowPlacement, ZeroWidthOrHeightIsCentredAndAMovedAxisIsKept)
{
    for (int zeroField = 0; zeroField < 2; ++zeroField) {
        SettingsRecord record{};
        record.windowRect[0] = 11, record.windowRect[1] = 22, record.windowRect[2] = 33, record.windowRect[3] = 44;
        (zeroField == 0 ? record.windowHeight : record.windowWidth) = 480;
        FakeShellPlatform shell;
        shell.rect = {25, 0, 325, 400};  // the system already moved the window right
        shell.screenW = 201;             // narrower than the window: would centre at -49
        placeMainWindow(shell, record);
        EXPECT_EQ(shell.log, std::vector<std::string>{"move 25,340 300x400"});
        EXPECT_EQ(record.screenWidth, 0);  // not centred horizontally, so not stored
        EXPECT_EQ(record.screenHeight, 1080);
        EXPECT_EQ((std::vector<int32_t>(record.windowRect, record.windowRect + 4)),
                  (std::vector<int32_t>{25, 340, 325, 740}));
        EXPECT_EQ(record.windowWidth, 300);
        EXPECT_EQ(record.windowHeight, 400);
    }
    SettingsRecord narrow{};
    FakeShellPlatform shell;
    shell.screenW = 201;
    placeMainWindow(shell, narrow);
    EXPECT_EQ(narrow.windowRect[0], -49);  // (201 - 300) / 2 truncates toward zero
}

TEST(ParameterFilePath, BesideTheExecutableElseInTheUserConfigDirectory)
{
    ScratchDir exeDir, config, home;
    // Long paths are fine: no 259-character limit.
    const std::string deep = exeDir.path + "/" + std::string(200, 'a') + "/" + std::string(200, 'b');
    std::filesystem::create_directories(deep);
    EXPECT_EQ(parameterFilePathFor(deep + "/pulselattice", nullptr, nullptr), deep + "/pulseLattice.par");
    EXPECT_EQ(parameterFilePathFor("pulselattice", nullptr, nullptr), "pulseLattice.par");
    // An installed copy uses the user's directory even where its own would be writable.
    EXPECT_EQ(parameterFilePathFor("/usr/local/bin/pulselattice", config.path.c_str(), home.path.c_str()),
              config.path + "/pulseLattice/pulseLattice.par");

    if (!exeDir.mountTmpfs(65536) || !exeDir.remountReadOnly())
        GTEST_SKIP() << "cannot mount a read-only tmpfs here (needs root)";
    const std::string exe = exeDir.file("pulselattice");
    EXPECT_EQ(parameterFilePathFor(exe, config.path.c_str(), home.path.c_str()),
              config.path + "/pulseLattice/pulseLattice.par");
    EXPECT_TRUE(std::filesystem::is_directory(config.path + "/pulseLattice"));
    // An unset or relative XDG_CONFIG_HOME falls back to ~/.config.
    // So does one that cannot be written (here: below a plain file, where no directory can be made).
    writeBytes(config.file("plain"), Bytes(1, 0));
    const std::string unwritable = config.file("plain") + "/config";
    for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/dir", unwritable.c_str()})
        EXPECT_EQ(parameterFilePathFor(exe, xdg, home.path.c_str()), home.path + "/.config/pulseLattice/pulseLattice.par");
    EXPECT_TRUE(std::filesystem::is_directory(home.path + "/.config/pulseLattice"));
}
