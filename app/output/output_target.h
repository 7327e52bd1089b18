// Where an output file is really written, and whether the user may replace it.
#pragma once

#include <string>

// The file that writing `path` replaces: `path` itself, or for a symbolic link the file the chain
// of links finally names (the links stay links; a dangling link gets its file created). False
// with a one-line `error` when that file exists but may not be written: no write permission for
// this user, no write bit at all (a read-only file is refused even for root), or not a regular file.
bool resolveOutputTarget(const std::string& path, std::string& target, std::string& error);
