// The beat pacer: layer-0 waits against absolute deadlines, each event ending at the previous
// event's end plus its length, so send time and oversleep never add up; with a Link session on
// the session's beats. Playback thread only.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/beat_timeline.h"
#include "engine/clock.h"
#include "engine/clock_ticker.h"

struct PlayerState;
struct SessionSync;

class Pacer {
public:
    // `quit`, when given and non-zero, means the program is closing: waits return at once and the
    // generator leaves the pass.
    explicit Pacer(Clock& clock, const std::atomic<int32_t>* quit = nullptr) : clock_(clock), quit_(quit) {}

    // Waits `ms` milliseconds after the end of the previous wait. Negative lengths (possible only
    // with damaged settings) wait nothing. A deadline past the clock's range stays at its end.
    // When the event began longer than `ms` ago (the thread stalled, the machine was suspended),
    // the wait starts from now instead: the events missed are not played in a burst.
    void waitMs(int32_t ms);

    // Starts the next wait from "now": called after the thread was blocked, so nothing is played
    // in a burst to catch up.
    void reanchor() { anchored_ = false; }

    // When the messages sent now are meant to sound: the end of the last wait (the start of the
    // event in progress), or now when the pacing starts afresh.
    Clock::Duration eventTime();

    // True once the program is closing.
    bool abandoned() const { return quit_ && quit_->load(std::memory_order_relaxed) != 0; }

    // Playing with others (pacer_session.cpp). With a session attached, layer-0 events follow the
    // session's beats while its Link switch is on, and MIDI clock goes to `player`'s port while
    // its clock switch is on. Without one, waitEvent is waitMs.
    void attachSession(SessionSync* session, PlayerState* player)
    {
        session_ = session;
        player_ = player;
        ticker_.attach(player);
    }
    // One layer-0 event: `ms` long, or on the session's beats one beat (alpha) or the beta length
    // in beats. On the beats every deadline is asked afresh at each wake, so a tempo change keeps
    // every later event on its beat.
    void waitEvent(int32_t ms, bool alpha);
    // Before each pass. A fresh start with Link on waits for the session's next bar line; a fresh
    // start with clock on sends Start at the first note's time. False when the player was stopped
    // while waiting for the bar (nothing is to be played).
    bool beginPass();

private:
    // Which beats the events follow.
    enum class Beats {
        Own,      // the settings' durations in ms
        Session,  // the Link session's or an external clock's, looked at once per wake
        Kept,     // the session's last ones, kept after Link was switched off while playing
    };

    Clock& clock_;
    const std::atomic<int32_t>* quit_;
    Clock::Duration deadline_{};
    bool anchored_ = false;

    void sleepTo(Clock::Duration deadline);
    // Looks at the session (Link's audio-thread capture) and the output's latency: sendLine_.
    void lookAtSession(Clock::Duration now);
    // Waits for `beat` on sendLine_ (looked at afresh every slice while on the session's beats),
    // sending due clock ticks. False when closing, or when a start waiting for its bar was stopped.
    bool waitForBeat(double beat);
    // Waits for a fixed deadline, sending due clock ticks.
    void waitForTime(Clock::Duration deadline);
    // Sends the ticks due by min(now, deadline); returns when to wake for the next one (or deadline).
    Clock::Duration tick(Clock::Duration deadline, Clock::Duration now);
    bool clockWanted();
    bool stopped();
    void startTicks();
    // Link switched on while playing: the event beginning now ends on a session beat, no earlier
    // than half its length (alone, the session's beats move to its own end instead).
    void joinSession(int32_t ms, double lengthBeats);
    // Beats per event in the session (eventBeats: one alpha event is perEvent_ beats), chosen so an
    // event lasts what our own settings could make (beat_multiple.h); shown in the lattice header.
    double eventBeats(bool alpha) const;
    void chooseBeatsPerEvent(bool onBarLine);
    // The session's tempo fell so far that the event in flight would outlast our longest own one:
    // it ends at the next subdivision of the smaller multiple (in phase with the beats) instead
    // of `beat`. Returns the beat it ends on.
    double cutForSlowerTempo(double beat, Clock::Duration now);
    void publishLengths();
    const BeatLine& tickLine() const { return beats_ == Beats::Own ? ownLine_ : sendLine_; }

    SessionSync* session_ = nullptr;
    PlayerState* player_ = nullptr;
    BeatTimeline* grid_ = nullptr;  // whose beats the events follow: Link's or an external clock's
    ClockTicker ticker_;
    Beats beats_ = Beats::Own;
    BeatLine sendLine_;   // the session's beats as send times (their time less the output latency)
    BeatLine ownLine_;    // the clock's beats with the settings' durations: one per alpha duration
    Clock::Duration latency_{};  // the output's, as last looked at
    double beat_ = 0.0;   // on beats: the beat the event in progress ends (or starts) on
    double perEvent_ = 1.0;  // session beats per alpha event: a power of two
    bool ticking_ = false;     // clock ticks run for this start
    bool startPending_ = false;  // beginPass waits for the bar line: a stop ends the wait
};
