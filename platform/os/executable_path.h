// The full path of the running executable, as the operating system reports it.
#pragma once

#include <string>

// Empty when the system cannot tell; the parameter file is then looked for in the current
// directory.
std::string executablePath();
