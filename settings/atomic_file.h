// Whole-file reads and crash-safe whole-file writes (temporary file, fsync, rename). POSIX only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

// Replaces the file at `path` with `bytes`: they go to a temporary file in the same directory,
// which is flushed to disk and renamed over the old file. False when any step fails; the
// temporary file is then removed and the old file (if any) is left exactly as it was.
bool writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

// A fresh name in the directory of `path` for a temporary file that will replace it; `suffix` is
// appended (some writers need the ending). No file is created.
std::string temporaryPathFor(const std::string& path, const std::string& suffix = "");

// Finishes a replacement written by someone else into `temporary` (a name from
// temporaryPathFor): flushes it to disk, gives it the permission bits of the file it replaces and
// renames it over `path`. False when any step fails; `temporary` is then removed and the old file
// left as it was.
bool commitTemporaryFile(const std::string& temporary, const std::string& path);

// A replacement written piece by piece, for files too large to build in memory first or to write
// in one go while someone may cancel: the pieces go to a temporary file in the target's directory
// (each piece's disk write is started at once and the one before it waited for, so little is left
// for the final flush), then commit() renames it over the target. An uncommitted temporary file is
// removed by abandon() or the destructor; the target is never touched before commit().
class StagedFile {
public:
    explicit StagedFile(std::string target) : target_(std::move(target)) {}
    ~StagedFile() { abandon(); }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    bool open();
    bool append(std::span<const uint8_t> bytes);
    // Flushes, keeps the replaced file's permission bits, renames. False (temporary removed) on failure.
    bool commit();
    void abandon();

private:
    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    int64_t written_ = 0;
    int64_t lastPieceStart_ = 0;
};

// Writes all of `bytes` to `fd`, going on after interruptions. False on any failure (a full disk,
// a closed pipe) or when no progress is made.
bool writeAll(int fd, std::span<const uint8_t> bytes);

// Opens `path` for reading and reads up to `buffer.size()` bytes from its start, stopping early at
// the end of the file or at a read error. Returns -1 when the file cannot be opened (or is a
// directory), else the number of bytes read.
int64_t readFilePrefix(const std::string& path, std::span<uint8_t> buffer);
