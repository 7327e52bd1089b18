// The beat pacer's session part: layer-0 events on a Link session's or an external clock's beats
// (or on the last ones seen, after Link was switched off while playing), and the clock ticker inside the waits.
// Playback thread only.
#include "engine/pacer.h"

#include <algorithm>
#include <cmath>

#include "engine/beat_multiple.h"
#include "engine/midi_port.h"
#include "engine/player_state.h"
#include "engine/session_sync.h"

namespace {

// On the session's beats the deadline is asked afresh at least this often, so a tempo change by
// a peer moves the next event within this time.
constexpr Clock::Duration kSessionSlice = std::chrono::milliseconds(2);

}  // namespace

bool Pacer::clockWanted()
{
    return session_->clocking() && get(player_->playing) != 0 && get(player_->deviceId) != -1;
}

bool Pacer::stopped()
{
    return get(player_->playing) == 0;
}

void Pacer::lookAtSession(Clock::Duration now)
{
    // Sent early by the output's latency, so a message sounds at its beat's session time.
    latency_ = portLatency(*player_);
    const BeatLine session = grid_->captureLine(now, kBarBeats);
    sendLine_ = {session.time - latency_, session.beat, session.bpm};
    publishLengths();
}

void Pacer::chooseBeatsPerEvent(bool onBarLine)
{
    perEvent_ = beatsPerEventAt(sendLine_.bpm, perEvent_, onBarLine);
    publishLengths();
}

double Pacer::cutForSlowerTempo(double beat, Clock::Duration now)
{
    const double chosen = beatsPerEventAt(sendLine_.bpm, perEvent_, false);
    if (chosen >= perEvent_)
        return beat;
    perEvent_ = chosen;
    publishLengths();
    beat_ = std::min(beat, std::ceil(sendLine_.beatAt(now) / chosen) * chosen);
    return beat_;
}

void Pacer::publishLengths()
{
    const bool onBeats = beats_ != Beats::Own && sendLine_.bpm > 0.0;
    session_->beatsPerEvent.store(onBeats ? perEvent_ : 1.0, std::memory_order_relaxed);
    session_->alphaInForceMs.store(onBeats ? 60000.0 / sendLine_.bpm * perEvent_ : 0.0, std::memory_order_relaxed);
}

void Pacer::startTicks()
{
    ticking_ = true;
    if (beats_ == Beats::Own) {
        const int32_t alphaMs = get(player_->alphaMs);
        ownLine_ = {deadline_, 0.0, alphaMs > 0 ? 60000.0 / alphaMs : 0.0};
        ticker_.start(0.0, deadline_);
    } else {
        ticker_.start(beat_, deadline_);
    }
}

Clock::Duration Pacer::tick(Clock::Duration deadline, Clock::Duration now)
{
    if (!ticking_ || !clockWanted())
        return deadline;
    // Ticks after the deadline wait for it: the next event's notes go first.
    ticker_.sendUpTo(tickLine(), std::min(now, deadline));
    return std::min(deadline, ticker_.nextTime(tickLine()));
}

void Pacer::sleepTo(Clock::Duration deadline)
{
    if (!session_ || !player_ || !ticking_) {
        clock_.sleepUntil(deadline);
        return;
    }
    waitForTime(deadline);
}

void Pacer::waitForTime(Clock::Duration deadline)
{
    for (;;) {
        if (abandoned())
            return;
        const Clock::Duration now = clock_.now();
        const Clock::Duration wake = tick(deadline, now);
        if (deadline <= now)
            return;
        clock_.sleepUntil(wake);
    }
}

bool Pacer::waitForBeat(double beat)
{
    for (;;) {
        if (abandoned() || (startPending_ && stopped()))
            return false;
        const Clock::Duration now = clock_.now();
        if (beats_ == Beats::Session) {
            lookAtSession(now);
            if (!startPending_)
                beat = cutForSlowerTempo(beat, now);
        }
        const Clock::Duration deadline = sendLine_.timeAt(beat);
        const Clock::Duration wake = tick(deadline, now);
        if (deadline <= now) {
            deadline_ = deadline;
            return true;
        }
        clock_.sleepUntil(beats_ == Beats::Session ? std::min(wake, now + kSessionSlice) : wake);
    }
}

bool Pacer::beginPass()
{
    if (!session_ || !player_ || anchored_)
        return true;  // passes back to back go on where the last one ended
    ticking_ = false;
    beats_ = Beats::Own;  // a fresh start: the settings' own tempo unless Link is on
    perEvent_ = 1.0;
    if (BeatTimeline* grid = session_->grid()) {
        grid_ = grid;
        beats_ = Beats::Session;
        const Clock::Duration now = clock_.now();
        lookAtSession(now);
        // The first bar line at or after our beat 0 that is still ahead of the output.
        const double start = std::max(0.0, std::ceil(sendLine_.beatAt(now) / kBarBeats) * kBarBeats);
        startPending_ = true;
        const bool reached = waitForBeat(start);
        startPending_ = false;
        if (!reached)
            return false;
        beat_ = start;
        chooseBeatsPerEvent(true);
        anchored_ = true;
    } else if (clockWanted()) {
        // The clock's first tick goes with the first note: pace from now.
        deadline_ = clock_.now();
        anchored_ = true;
    }
    if (beats_ == Beats::Own)
        publishLengths();
    if (anchored_ && clockWanted())
        startTicks();  // Start goes before the first note
    return true;
}

double Pacer::eventBeats(bool alpha) const
{
    const double length = alpha ? 1.0 : session_->betaBeats.load(std::memory_order_relaxed);
    return std::isfinite(length) && length > 0.0 ? length * perEvent_ : 0.0;
}

void Pacer::joinSession(int32_t ms, double lengthBeats)
{
    const Clock::Duration now = clock_.now();
    const Clock::Duration start = anchored_ ? deadline_ : now;
    // How long the event would last without Link: its duration, or its beats on the kept tempo.
    const Clock::Duration length = beats_ == Beats::Kept
                                       ? sendLine_.timeAt(sendLine_.beat + lengthBeats) - sendLine_.timeAt(sendLine_.beat)
                                       : Clock::Duration(std::chrono::milliseconds(std::max(ms, 0)));
    beats_ = Beats::Session;
    lookAtSession(now);
    chooseBeatsPerEvent(true);
    const Clock::Duration end = start + length;
    if (grid_->peerCount() == 0) {
        // Alone (our tempo is the session's): the session's beat goes where the event ends anyway.
        const double endBeat = std::ceil(sendLine_.beatAt(end));
        grid_->commitBeatAtTime(endBeat, end + latency_, kBarBeats);
        lookAtSession(now);
        beat_ = endBeat;
    } else {
        // The session beat nearest the event's own end, but never before half of it.
        beat_ = std::max(std::ceil(sendLine_.beatAt(start + length / 2)), std::round(sendLine_.beatAt(end)));
    }
    anchored_ = true;
    if (ticking_)
        ticker_.follow(sendLine_);
}

void Pacer::waitEvent(int32_t ms, bool alpha)
{
    if (!session_ || !player_) {
        waitMs(ms);
        return;
    }
    if (!clockWanted())
        ticking_ = false;
    else if (!ticking_ && anchored_)
        startTicks();  // the clock was turned on while playing: it starts with this event

    BeatTimeline* const grid = session_->grid();
    if (grid && (beats_ != Beats::Session || !anchored_ || grid != grid_)) {
        grid_ = grid;  // Link or an external clock turned on while playing
        joinSession(ms, eventBeats(alpha));
        waitForBeat(beat_);
        return;
    }
    if (!grid && beats_ == Beats::Session)
        beats_ = Beats::Kept;  // Link off while playing: on at the session's last tempo and phase
    if (beats_ == Beats::Own) {
        const int32_t alphaMs = get(player_->alphaMs);
        if (ticking_ && alphaMs > 0 && ownLine_.bpm != 60000.0 / alphaMs)  // a new alpha duration
            ownLine_ = {deadline_, ownLine_.beatAt(deadline_), 60000.0 / alphaMs};
        waitMs(ms);
        return;
    }
    // The multiple changes on a bar line, or at once where the tempo left the own lengths.
    chooseBeatsPerEvent(std::abs(std::remainder(beat_, kBarBeats)) < 1e-9);
    const double length = eventBeats(alpha);
    beat_ += length;
    // After a stall the beats are met again at the next one, without a burst of events.
    const Clock::Duration now = clock_.now();
    if (beats_ == Beats::Session)
        lookAtSession(now);
    const double nowBeat = sendLine_.beatAt(now);
    // So they are when the beats were numbered afresh behind us (an external clock's Start).
    if (beat_ < nowBeat - 1.0 || beat_ - length > nowBeat + 1.0)
        beat_ = std::ceil(nowBeat);
    waitForBeat(beat_);
}
