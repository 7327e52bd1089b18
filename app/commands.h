// The main window's commands and the enabling of its menu items and buttons by play state.
#pragma once

#include <cstdint>
#include <string>

#include "app/app_context.h"

// Menu items first, then buttons, each in the order 311, 312, 313, 314, 315..319, then the menu
// item of Export (on in Ready and Playing). A state other than Idle, Ready or Playing changes nothing.
void updateCommandStates(ShellPlatform& shell, int32_t state);

// Handles a command from a button, menu item or accelerator. Returns 1 for the Exit button and for
// a Play that starts playback, 0 otherwise (also for ids it does not handle).
int dispatchCommand(AppContext& app, int commandId);

// The caption after an accepted concept: "pulseLattice -- " and the numeral as "%25.20lf".
std::string captionForNumeral(double numeral);
