// Renders a run's messages to a WAV file with the built-in synthesiser's soundfont, offline: no
// audio device is needed. 44.1 kHz, 16-bit stereo, ending when the last sounds have died away.
#pragma once

#include <string>
#include <vector>

#include "engine/recording_backend.h"

inline constexpr int kWavSampleRate = 44100;

// Writes `path` through a temporary file in the same directory, so a failed render leaves no
// partial file. 0 on success; otherwise a one-line `error`, nothing written, and 2 when the run
// cannot be rendered (no soundfont, too long for a WAV file) or 1 when the file cannot be written.
int renderWavFile(const std::vector<TimedMessage>& messages, const std::string& path, std::string& error);
