// Whole-file reads and crash-safe whole-file writes (temporary file, fsync, rename). POSIX only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Replaces the file at `path` with `bytes`: they go to a temporary file in the same directory,
// which is flushed to disk and renamed over the old file. False when any step fails; the
// temporary file is then removed and the old file (if any) is left exactly as it was.
bool writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

// Opens `path` for reading and reads up to `buffer.size()` bytes from its start, stopping early at
// the end of the file or at a read error. Returns -1 when the file cannot be opened (or is a
// directory), else the number of bytes read.
int64_t readFilePrefix(const std::string& path, std::span<uint8_t> buffer);
