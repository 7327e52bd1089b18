// The output offsets as the user meets them: the "Output offset..." dialog of the Sound menu for
// the output in use, and the side file that keeps them. UI thread only.
#pragma once

#include "app/app_context.h"

// At start-up: the offsets from the side file beside the parameter file (none when it is missing
// or damaged); the open output takes its own at once.
void restoreOutputOffsets(AppContext& app);

// Command 327, in every state: the dialog for the open output (or, when none is open, the chosen
// device); Okay sets its offset at once, also while playing, and writes the side file.
void runOutputOffsetDialog(AppContext& app);
