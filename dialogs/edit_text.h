// Formatting and parsing of the numbers shown in dialog edits.
#pragma once

#include <cstdint>
#include <string>

std::string formatNumeral(double numeral);   // "%11.6lf"
std::string formatPadded(int32_t value);     // "%4d", as written at opening
std::string formatPlain(int32_t value);      // "%d", as written after a spin step

// Like atoi: leading blanks, a sign and digits, anything else ends the number; no digits give 0.
// Numbers beyond the 32-bit range saturate instead of being undefined.
int32_t parseInteger(const std::string& text);
// Like strtod: text that is not a number gives 0.0.
double parseNumeral(const std::string& text);
