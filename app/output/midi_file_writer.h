// Writes a rendered run as a Standard MIDI File that sits on a sequencer's beat grid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/note_pairing.h"
#include "engine/recording_backend.h"

// The bytes of a type-1 file: a tempo track, then one track "layer N" per layer that plays
// (`layers`, 1..8), each holding the messages of channels 2L and 2L+1 in their sent order.
// One beat is `beatMs` milliseconds (the lowest layer's alpha event) and a beat has `beatMs`
// ticks, so a tick is one millisecond. Every track ends at the tick of the last message.
// Messages a MIDI file cannot hold (a data value outside 0..127) and those of channels above the
// layers are left out; the caller counts the first kind. Notes pair up as a sequencer expects:
// every note-on has exactly one note-off (velocity 64 where the file adds one); a note repeated on
// the same channel and pitch first ends the one still sounding, at the same tick; a note-off of a
// note that is not sounding is left out; notes still sounding at the end end there. The tempo
// track carries a 4/4 time signature: a bar is four beats.
std::string buildMidiFile(const std::vector<TimedMessage>& messages, int32_t layers, int32_t beatMs);

// The same file built from a run handed over piece by piece, as it is played.
class MidiFileBuilder {
public:
    MidiFileBuilder(int32_t layers, int32_t beatMs);
    // The next messages, in sent order.
    void add(std::span<const TimedMessage> messages);
    // Messages left out so far because a data value is outside 0..127.
    size_t leftOut() const { return leftOut_; }
    // The whole file; the builder is spent.
    std::string finish();

private:
    struct Track {
        std::string events;
        int64_t lastTick = 0;
        void advanceTo(int64_t tick);
        void putName(const std::string& name);
    };
    int32_t layers_;
    int32_t beatMs_;
    std::vector<Track> tracks_;
    int64_t endTick_ = 0;
    size_t leftOut_ = 0;
    NotePairing pairing_;
};
