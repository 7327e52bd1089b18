// The main window's commands: what each button, menu item and accelerator does.
#pragma once

#include "app/app_context.h"

// Handles a command from a button, menu item or accelerator. Returns 1 for the Exit button and for
// a Play that starts playback, 0 otherwise (also for ids it does not handle).
int dispatchCommand(AppContext& app, int commandId);
