// Template of the "controls" dialog (122): the actions a controller can run and MIDI learn.
#pragma once

#include "resources/dialog_template.h"

inline constexpr int kControlsActionListId = 221;   // the actions, in ControlAction order
inline constexpr int kControlsBindingTextId = 222;  // the chosen action's control, or "not bound"
inline constexpr int kControlsLearnId = 223;        // binds the next control moved
inline constexpr int kControlsForgetId = 224;       // removes the chosen action's binding
// The group "OSC", below the MIDI group.
inline constexpr int kControlsOscOnId = 230;       // check box: the OSC server runs
inline constexpr int kControlsOscPortId = 231;     // edit: its UDP port, 1-65535
inline constexpr int kControlsOscNetworkId = 232;  // check box: accept from the network, not only this machine

const DialogTemplate& controlsDialogTemplate();
