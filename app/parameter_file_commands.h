// The parameter file's two moments with the window: committed at start-up, saved at close.
#pragma once

#include "settings/parameter_file.h"
#include "settings/settings_record.h"

class ShellPlatform;

// Writes the file, places the main window and copies defaults into working. 0, or -1 after the
// "failed to open .par file" box when the file cannot be written (nothing placed or copied then).
int commitParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults, SettingsRecord& working);

// Stores the window rectangle in defaults and writes the file. 0 or -1 (after the box).
int saveParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults);
