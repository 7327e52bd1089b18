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

std::optional<uint16_t> oscPortOption(const std::vector<std::string>& args, std::string& error)
{
    std::optional<uint16_t> port;
    for (size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
        std::string_view arg(args[i]);
        if (!arg.starts_with("-"))
            continue;
        arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
        std::string value;
        if (arg == "osc-port")
            value = i + 1 < args.size() ? args[++i] : "";
        else if (arg.starts_with("osc-port="))
            value = arg.substr(9);
        else
            continue;
        const bool digits = !value.empty() && value.size() <= 5 && value.find_first_not_of("0123456789") == std::string::npos;
        const long number = digits ? std::stol(value) : 0;
        if (number < 1 || number > 65535) {
            error = "--osc-port wants a UDP port number 1-65535, not '" + value + "'";
            return std::nullopt;
        }
        port = static_cast<uint16_t>(number);
    }
    return port;
}
