// The window program's command line, answered before Qt starts: --help, --version, unknown options.
#pragma once

#include <optional>

// The exit status when the arguments ask for the usage or the version or hold an unknown option;
// nothing when the program should start. Qt's own options (-platform, -style, ...) pass through
// for QApplication to read. Opens no window and touches no file.
std::optional<int> answerWindowCommandLine(int argc, char** argv);
