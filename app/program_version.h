// The program's version, "major.minor.patch", as the build's project version sets it.
#pragma once

extern const char* const kProgramVersion;
