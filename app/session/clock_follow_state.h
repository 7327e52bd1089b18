// What the UI thread remembers of an external MIDI clock's transport between two of its polls.
#pragma once

#include <cstdint>

struct ClockFollowState {
    uint32_t transportSeen = 0;  // the serial of the clock's last Start, Continue or Stop carried out
    bool startWaiting = false;   // a Start or Continue waits for the pass in progress to drain
    double startBeat = 0.0;      // the song beat that start plays from
};
