// Playing with others as the user meets it: the Link and MIDI clock switches, our tempo sent to
// the session, the session's transport followed both ways, and the session shown in words.
// UI thread only; nothing here happens while both switches are off.
#pragma once

#include <string>

#include "app/app_context.h"

// "Link" (Ctrl+K): on or off, kept in the side file. Turning it on with no session to join starts
// one at our tempo; a session found keeps its own.
void toggleLink(AppContext& app);
// "Send MIDI clock" (Ctrl+Shift+K): on or off, kept in the side file. Off while playing sends Stop.
void toggleMidiClock(AppContext& app);
// "Follow MIDI clock" (Ctrl+Shift+F): on or off, kept in the side file; never together with Link
// (switching one on switches the other off). Does nothing where there is no clock follower.
void toggleFollowMidiClock(AppContext& app);
// At start-up: the switches from the side file, with their menu checks.
void restoreSessionSwitches(AppContext& app);

// After an accepted concept or durations dialog: the beta length in beats, and with Link on our
// tempo (beatsPerMinute of the alpha event) to the session when the dialog changed the alpha
// duration (`alphaMsBefore` is the one before it). The settings record is not touched.
void sessionSettingsApplied(AppContext& app, int32_t alphaMsBefore);
// Play, before the playback thread is woken: with Link on the session's transport starts, our
// beat 0 on its next bar line (or on the bar after a peer's start, when it already plays).
// Returns whether Link is on.
bool sessionPlayStarting(AppContext& app);
// Stop, after the sweep: with Link on the session's transport stops; with clock on a MIDI port
// gets Stop (0xFC). Returns whether Link is on.
bool sessionStopped(AppContext& app);
// Whether Link is on and the session's transport plays.
bool sessionTransportPlaying(AppContext& app);

// Polled by the window (every few ms): tells the transport's owner what the session's transport
// does (see transportSessionSeen).
void followSession(AppContext& app);

// "link: 2 peers, 120.00 BPM" while Link is on; the external clock's line while following it
// (see clock_follow.h); empty while both are off.
std::string sessionHeaderLine(AppContext& app);
