// Diagnostics for developers, and the rule for how the program tells anybody anything.
//
// How each kind of message travels:
// - What the user must know or act on is a message box, never the terminal:
//   - MIDI port failures (open, close, send) through the port's ErrorReporter: caption "error",
//     no owner window, shown once per failing port until it is opened again;
//   - parameter-file and MIDI-setting-file failures, and start-up's own boxes, through
//     ShellPlatform::showMessage ("alert" owned by the main window for the parameter file,
//     "error" without owner otherwise);
//   - a dialog's refusal of a typed value through its Controls::messageBox, over the dialog.
// - What only helps a developer find a cause (a library's complaint, which port was tried) goes to
//   logDiagnostic, and from there to stderr. The user-facing box names the cause itself.
// - The render tool is a command-line program: its errors are one line on stderr and an exit
//   status, written by the tool itself.
#pragma once

#include <string>

// One line "pulselattice: <text>" on stderr. Any thread; lines never interleave.
void logDiagnostic(const std::string& text);
