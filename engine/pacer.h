// Layer-0 waits against absolute deadlines: each event ends at the previous event's end plus its
// length, so send time and oversleep never add up. Playback thread only.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/clock.h"

struct PlayerState;
struct SessionSync;
class BeatTimeline;

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
    // session's beat grid while its Link switch is on, and MIDI clock goes to `player`'s port
    // while its clock switch is on. Without one, waitEvent is waitMs.
    void attachSession(SessionSync* session, PlayerState* player)
    {
        session_ = session;
        player_ = player;
    }
    // One layer-0 event: `ms` long, or on the grid one beat (alpha) or the session's beta length.
    // Every deadline is the time of the event's end beat, asked afresh while waiting, so a tempo
    // change keeps every later event on its beat.
    void waitEvent(int32_t ms, bool alpha);
    // Before each pass. A fresh start on the grid waits for the next bar line; a fresh start with
    // clock on sends Start at the first note's time (the first tick follows with the first note).
    // False when `playing` was cleared while waiting for the bar (nothing is to be played).
    bool beginPass(const std::atomic<int32_t>& playing);

private:
    Clock& clock_;
    const std::atomic<int32_t>* quit_;
    Clock::Duration deadline_{};
    bool anchored_ = false;

    // Sleeps until `deadline`, sending the clock ticks that fall before it.
    void sleepTo(Clock::Duration deadline);
    Clock::Duration gridTime(double beat);  // when a message for `beat` is sent
    // Waits for the time of `beat` (on the grid, asked afresh every slice) or for `fixed`,
    // sending due clock ticks first. False when closing, or when `playing` is given and cleared.
    bool waitUntil(bool grid, double beat, Clock::Duration fixed, const std::atomic<int32_t>* playing);
    bool clockWanted();
    void sendClock(int status, Clock::Duration at);
    Clock::Duration nextTickTime();
    void advanceTick();
    void startTicks();
    void layTicksFromHere();

    SessionSync* session_ = nullptr;
    PlayerState* player_ = nullptr;
    bool onGrid_ = false;      // the events follow the session's beats
    BeatTimeline* gridTimeline_ = nullptr;  // whose beats: Link's or an external clock's
    double beat_ = 0.0;        // on the grid: the beat the event in progress ends (or starts) on
    bool ticking_ = false;     // clock ticks run for this start
    bool tickOnGrid_ = false;  // the tick grid is the session's beats, else the alpha duration
    int64_t tickIndex_ = 0;    // the next tick, counted from the origin
    double tickOriginBeat_ = 0.0;
    Clock::Duration tickOrigin_{};
    int32_t tickAlphaMs_ = 0;  // the alpha duration the millisecond tick grid was laid with
};
