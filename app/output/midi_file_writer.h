// Writes a rendered run as a Standard MIDI File that sits on a sequencer's beat grid.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/recording_backend.h"

// The bytes of a type-1 file: a tempo track, then one track "layer N" per layer that plays
// (`layers`, 1..8), each holding the messages of channels 2L and 2L+1 in their sent order.
// One beat is `beatMs` milliseconds (the lowest layer's alpha event) and a beat has `beatMs`
// ticks, so a tick is one millisecond. Every track ends at the tick of the last message.
// Messages a MIDI file cannot hold (a data value outside 0..127) and those of channels above the
// layers are left out; the caller counts the first kind.
std::string buildMidiFile(const std::vector<TimedMessage>& messages, int32_t layers, int32_t beatMs);
