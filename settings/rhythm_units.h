// The rhythm's units and their bounds: layers, tempo, event durations, and how a duration becomes
// milliseconds, beats and beats per minute. The dialogs, the render tool, the engine, the MIDI file
// and the Link session all take them from here.
#pragma once

#include <cstdint>
#include <string>

// Layers 0 (lowest, fastest) to 7, shown to the user as 1 to 8. Layer L plays its alpha voice on
// channel 2L and its beta voice on channel 2L + 1.
inline constexpr int32_t kLayerCount = 8;
inline constexpr int32_t kMinimumLayers = 1;

// The numeral that drives the rhythm: a typed one must lie within these.
inline constexpr double kMinimumNumeral = 1.0;
inline constexpr double kMaximumNumeral = 4.0;

// Tempo: an event lasts tempo x duration / 96 ms, so 96 plays the durations as written and a
// larger tempo gives longer events. The concept dialog and the render tool accept 32 to 192.
inline constexpr int32_t kUnscaledTempo = 96;
inline constexpr int32_t kMinimumTempo = 32;
inline constexpr int32_t kMaximumTempo = 192;

// The alpha and beta durations of the lowest layer, in ms at tempo 96.
inline constexpr int32_t kMinimumDuration = 192;
inline constexpr int32_t kMaximumDuration = 480;

// "32 ~ 192": a range as the dialogs show it.
std::string rangeText(int32_t minimum, int32_t maximum);

// An event of the lowest layer in ms: trunc(tempo x duration / 96.0). The 32-bit product wraps
// instead of overflowing, as a stored file's values are not bounded.
int32_t scaledDurationMs(int32_t tempo, int32_t duration);

// The beat is the lowest layer's alpha event: its tempo in beats per minute (0 when `alphaMs` is
// not positive).
double beatsPerMinute(int32_t alphaMs);

// A beta event of the lowest layer in beats: beta / alpha duration, 1 when alpha is not positive.
double betaEventBeats(int32_t alphaDuration, int32_t betaDuration);
