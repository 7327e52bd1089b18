// Writes a rendered run as a Standard MIDI File: type 1, one track per layer, 1 tick = 1 ms.
#pragma once

#include <string>
#include <vector>

#include "engine/recording_backend.h"

// 1000 ticks per quarter note at 1,000,000 microseconds per quarter: a tick is one millisecond.
inline constexpr int kMidiFileTicksPerQuarter = 1000;
inline constexpr int kMidiFileLayerTracks = 8;

// The bytes of the file. Track L holds the messages of channels 2L and 2L+1 in their sent order;
// the first track also carries the tempo. False with `error` when a message cannot be stored
// (a data byte above 127 would read back as a status byte).
bool buildMidiFile(const std::vector<TimedMessage>& messages, std::string& bytes, std::string& error);
