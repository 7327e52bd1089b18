// The entries of the voice-table lists: instrument names for tones, "0x00" to "0x7f" for notes
// and velocities. In every list the index of an entry is the value it stands for.
#pragma once

inline constexpr int kVoiceValueCount = 128;

// One table of 384 texts: the tone names, then the note labels, then the velocity labels.
extern const char* const voiceLabels[3 * kVoiceValueCount];

inline constexpr const char* const* toneNames = voiceLabels;
inline constexpr const char* const* noteLabels = voiceLabels + kVoiceValueCount;
inline constexpr const char* const* velocityLabels = voiceLabels + 2 * kVoiceValueCount;
