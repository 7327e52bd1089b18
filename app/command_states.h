// What the main window shows of the play state: which commands are enabled, and the caption.
#pragma once

#include <cstdint>
#include <string>

#include "app/shell_platform.h"

// Menu items first, then buttons, each in the order 311, 312, 313, 314, 315..319, then the menu
// item of Export (on in Ready and Playing). A state other than Idle, Ready or Playing changes nothing.
void updateCommandStates(ShellPlatform& shell, int32_t state);

// While an Export runs: every command of the play state off but Stop (as the state has it), and
// Export and Rewind off; Exit and Lattice stay on.
void disableWhileExporting(ShellPlatform& shell, int32_t state);

// The caption after an accepted concept: "pulseLattice -- " and the numeral as "%25.20lf".
std::string captionForNumeral(double numeral);
