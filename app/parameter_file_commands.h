// The parameter file's two moments with the window: committed at start-up, saved at close.
#pragma once

#include "settings/parameter_file.h"
#include "settings/settings_record.h"

class ShellPlatform;

// Writes the file, places the main window and copies defaults into working. 0, or -1 when the
// file cannot be written: one "failed to open .par file" box then lists the places tried, the
// window is placed and the settings copied all the same, and the run goes on without saving
// (`keepsSettings` false).
int commitParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults, SettingsRecord& working);

// Stores the window rectangle in defaults and writes the file. 0 or -1 (after the box, unless
// `report` is false; silently when the file could not be written at start-up).
int saveParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults, bool report = true);
