// The entries of the voice-table lists: instrument names for tones, "0x00" to "0x7f" for notes
// and velocities. In every list the index of an entry is the value it stands for.
#pragma once

#include <array>

inline constexpr int kVoiceValueCount = 128;

// One table of 384 texts: the tone names, then the note labels, then the velocity labels.
extern const std::array<const char*, 3 * kVoiceValueCount> voiceLabels;

inline const char* const* const toneNames = voiceLabels.data();
inline const char* const* const noteLabels = voiceLabels.data() + kVoiceValueCount;
inline const char* const* const velocityLabels = voiceLabels.data() + 2 * kVoiceValueCount;
