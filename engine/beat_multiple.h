// Beats per layer-0 alpha event on a followed beat grid: one beat, or a power-of-two multiple or
// fraction of it where the session's beat lies outside the lengths our own settings can make.
// Free functions, any thread.
#pragma once

#include <string>

// An alpha event as our own settings can make it, in ms (tempo 32..192 scaling 192..480 ms).
double shortestOwnEventMs();
double longestOwnEventMs();

// Beats per alpha event at `bpm`, given the one in force (`current`, a power of two): kept while
// the event stays within the own lengths; chosen afresh when it leaves them; on a bar line
// (`onBarLine`) eased back towards one beat where that event fits with a margin. The margin is
// the hysteresis: a tempo near a bound does not flip the choice. Unchanged when `bpm` is not positive.
double beatsPerEventAt(double bpm, double current, bool onBarLine);

// "1 event per 4 beats", "2 events per beat"; empty for one beat.
std::string beatsPerEventText(double beatsPerEvent);
