// Renders a run's messages to a WAV file with the built-in synthesiser's soundfont, offline: no
// audio device is needed. 44.1 kHz, 16-bit stereo, ending when the last sounds have died away.
#pragma once

#include <string>
#include <vector>

#include "common/work_progress.h"
#include "engine/recording_backend.h"

inline constexpr int kWavSampleRate = 44100;

// Writes `path` through a temporary file in the same directory, so a failed render leaves no
// partial file. A RenderStatus: Written on success; otherwise a one-line `error`, nothing written,
// and CannotRender (no soundfont, too long for a WAV file), CannotWrite, or Cancelled when
// `progress` (may be null) was cancelled: its flag is read after every block of 4096 frames (about
// a millisecond of work), and how far the audio is goes into [progressFrom, 1000] permille.
int renderWavFile(const std::vector<TimedMessage>& messages, const std::string& path, std::string& error,
                  WorkProgress* progress = nullptr, int32_t progressFrom = 0);
