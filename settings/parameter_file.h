// The parameter file: a 12-byte header block and DefaultSettings, read at start and written at
// start and at close; and the main window's placement from the stored rectangle.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings_record.h"

class ShellPlatform;

inline constexpr const char* kParameterFileName = "pulseLattice.par";
inline constexpr size_t kParameterFileSize = 388;

struct ParameterFile {
    std::string path;              // full path of pulseLattice.par
    uint8_t header[12] = {};       // carried through unchanged; zeros when no file was read
    bool opened = false;           // loadParameterFile found a file it could open
};

// Where the file lives for an executable at `executablePath`: beside it when that directory can be
// written, otherwise in the per-user configuration directory.
std::string parameterFilePathFor(const std::string& executablePath);

// Reads the header and then the record from `file.path`; a short file fills what it can, a missing
// one reads nothing and reports nothing.
void loadParameterFile(ParameterFile& file, SettingsRecord& defaults);

// Writes the file, places the main window and copies defaults into working. 0, or -1 after the
// "failed to open .par file" box when the file cannot be written.
int commitParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults, SettingsRecord& working);

// Stores the window rectangle in defaults and writes the file. 0 or -1 (after the box).
int saveParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults);

// Moves the main window to the stored placement, or centres it and stores the placement.
void placeMainWindow(ShellPlatform& shell, SettingsRecord& record);
