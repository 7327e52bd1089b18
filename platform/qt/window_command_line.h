// The window program's command line, answered before Qt starts: --help, --version, unknown
// options, a bad --osc-port; and the OSC port it asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The exit status when the arguments ask for the usage or the version or hold an unknown option;
// nothing when the program should start. Qt's own options (-platform, -style, ...) pass through
// for QApplication to read. Opens no window and touches no file.
std::optional<int> answerWindowCommandLine(int argc, char** argv);

// The voice set (.gms) named on the command line, as an absolute path; "" when none is named.
// Only the first file counts.
std::string voiceSetArgument(int argc, char** argv);

// The --osc-port the arguments give (already checked by answerWindowCommandLine); nothing without one.
std::optional<uint16_t> windowOscPort(int argc, char** argv);
