// Export (command 302): writes the rhythm as it is set now to a MIDI file, WAV audio or a message
// list, exactly as pulselattice-render would with the same settings and length. UI thread.
#pragma once

#include <string>

#include "app/app_context.h"

// In Ready and Playing: asks for the length and the file, then renders a copy of the working
// settings on a worker thread (the player is never touched) and writes the file atomically. The
// layers silenced when Export starts are left out; the run starts from the beginning, or from the
// counters where Play would go on when the dialog says so.
// A failure is shown in a box with caption "error"; Cancel leaves no file. The end is noted on
// the main window's status: where the file went, or that it was cancelled.
void exportRhythm(AppContext& app);

// `path` with the extension of filter `filter` (0 .mid, 1 .wav, 2 .txt) added when it ends in
// none of the three.
std::string withExportExtension(const std::string& path, int filter);
