// The settings a render starts from: built-in defaults, then the files, then the options.
#pragma once

#include <string>

#include "settings/settings_record.h"
#include "tools/render_options.h"

// False with a one-line `error` when a file named by an option cannot be read.
bool buildRenderSettings(const RenderOptions& options, SettingsRecord& settings, std::string& error);

// Checks the values a render takes as the concept dialog's Okay checks them: the numeral 1 to 4
// (a preset position gives its exact value), tempo 32 to 192, 1 to 8 layers, durations 192 to
// 480 ms, and the note, velocity and modulation offsets within the bounds the dialogs compute from
// the note and velocity tables in use (after a --voices file, as after Restore, only the offsets
// given as options). False with a one-line `error` naming the option that set the first bad
// value, or "--settings" and the field when it came from the parameter file.
bool checkRenderSettings(const RenderOptions& options, const SettingsRecord& settings, std::string& error);
