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
// Messages a MIDI file cannot hold (a data byte above 127) and those of channels above the
// layers are left out; the caller counts the first kind. Notes pair up as a sequencer expects:
// every note-on has exactly one note-off (velocity 64 where the file adds one); a note repeated on
// the same channel and pitch first ends the one still sounding, at the same tick; a note-off of a
// note that is not sounding is left out; notes still sounding at the end end there. The tempo
// track carries a 4/4 time signature: a bar is four beats.
std::string buildMidiFile(const std::vector<TimedMessage>& messages, int32_t layers, int32_t beatMs);
