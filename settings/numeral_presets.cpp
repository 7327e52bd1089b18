#include "settings/numeral_presets.h"

#include <cmath>

const char* const NumeralPreset[kNumeralPresetCount] = {
    "-- input --", "1.5",           "2.0",            "3.0", "Sqrt(2.0)", "Sqrt(3.0)",
    "Sqrt(5.0)",   "(1+Sqrt(5))/2", "(2+Sqrt(8))/2", "(3+Sqrt(13))/2", "e", "PI",
};

double numeralPresetValue(int32_t presetNumber)
{
    switch (presetNumber) {
    case 0: return 1.5;
    case 1: return 2.0;
    case 2: return 3.0;
    case 3: return std::sqrt(2.0);
    case 4: return std::sqrt(3.0);
    case 5: return std::sqrt(5.0);
    case 6: return (std::sqrt(5.0) + 1.0) * 0.5;
    case 7: return (std::sqrt(8.0) + 2.0) * 0.5;
    case 8: return (std::sqrt(13.0) + 3.0) * 0.5;
    case 9: return 2.718281828459045;
    case 10: return 3.141592653589793;
    default: return 0.0;  // callers only pass 0 to 10
    }
}

std::optional<int32_t> numeralPresetPosition(std::string_view label)
{
    for (int32_t position = 0; position < kNumeralPresetCount; ++position)
        if (label == NumeralPreset[position])
            return position;
    return std::nullopt;
}

void takeExactPresetNumeral(SettingsRecord& settings)
{
    if (isPresetPosition(settings.numeralPreset))
        settings.numeral = numeralPresetValue(settings.numeralPreset - 1);
}
