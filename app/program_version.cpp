#include "app/program_version.h"

// The build defines PULSELATTICE_VERSION from project(... VERSION ...), the one number that the
// package, the metadata and --version share.
#ifndef PULSELATTICE_VERSION
#error "PULSELATTICE_VERSION is set by CMakeLists.txt"
#endif

const char* const kProgramVersion = PULSELATTICE_VERSION;
