// Renders the synthesiser with each message applied at its own frame: the one placement path of
// the live synthesiser and the offline .wav render.
#pragma once

#include <cstdint>

#include <fluidsynth.h>

#include "platform/sound/fluid_support.h"

// A message with the stream frame it is meant for.
struct PlacedMessage {
    int64_t frame;
    uint32_t packed;
};

// Renders frames [firstFrame, firstFrame + frames). Between messages it calls
// write(offset, count) to render `count` frames into the output from `offset` (relative to
// firstFrame); each message whose frame falls before the end is played at its frame, or at once
// when its frame has passed. `source` hands out messages in the order they were sent:
// `bool peek(PlacedMessage&)` and `void pop()`. A message waits while its frame lies beyond this
// call, and everything sent after it waits behind it, so no message is ever placed before one sent
// earlier. FluidSynth starts what a message does at its next 64-frame block, so that is the grain.
// No locks, no allocation: safe on an audio render thread.
template <typename Source, typename Write>
void renderPlaced(fluid_synth_t* synth, Source& source, int64_t firstFrame, int frames, Write&& write)
{
    int done = 0;
    PlacedMessage message {};
    while (source.peek(message)) {
        // Compared before subtracting: a frame far in the past (INT64_MIN: at once) must not wrap.
        const int64_t offset = message.frame <= firstFrame + done ? done : message.frame - firstFrame;
        if (offset >= frames)
            break;
        if (offset > done) {
            write(done, static_cast<int>(offset) - done);
            done = static_cast<int>(offset);
        }
        playShortMessage(synth, message.packed);
        source.pop();
    }
    if (done < frames)
        write(done, frames - done);
}
