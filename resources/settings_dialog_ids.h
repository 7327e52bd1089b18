// Control ids of the concept, durations and offsets, and voice-table dialogs.
#pragma once

#include "resources/dialog_template.h"

namespace DialogId {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int SpinOffset = kSpinIdOffset;  // the spin of an edit has the edit's id plus 10

// Shared by the concept and the durations and offsets dialogs.
inline constexpr int RangedEditBase = 1011;       // edit of ranged value i is 1011 + i (0 to 5)
inline constexpr int ModulationNoteEdit = 1015;
inline constexpr int ModulationVelocityEdit = 1016;
inline constexpr int ModulationCheck = 1031;
inline constexpr int ModulationLayerList = 1041;
inline constexpr int ModulationToneList = 1042;
inline constexpr int DeviceList = 1100;

// Concept dialog.
inline constexpr int ConceptSaveAsDefault = 500;
inline constexpr int NumeralList = 2001;
inline constexpr int NumeralEdit = 2010;
inline constexpr int TempoEdit = 2011;
inline constexpr int LayerEdit = 2012;
// The labels of the tempo and layer edits: the dialog writes them with the bounds it checks.
inline constexpr int TempoLabel = 2031;
inline constexpr int LayerLabel = 2032;

// Durations and offsets dialog.
inline constexpr int DurationsSaveAsDefault = 1001;

// Voice-table dialogs: lists base + 1 to base + 16, one per channel; the check box per dialog.
inline constexpr int ToneBase = 3000;
inline constexpr int NoteBase = 4000;
inline constexpr int VelocityBase = 5000;
inline constexpr int ToneSaveAsDefault = 501;
inline constexpr int NoteSaveAsDefault = 502;
inline constexpr int VelocitySaveAsDefault = 503;
}  // namespace DialogId
