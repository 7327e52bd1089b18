// The shared command-line check: --help, --version, unknown options and options passed through.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/program_version.h"

namespace {

constexpr std::array kToolkit = {
    PassThroughOption{"platform", true, false},
    PassThroughOption{"style", true, true},
    PassThroughOption{"reverse", false, false},
};

CommandLineCheck check(const std::vector<std::string>& args)
{
    return checkCommandLine(args, kToolkit);
}

TEST(CommandLine, HelpAndVersionAreFoundAmongPassedThroughOptions)
{
    EXPECT_EQ(check({}).action, CommandLineAction::Run);
    EXPECT_EQ(check({"--help"}).action, CommandLineAction::ShowHelp);
    EXPECT_EQ(check({"-h"}).action, CommandLineAction::ShowHelp);
    EXPECT_EQ(check({"--version"}).action, CommandLineAction::ShowVersion);
    EXPECT_EQ(check({"-platform", "offscreen", "--style=Fusion", "-reverse", "--version"}).action,
              CommandLineAction::ShowVersion);
    EXPECT_EQ(check({"--platform", "offscreen", "-style", "Fusion"}).action, CommandLineAction::Run);
}

TEST(CommandLine, APassedThroughOptionsValueIsNeverReadAsAnOption)
{
    // "-style --help" gives the style the name "--help"; the toolkit reads it, not we.
    EXPECT_EQ(check({"-style", "--help"}).action, CommandLineAction::Run);
    EXPECT_EQ(check({"-platform", "--bogus"}).action, CommandLineAction::Run);
    // A flag eats nothing: what follows is read.
    EXPECT_EQ(check({"-reverse", "--version"}).action, CommandLineAction::ShowVersion);
}

TEST(CommandLine, UnknownOptionsAreNamedAsGivenAndTheFirstProblemDecides)
{
    for (const std::string option : {"--bogus", "-x", "--helpme", "-version", "--platform=xcb", "-reverse=1", "---help"}) {
        const CommandLineCheck result = check({option});
        EXPECT_EQ(result.action, CommandLineAction::UnknownOption) << option;
        EXPECT_EQ(result.option, option);
    }
    EXPECT_EQ(check({"--bogus", "--help"}).action, CommandLineAction::UnknownOption);
    EXPECT_EQ(check({"--help", "--bogus"}).action, CommandLineAction::ShowHelp);
}

TEST(CommandLine, ArgumentsThatAreNotOptionsAndEverythingAfterTheDoubleDashAreLeftAlone)
{
    EXPECT_EQ(check({"file.gms", "-", ""}).action, CommandLineAction::Run);
    EXPECT_EQ(check({"--", "--bogus", "--help"}).action, CommandLineAction::Run);
}

TEST(CommandLine, VersionLineAndHintNameTheProgram)
{
    EXPECT_EQ(versionLine("pulselattice"), std::string("pulselattice ") + kProgramVersion + "\n");
    EXPECT_TRUE(std::string(kProgramVersion).find_first_not_of("0123456789.") == std::string::npos &&
                std::count(kProgramVersion, kProgramVersion + std::string(kProgramVersion).size(), '.') == 2)
        << kProgramVersion;
    EXPECT_EQ(usageHint("pulselattice-render"), "Try 'pulselattice-render --help' for more information.\n");
}

}  // namespace
