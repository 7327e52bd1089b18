// Writes that fail (read-only directory, full disk, file size limit) are reported and leave the
// previous file byte for byte, with no temporary file behind.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "app/midi_setting_commands.h"
#include "app/parameter_file_commands.h"
#include "fake_shell_platform.h"
#include "file_test_support.h"
#include "settings/atomic_file.h"
#include "settings/defaults.h"
#include "settings/lattice_placement.h"
#include "settings/midi_setting_file.h"
#include "settings/parameter_file.h"
#include "settings/port_name_file.h"
#include "settings/session_switches.h"
#include "settings/side_file.h"

namespace {

const Bytes kOldPar(388, 0x5A);
const Bytes kOldGms(192, 0x6B);

// Saves both kinds of file over the old ones and checks that each failure was reported.
void expectFailedSavesKeepOldFiles(ScratchDir& dir)
{
    ParameterFile file{dir.file("pulseLattice.par")};
    SettingsRecord record{};
    fillBuiltInDefaults(record);
    FakeShellPlatform shell;
    shell.nextFileName = dir.file("voices.gms");

    EXPECT_EQ(saveParameterFile(file, shell, record), -1);
    saveMidiSettingFile(shell, record);
    ASSERT_EQ(shell.messages.size(), 2u);
    EXPECT_EQ(shell.messages[0].text, "failed to open .par file");
    EXPECT_EQ(shell.messages[1].text, "failed to save data to a file");
    EXPECT_EQ(readBytes(dir.file("pulseLattice.par")), kOldPar);
    EXPECT_EQ(readBytes(dir.file("voices.gms")), kOldGms);
}

void writeOldFiles(ScratchDir& dir)
{
    writeBytes(dir.file("pulseLattice.par"), kOldPar);
    writeBytes(dir.file("voices.gms"), kOldGms);
}

}  // namespace

TEST(FileWriteSafety, ReplacesTheWholeFileAndKeepsItsPermissions)
{
    ScratchDir dir;
    const std::string path = dir.file("f");
    writeBytes(path, Bytes(1000, 1));  // longer than what replaces it
    ::chmod(path.c_str(), 0640);
    const Bytes fresh(388, 2);
    ASSERT_TRUE(writeFileAtomically(path, fresh));
    EXPECT_EQ(readBytes(path), fresh);
    struct stat info {};
    ::stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(FileWriteSafety, ReadOnlyDirectory)
{
    ScratchDir dir;
    if (!dir.mountTmpfs(65536))
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    writeOldFiles(dir);
    ASSERT_TRUE(dir.remountReadOnly());
    expectFailedSavesKeepOldFiles(dir);
    EXPECT_EQ(dir.entryCount(), 2u);
}

TEST(FileWriteSafety, FullDisk)
{
    ScratchDir dir;
    if (!dir.mountTmpfs(4 * 4096))
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    writeOldFiles(dir);
    // Fill every remaining block.
    {
        std::ofstream filler(dir.file("filler"), std::ios::binary);
        const Bytes block(512, 0);
        for (int i = 0; i < 1000 && filler; ++i)
            filler.write(reinterpret_cast<const char*>(block.data()), block.size()), filler.flush();
    }
    expectFailedSavesKeepOldFiles(dir);
    EXPECT_EQ(dir.entryCount(), 3u);

    // With room again the same saves go through.
    std::filesystem::remove(dir.file("filler"));
    ParameterFile file{dir.file("pulseLattice.par")};
    SettingsRecord record{};
    FakeShellPlatform shell;
    EXPECT_EQ(saveParameterFile(file, shell, record), 0);
    EXPECT_EQ(readBytes(file.path).size(), 388u);
}

TEST(FileWriteSafety, EverySideFileThatCannotBeWrittenIsLogged)
{
    ScratchDir dir;
    const std::string missing = dir.file("gone/pulseLattice.par");  // a directory that is not there
    testing::internal::CaptureStderr();
    EXPECT_FALSE(savePortName(sideFilePath(missing, kPortNameFile), "JACK: synth:in"));
    EXPECT_FALSE(saveSessionSwitches(sideFilePath(missing, kSessionSwitchesFile), {true, false}));
    EXPECT_FALSE(saveLatticePlacement(sideFilePath(missing, kLatticePlacementFile), std::nullopt));
    const std::string log = testing::internal::GetCapturedStderr();
    const std::string gone = dir.file("gone/");
    EXPECT_EQ(log, "pulselattice: cannot keep the port name in '" + gone + "pulseLattice.port'\n"
                   "pulselattice: cannot keep the Link and clock switches in '" + gone + "pulseLattice.link'\n"
                   "pulselattice: cannot keep the lattice window's place and layer mutes in '" + gone +
                       "pulseLattice.lattice'\n");
}

TEST(FileWriteSafety, FileSizeLimitCutsTheWriteShort)
{
    ScratchDir dir;
    writeOldFiles(dir);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);  // get EFBIG instead of the signal
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    expectFailedSavesKeepOldFiles(dir);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(dir.entryCount(), 2u);
}
