// The command-line conventions both programs share: --help, --version and the unknown option.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class CommandLineAction {
    Run,            // nothing for us: start as usual
    ShowHelp,       // --help or -h
    ShowVersion,    // --version
    UnknownOption,  // an option nobody reads
};

struct CommandLineCheck {
    CommandLineAction action = CommandLineAction::Run;
    std::string option;  // the unknown option as given
    std::vector<std::string> operands{};  // the arguments that are not options, in order (Run only)
};

// An option that another part reads, such as a toolkit's own: it passes through untouched. Given
// with one or two leading dashes; `takesValue` means it eats the next argument, `acceptsEquals`
// that "-name=value" is also meant.
struct PassThroughOption {
    std::string_view name;  // without dashes
    bool takesValue = false;
    bool acceptsEquals = false;
};

// Reads the arguments after the program name in order; the first of --help, --version or an
// unknown option decides. Arguments that are not options ("-" included) are left to the program as
// operands, and so is everything after "--".
CommandLineCheck checkCommandLine(const std::vector<std::string>& args, std::span<const PassThroughOption> passThrough);

// "pulselattice 2.0.0": the program's name and version.
std::string versionLine(std::string_view program);

// The line after an unknown option: where the usage is.
std::string usageHint(std::string_view program);

// Answers a check that is not Run: the usage or the version to standard output (status 0, or 1
// when standard output cannot be written), or one line naming the option and the usage hint to
// standard error (status 2).
int answerCommandLine(const CommandLineCheck& check, std::string_view program, std::string_view usage);

// The window program's "--osc-port N" or "--osc-port=N" (the last one given counts): the OSC
// server runs on UDP port N (1-65535) for this run, whatever its settings say. Nothing when the
// option is absent; nothing with `error` set when its value is not such a port.
std::optional<uint16_t> oscPortOption(const std::vector<std::string>& args, std::string& error);
