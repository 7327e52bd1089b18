// The playback thread and the transport: the UI thread starts, stops and shuts down the thread
// that plays one pass of the top layer after another.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "engine/clock.h"
#include "engine/manual_reset_event.h"
#include "engine/player_state.h"
#include "engine/session_sync.h"
#include "settings/settings_record.h"

struct ThreadControl {
    std::atomic<int32_t> quit{0};  // set by shutdown; the only field the thread reads
    std::thread thread;
};

struct Transport {
    ManualResetEvent threadEvent;  // set: passes back to back; reset: block after this pass
    ThreadControl control;
    bool threadStarted = false;
    Clock* clock = nullptr;        // the thread's time base; its sleeps are cut short at shutdown
    std::atomic<bool> passLeft{false};  // the thread left a pass unfinished because of quit
    std::atomic<bool> passRunning{false};  // the thread is inside a pass (playing, or draining after Stop)
    // Called on the playback thread as it starts (the platform asks for real-time scheduling).
    void (*prepareThread)() = nullptr;
    SessionSync* session = nullptr;  // playing with others (Link, MIDI clock); none: alone
};

// Opens the port on working.midiDeviceId (unless the caller has opened it already) and starts the
// playback thread with `clock` as its time base. Returns 0, or 1 when the port could not be opened
// (its box shown; no thread started).
int startPlaybackThread(Transport& transport, PlayerState& player, SettingsRecord& working, Clock& clock);

// Starts the playback thread whatever the port's state: a port that could not be opened is opened
// again by Play (reopenFailedPort) or a device change.
void launchPlaybackThread(Transport& transport, PlayerState& player, SettingsRecord& working, Clock& clock);

// Play: playing = 1, signal the event. Called by the transport's owner only, which has checked
// its guards.
void startPlayback(Transport& transport, PlayerState& player);

// Stop: playing = 0, the note-off sweep, reset the event. Does not wait for the thread, which
// drains the pass in progress. Called by the transport's owner only.
void stopPlayback(Transport& transport, PlayerState& player);

// Rewind (not while playing): every layer's counter back to 0, so the next pass starts the rhythm
// from its beginning. A pass still draining after Stop ends first; the rewind follows it.
void rewindPlayback(PlayerState& player);

// Ends the playback thread promptly: quit, its sleeps and its wait woken, joined. The pass in
// progress is left where it stands. Returns true when that pass was cut short (notes may still
// sound and want a sweep). Safe to call when no thread runs, and twice.
bool haltPlaybackThread(Transport& transport);

// Halts the thread (when still running) and closes the port. Safe when the thread never started
// (then only the port is closed).
void shutdownPlayback(Transport& transport, PlayerState& player);
