// The list of numerical concepts offered by the concept dialog, and their exact values.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "settings/settings_record.h"

inline constexpr int kNumeralPresetCount = 12;

// List labels in list order; position 0 ("-- input --") means the numeral is typed.
extern const char* const NumeralPreset[kNumeralPresetCount];

// Value of preset number 0 to 10 (list position minus one), in IEEE double, computed as the
// correctly rounded square root, then the addition, then the multiplication by 0.5.
double numeralPresetValue(int32_t presetNumber);

// True when list position `position` names a preset (1 to 11); other positions leave the numeral.
inline bool isPresetPosition(int32_t position)
{
    return static_cast<uint32_t>(position) - 1u <= 10u;  // unsigned: no overflow at INT_MIN
}

// An accepted concept plays a preset at its exact value, not at the value shown in the dialog's
// text; any other list position keeps the typed numeral.
void takeExactPresetNumeral(SettingsRecord& settings);

// The list position whose label is `label`, if any.
std::optional<int32_t> numeralPresetPosition(std::string_view label);
