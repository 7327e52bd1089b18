// The settings a render starts from: built-in defaults, then the files, then the options.
#pragma once

#include <string>

#include "settings/settings_record.h"
#include "tools/render_options.h"

// False with a one-line `error` when a file named by an option cannot be read.
bool buildRenderSettings(const RenderOptions& options, SettingsRecord& settings, std::string& error);
