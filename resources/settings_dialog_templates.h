// Templates of the settings dialogs: concept (2000), durations and offsets (1000), voice tables
// (3000 tones, 4000 notes, 5000 velocities).
#pragma once

#include "resources/dialog_template.h"

const DialogTemplate& conceptDialogTemplate();
const DialogTemplate& durationsDialogTemplate();
// baseId 3000, 4000 or 5000; nullptr for any other id.
const DialogTemplate* voiceTableDialogTemplate(int baseId);
