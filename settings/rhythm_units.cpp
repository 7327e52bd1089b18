#include "settings/rhythm_units.h"

#include <cmath>

#include "common/wrapping_math.h"

std::string rangeText(int32_t minimum, int32_t maximum)
{
    return std::to_string(minimum) + " ~ " + std::to_string(maximum);
}

int32_t scaledDurationMs(int32_t tempo, int32_t duration)
{
    const double scaled = static_cast<double>(wrappingMultiply(tempo, duration)) / kUnscaledTempo;
    return static_cast<int32_t>(std::trunc(scaled));  // |scaled| < 2^31, so this is exact
}

double beatsPerMinute(int32_t alphaMs)
{
    return alphaMs > 0 ? 60000.0 / alphaMs : 0.0;
}

double betaEventBeats(int32_t alphaDuration, int32_t betaDuration)
{
    return alphaDuration > 0 ? static_cast<double>(betaDuration) / alphaDuration : 1.0;
}
