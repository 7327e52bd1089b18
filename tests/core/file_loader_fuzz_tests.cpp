// Random and truncated parameter and setting files: no crash, no undefined behaviour, and the
// short-file rule holds for every length. Also run under AddressSanitizer+UBSan.
#include <gtest/gtest.h>

#include <random>

#include "app/midi_setting_commands.h"
#include "app/parameter_file_commands.h"
#include "engine/player_state.h"
#include "engine/recording_backend.h"
#include "engine/virtual_clock.h"
#include "fake_shell_platform.h"
#include "file_test_support.h"
#include "settings/defaults.h"
#include "settings/midi_setting_file.h"
#include "settings/parameter_file.h"
#include "tools/render_settings.h"

namespace {

// Records moves without doing arithmetic on whatever a damaged file holds.
class PlainShell : public FakeShellPlatform {
public:
    void moveWindow(int32_t left, int32_t top, int32_t width, int32_t height) override
    {
        moves.push_back({left, top, width, height});
    }
    std::vector<std::array<int32_t, 4>> moves;
};

struct NoReporter : ErrorReporter {
    void showError(const std::string&) override {}
};

// A valid file cut at a random length, or random bytes of a random length up to past the end.
Bytes fuzzContent(std::mt19937& rng, const Bytes& valid)
{
    const size_t length = std::uniform_int_distribution<size_t>(0, valid.size() + 40)(rng);
    Bytes content(length);
    const bool truncated = rng() % 2 == 0;
    for (size_t i = 0; i < length; ++i)
        content[i] = truncated && i < valid.size() ? valid[i] : static_cast<uint8_t>(rng());
    return content;
}

}  // namespace

TEST(FileLoaderFuzz, ParameterFilesOfEveryLengthAndContent)
{
    ScratchDir dir;
    dir.mountTmpfs(1 << 20);  // where allowed: the thousands of synced writes then cost nothing
    std::mt19937 rng(20240517);
    Bytes valid(388, 0);
    SettingsRecord defaults{};
    fillBuiltInDefaults(defaults);
    std::memcpy(valid.data() + 12, &defaults, 376);

    for (int round = 0; round < 2000; ++round) {
        const Bytes content = fuzzContent(rng, valid);
        writeBytes(dir.file("f.par"), content);
        ParameterFile file{dir.file("f.par")};
        SettingsRecord record;
        std::memset(&record, 0xC3, sizeof record);
        loadParameterFile(file, record);
        ASSERT_TRUE(file.opened);

        // Every byte comes from the file where it has one and keeps its old value elsewhere.
        Bytes image(388);
        std::memcpy(image.data(), file.header, 12);
        std::memcpy(image.data() + 12, &record, 376);
        for (size_t i = 0; i < 388; ++i)
            ASSERT_EQ(image[i], i < content.size() ? content[i] : (i < 12 ? 0 : 0xC3)) << "length " << content.size();

        PlainShell shell;
        SettingsRecord working{};
        ASSERT_EQ(commitParameterFile(file, shell, record, working), 0);
        ASSERT_EQ(shell.moves.size(), 1u);

        RenderOptions options;
        options.settingsFile = file.path;
        std::string error;
        ASSERT_TRUE(buildRenderSettings(options, record, error)) << error;
    }
}

TEST(FileLoaderFuzz, MidiSettingFilesOfEveryLengthAndContent)
{
    ScratchDir dir;
    dir.mountTmpfs(1 << 20);
    std::mt19937 rng(7);
    VirtualClock clock;
    RecordingBackend backend(clock);
    NoReporter reporter;
    PlayerState player;
    player.port.backend = &backend;
    player.port.reporter = &reporter;
    backend.open(-1);
    const Bytes valid(192, 0x40);

    for (int round = 0; round < 2000; ++round) {
        const Bytes content = fuzzContent(rng, valid);
        writeBytes(dir.file("f.gms"), content);
        SettingsRecord working;
        std::memset(&working, 0xC3, sizeof working);
        working.playState = Idle;
        working.noteOffset = 0x7FFFFFFF;  // would overflow if the offsets were still added
        PlainShell shell;
        shell.nextFileName = dir.file("f.gms");
        backend.messages.clear();
        restoreMidiSettingFile(shell, working, player);

        const auto* tables = reinterpret_cast<const uint8_t*>(working.tones);
        for (size_t i = 0; i < 192; ++i)
            ASSERT_EQ(tables[i], i < content.size() ? content[i] : 0xC3) << "length " << content.size();
        ASSERT_EQ(backend.messages.size(), 16u);
        for (int c = 0; c < 16; ++c)
            ASSERT_EQ(backend.messages[c].data1(), static_cast<uint8_t>(working.tones[c]));

        RenderOptions options;
        options.voicesFile = shell.nextFileName;
        std::string error;
        ASSERT_TRUE(buildRenderSettings(options, working, error)) << error;
    }
}
