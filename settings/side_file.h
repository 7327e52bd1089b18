// The small files beside the parameter file that keep what its fixed layout has no room for (the
// port's name, the Link switches, the lattice window and mutes): where each lives.
#pragma once

#include <string>

// The file called `name` in the parameter file's directory.
std::string sideFilePath(const std::string& parameterFilePath, const char* name);
