// Built-in default settings and the "save as default" merge.
#pragma once

#include "settings/settings_record.h"

// Any fixed value will do; nothing reads it back.
inline constexpr uint32_t kHeaderWord = 0x504C5401u;

// The default program of each channel: both voices of a layer share one tone.
inline constexpr int32_t kDefaultTones[16] = {0, 0, 11, 11, 12, 12, 8, 8, 6, 6, 27, 27, 36, 36, 37, 37};

// Writes every field that has a built-in default. Window fields, reserved bytes and playState
// keep whatever they hold.
void fillBuiltInDefaults(SettingsRecord& record);

// Copies each group whose "save as default" flag is set in working into defaults, and clears that
// flag in working. Flags of defaults are neither read nor changed.
void mergeIntoDefaults(SettingsRecord& defaults, SettingsRecord& working);
