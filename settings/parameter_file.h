// The parameter file: a 12-byte header block and DefaultSettings, read at start and written at
// start and at close. Its format and its atomic write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings_record.h"

inline constexpr const char* kParameterFileName = "pulseLattice.par";
inline constexpr size_t kParameterHeaderSize = 12;
inline constexpr size_t kParameterFileSize = kParameterHeaderSize + sizeof(SettingsRecord);  // 388

struct ParameterFile {
    std::string path;                        // full path of pulseLattice.par
    uint8_t header[kParameterHeaderSize] = {};  // carried through unchanged; zeros when no file was read
    bool opened = false;                     // loadParameterFile found a file it could open
    std::vector<std::string> placesTried{};  // every place the program could keep it, for the user
    bool keepsSettings = true;               // false once it could not be written: the run goes on without saving
};

// Reads the header and then the record from `file.path`; a short file fills what it can and leaves
// the rest as it was, a missing one reads nothing and reports nothing. Values are not checked.
void loadParameterFile(ParameterFile& file, SettingsRecord& defaults);

// The program's own reading at start: as loadParameterFile, but a damaged file (shorter than 388
// bytes, or not a regular file) counts as missing, so the built-in defaults are used; it is first
// moved aside to `<path>.bad`, never silently destroyed.
void loadParameterFileAtStart(ParameterFile& file, SettingsRecord& defaults);

// What lies at a parameter file's path. Damaged: there is something, but not a whole file (a
// regular file, after links, of at least 388 bytes): empty, truncated, a FIFO, a directory.
enum class ParameterFileState { Missing, Damaged, Whole };
ParameterFileState parameterFileState(const std::string& path);

// Where a damaged parameter file is kept.
std::string damagedParameterFilePath(const std::string& path);

// The 388 bytes: header, then the record. False when the file could not be written whole; the old
// file is then unchanged.
bool writeParameterFile(const ParameterFile& file, const SettingsRecord& defaults);
