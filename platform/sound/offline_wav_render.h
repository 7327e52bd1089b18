// Renders a run's messages to a WAV file with the built-in synthesiser's soundfont, offline: no
// audio device is needed. 44.1 kHz, 16-bit stereo, ending when the last sounds have died away.
#pragma once

#include <string>
#include <vector>

#include "common/work_progress.h"
#include "engine/recording_backend.h"

inline constexpr int kWavSampleRate = 44100;

// Writes `path` through a temporary file in the same directory, so a failed render leaves no
// partial file. 0 on success; otherwise a one-line `error`, nothing written, and 2 when the run
// cannot be rendered (no soundfont, too long for a WAV file), 1 when the file cannot be written,
// 3 when `progress` (may be null) was cancelled: its flag is read after every block of 4096 frames
// (about a millisecond of work), and how far the audio is goes into [progressFrom, 1000] permille.
int renderWavFile(const std::vector<TimedMessage>& messages, const std::string& path, std::string& error,
                  WorkProgress* progress = nullptr, int32_t progressFrom = 0);
