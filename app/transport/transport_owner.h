// The one owner of whether we play: the transport's state and the transitions every path asks
// for (the commands, a peer's start and stop, closing). The written play state, the playback
// thread's flags and the command states are derived here and written nowhere else. UI thread only.
#pragma once

#include "engine/clock.h"

struct AppContext;

enum class TransportPhase {
    Idle,     // no concept accepted yet: nothing to play
    Ready,    // a concept is in force; the thread is parked (or drains the pass Stop left)
    Playing,  // between Play and Stop
    Closed,   // the closing sequence has begun: nothing starts again
};

struct TransportOwner {
    TransportPhase phase = TransportPhase::Idle;
    // Commands in progress: a dialog or box they run turns its own event loop, in which the
    // session poll goes on. A peer's start seen meanwhile is held until the last one ends.
    int commandsInProgress = 0;
    bool peerStartHeld = false;
    // Whether the Link session's transport played when we last looked (or made it play).
    bool sessionSeenPlaying = false;
    // When Link was switched on: a start from before it is the session's state as we found it,
    // not a peer's start. (Not the moment the first peer is found: a peer's start time can lag
    // behind by its own audio latency, LinkHut's on a JACK dummy driver by a second or more.)
    Clock::Duration sessionJoinedAt{};
};

// Start-up, once the window shows: Idle.
void transportShown(AppContext& app);
// An accepted concept: Ready (from Idle or Ready).
void transportConceptAccepted(AppContext& app);
// Play from Ready: the failed port reopened, the session's start asked for, the thread woken.
// Returns true when playing began.
bool transportPlay(AppContext& app);
// Stop from Playing: the thread stopped, the sweep, the session's stop and Clock Stop; Ready.
void transportStop(AppContext& app);
// The closing sequence: Stop when playing; from here on nothing starts. Returns whether it played.
bool transportClose(AppContext& app);
// The display has gone: the thread is halted already; Closed. Returns whether it played.
bool transportCloseWithoutDisplay(AppContext& app);

// The Link session's transport as the poll sees it (`playing`, last changed at `changedAt`): a
// peer's start plays as Play does from Ready, or is held while a
// command runs; a peer's stop always stops. A session found playing (its start before we joined)
// is taken as it is: it does not start us.
void transportSessionSeen(AppContext& app, bool playing, Clock::Duration changedAt);
// Link switched on (the session's transport as it is now) or off.
void transportLinkSwitched(AppContext& app, bool sessionPlaying);

// Around every command (see dispatchCommand): when the last one ends, a held peer's start plays
// from the next bar if the session still plays.
void transportCommandBegins(AppContext& app);
void transportCommandEnds(AppContext& app);

bool transportPlaying(const AppContext& app);
