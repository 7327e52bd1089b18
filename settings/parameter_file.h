// The parameter file: a 12-byte header block and DefaultSettings, read at start and written at
// start and at close; and the main window's placement from the stored rectangle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings_record.h"

class ShellPlatform;

inline constexpr const char* kParameterFileName = "pulseLattice.par";
inline constexpr size_t kParameterHeaderSize = 12;
inline constexpr size_t kParameterFileSize = kParameterHeaderSize + sizeof(SettingsRecord);  // 388

struct ParameterFile {
    std::string path;                        // full path of pulseLattice.par
    uint8_t header[kParameterHeaderSize] = {};  // carried through unchanged; zeros when no file was read
    bool opened = false;                     // loadParameterFile found a file it could open
};

// Where the file lives for an executable at `executablePath`: beside it when that directory can be
// written and is not under /usr (an installed copy), otherwise in `$XDG_CONFIG_HOME/pulseLattice/`
// (else `~/.config/pulseLattice/`), which is created when missing.
std::string parameterFilePathFor(const std::string& executablePath);
// The same with the two environment values given (null or empty: unset).
std::string parameterFilePathFor(const std::string& executablePath, const char* xdgConfigHome, const char* home);

// Reads the header and then the record from `file.path`; a short file fills what it can and leaves
// the rest as it was, a missing one reads nothing and reports nothing. Values are not checked.
void loadParameterFile(ParameterFile& file, SettingsRecord& defaults);

// The program's own reading at start: as loadParameterFile, but a damaged file (shorter than 388
// bytes, or not a regular file) counts as missing, so the built-in defaults are used; it is first
// moved aside to `<path>.bad`, never silently destroyed.
void loadParameterFileAtStart(ParameterFile& file, SettingsRecord& defaults);

// Where a damaged parameter file is kept.
std::string damagedParameterFilePath(const std::string& path);

// The 388 bytes: header, then the record. False when the file could not be written whole; the old
// file is then unchanged.
bool writeParameterFile(const ParameterFile& file, const SettingsRecord& defaults);

// Writes the file, places the main window and copies defaults into working. 0, or -1 after the
// "failed to open .par file" box when the file cannot be written (nothing placed or copied then).
int commitParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults, SettingsRecord& working);

// Stores the window rectangle in defaults and writes the file. 0 or -1 (after the box).
int saveParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults);

// Moves the main window to the stored placement, or centres it and stores the placement. A stored
// placement whose menu bar would be off every screen is replaced by a centred one.
void placeMainWindow(ShellPlatform& shell, SettingsRecord& record);

// The strip at the top of the window that must lie on one screen for the window to be reachable:
// its full height, and this much of its width (or all of a narrower window), in pixels.
inline constexpr int32_t kReachableMenuBarHeight = 24;
inline constexpr int32_t kReachableMenuBarWidth = 100;
struct WindowRect;
bool menuBarOnAScreen(int32_t left, int32_t top, int32_t width, const std::vector<WindowRect>& screens);
