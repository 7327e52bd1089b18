// Where the parameter file lives: beside the executable, or in the user's configuration directory.
#pragma once

#include <string>
#include <vector>

// For an executable at `executablePath`: beside it when that directory can be written and is not
// under /usr (an installed copy), otherwise in `$XDG_CONFIG_HOME/pulseLattice/` (else, or when
// that cannot be written, `~/.config/pulseLattice/`), which is created when missing.
std::string parameterFilePathFor(const std::string& executablePath);
// The same with the two environment values given (null or empty: unset).
std::string parameterFilePathFor(const std::string& executablePath, const char* xdgConfigHome, const char* home);

// Every place the file may be kept, in the order they are tried: beside the executable (unless
// under /usr), then the configuration directories. For telling the user where no file could be written.
std::vector<std::string> parameterFilePlaces(const std::string& executablePath);
std::vector<std::string> parameterFilePlaces(const std::string& executablePath, const char* xdgConfigHome,
                                             const char* home);
