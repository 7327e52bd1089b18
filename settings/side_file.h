// The small files beside the parameter file that keep what its fixed layout has no room for (the
// port's name, the Link switches, the lattice window and mutes): where each lives, and how it is
// written, so that every failed write leaves the same trace.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The file called `name` in the parameter file's directory.
std::string sideFilePath(const std::string& parameterFilePath, const char* name);

// The first `limit` bytes of the file at `path`, as text; nothing when it is missing, unreadable
// or empty (all of which read as defaults).
std::optional<std::string> readSideFile(const std::string& path, size_t limit);

// Replaces the file at `path` with `text` atomically. When that fails the old file stays, a
// diagnostic line says "cannot keep the <what> in '<path>'", and the result is false.
bool writeSideFile(const std::string& path, const std::string& text, const char* what);

// Removes the file at `path` (a missing one counts as removed); a failure is logged as above.
bool removeSideFile(const std::string& path, const char* what);
