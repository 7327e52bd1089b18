// Opening a voice set (.gms) from outside the window: named on the command line, or handed over
// by a second start while this copy runs (a file manager's double-click). UI thread only.
#pragma once

#include <string>

#include "app/app_context.h"

// Restores the voice set at `path` as Restore does, with Restore's box when the file cannot be
// read. While Playing it waits: a box says it will be restored after Stop, and Stop restores it
// (a later one replaces one still waiting).
void openVoiceSet(AppContext& app, const std::string& path);

// Called by Stop: restores the voice set that waited for it, if any.
void restoreVoiceSetAfterStop(AppContext& app);
