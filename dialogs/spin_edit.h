// The spin-edit behaviour run on every notification of the concept and durations dialogs.
#pragma once

#include <cstdint>

#include "dialogs/controls.h"

// Reads the edit's text into `value`. When the notification is a step request of the edit's spin
// (edit id + 10), a negative delta (up arrow) adds 1 below `maximum`, a positive delta subtracts
// 1 above `minimum`, and the edit is rewritten with "%d" whether or not the value changed.
void followIntegerSpin(Controls& controls, int editId, int32_t& value, int32_t minimum,
                       int32_t maximum, int fromId, bool isStep, int delta);

// The same for the numeral edit: steps of 1.0 while below 4.0 (up) or above 1.0 (down), so it may
// leave 1.0 to 4.0 by less than a step; rewritten with "%11.6lf". `spinActive` is false while the
// edit is disabled, when its spin does nothing.
void followNumeralSpin(Controls& controls, int editId, double& numeral, bool spinActive, int fromId,
                       bool isStep, int delta);
