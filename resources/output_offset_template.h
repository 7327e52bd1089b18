// The output offset dialog's template (121): the output's name, its offset in ms with a spin.
#pragma once

#include "resources/dialog_template.h"

inline constexpr int kOutputOffsetNameId = 211;   // static text: the output's shown name
inline constexpr int kOutputOffsetEditId = 212;   // its spin is kOutputOffsetEditId + kSpinIdOffset
inline constexpr int kOutputOffsetLatencyId = 213;  // static text: what the output reports itself

const DialogTemplate& outputOffsetDialogTemplate();
