#include "app/command_line.h"

#include <unistd.h>

#include <cstdint>

#include "app/program_version.h"
#include "settings/atomic_file.h"

namespace {

bool writeText(int fd, std::string_view text)
{
    return writeAll(fd, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

const PassThroughOption* findOption(std::string_view name, std::span<const PassThroughOption> options)
{
    for (const PassThroughOption& option : options)
        if (option.name == name)
            return &option;
    return nullptr;
}

}  // namespace

CommandLineCheck checkCommandLine(const std::vector<std::string>& args, std::span<const PassThroughOption> passThrough)
{
    CommandLineCheck run;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h")
            return {CommandLineAction::ShowHelp, {}, {}};
        if (arg == "--version")
            return {CommandLineAction::ShowVersion, {}, {}};
        if (arg == "--") {
            run.operands.insert(run.operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            run.operands.push_back(arg);
            continue;
        }
        std::string_view name(arg);
        name.remove_prefix(name.starts_with("--") ? 2 : 1);
        const size_t equals = name.find('=');
        const PassThroughOption* option = findOption(name.substr(0, equals), passThrough);
        if (option && equals == std::string_view::npos) {
            if (option->takesValue)
                ++i;  // its value, whatever it looks like
            continue;
        }
        if (option && option->acceptsEquals)
            continue;
        return {CommandLineAction::UnknownOption, arg, {}};
    }
    return run;
}

std::string versionLine(std::string_view program)
{
    return std::string(program) + " " + kProgramVersion + "\n";
}

std::string usageHint(std::string_view program)
{
    return "Try '" + std::string(program) + " --help' for more information.\n";
}

int answerCommandLine(const CommandLineCheck& check, std::string_view program, std::string_view usage)
{
    switch (check.action) {
    case CommandLineAction::Run:
        return 0;
    case CommandLineAction::ShowHelp:
        return writeText(STDOUT_FILENO, usage) ? 0 : 1;
    case CommandLineAction::ShowVersion:
        return writeText(STDOUT_FILENO, versionLine(program)) ? 0 : 1;
    case CommandLineAction::UnknownOption:
        writeText(STDERR_FILENO, std::string(program) + ": " + check.option + ": unknown option\n" + usageHint(program));
        return 2;
    }
    return 2;
}
