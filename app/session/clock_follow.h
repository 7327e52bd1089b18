// Following an external MIDI clock as the user meets it: the clock's Start, Continue and Stop
// carried out as Rewind, Play and Stop are, a Song Position Pointer taken into where Play starts,
// and the clock shown in words. UI thread only; nothing happens while "Follow MIDI clock" is off.
#pragma once

#include <string>

#include "app/app_context.h"

// Polled by the window (every few ms). Start: rewind and play from the clock's next tick (a pass
// in progress is stopped first and the start waits until it has drained). Continue: play on from
// the counters, or after a Song Position Pointer from the rhythm's position at that beat. Stop:
// stops as Stop does. Only while Ready (or Playing): a clock never opens the concept dialog.
void followExternalClock(AppContext& app);

// "MIDI clock: 120.00 BPM", "MIDI clock: held at 120.00 BPM" when it stopped ticking, "MIDI
// clock: waiting" before the first ticks; empty while not following.
std::string clockHeaderLine(AppContext& app);
