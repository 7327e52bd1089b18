#include "dialogs/edit_text.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {
std::string formatted(const char* format, auto value)
{
    char buffer[260];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}
}  // namespace

std::string formatNumeral(double numeral) { return formatted("%11.6lf", numeral); }
std::string formatPadded(int32_t value) { return formatted("%4d", value); }
std::string formatPlain(int32_t value) { return formatted("%d", value); }

int32_t parseInteger(const std::string& text)
{
    const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
    if (parsed > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (parsed < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(parsed);
}

double parseNumeral(const std::string& text) { return std::strtod(text.c_str(), nullptr); }
