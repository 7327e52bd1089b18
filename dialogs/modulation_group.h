// The modulation group shared by the concept and the durations and offsets dialogs.
#pragma once

#include <cstdint>

#include "dialogs/controls.h"

// Enables (on) or disables the modulation note and velocity offset edits with their spins and the
// layer and tone lists. The check box and the labels stay enabled.
void enableModulationGroup(Controls& controls, bool on);

// Fills the layer list with "2" to "8" and the tone list with "alpha" and "beta", and selects
// layerChoice (index 0 is "2") and toneChoice.
void fillModulationLists(Controls& controls, int32_t layerChoice, int32_t toneChoice);

struct SettingsRecord;

// Copies modulationEnabled and, when modulation is on in `from`, the two modulation offsets, the
// layer and the tone: what "save as default" takes of the modulation group.
void copyModulationGroup(SettingsRecord& to, const SettingsRecord& from);
