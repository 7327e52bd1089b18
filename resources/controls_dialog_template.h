// Template of the "controls" dialog (122): the actions a controller can run and MIDI learn.
#pragma once

#include "resources/dialog_template.h"

inline constexpr int kControlsActionListId = 221;   // the actions, in ControlAction order
inline constexpr int kControlsBindingTextId = 222;  // the chosen action's control, or "not bound"
inline constexpr int kControlsLearnId = 223;        // binds the next control moved
inline constexpr int kControlsForgetId = 224;       // removes the chosen action's binding
// Ids 230..239 are kept for the group "OSC": it goes below the MIDI group (from y = 96), and the
// two buttons and the dialog's height move down by its height.
inline constexpr int kControlsFirstOscId = 230;

const DialogTemplate& controlsDialogTemplate();
