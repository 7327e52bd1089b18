#include "platform/sound/link_session.h"

#include <ableton/Link.hpp>

#include <time.h>

#include <cstdint>

namespace {

int64_t readNs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

// CLOCK_MONOTONIC minus CLOCK_MONOTONIC_RAW now, in ns. The raw clock is read between two reads
// of the steady one; of three tries the narrowest bracket wins, so the error is a fraction of a
// microsecond. The two clocks run at rates that differ by the NTP slew (parts per million), so
// the difference is read afresh for every conversion rather than once.
int64_t steadyMinusRawNs()
{
    int64_t best = 0;
    int64_t narrowest = INT64_MAX;
    for (int i = 0; i < 3; ++i) {
        const int64_t before = readNs(CLOCK_MONOTONIC);
        const int64_t raw = readNs(CLOCK_MONOTONIC_RAW);
        const int64_t after = readNs(CLOCK_MONOTONIC);
        if (after - before < narrowest) {
            narrowest = after - before;
            best = before + (after - before) / 2 - raw;
        }
    }
    return best;
}

}  // namespace

std::chrono::microseconds linkTimeFromSteady(Clock::Duration steady)
{
    const int64_t rawNs = steady.count() - steadyMinusRawNs();
    // Rounded to the nearest microsecond (Link counts whole ones).
    const int64_t us = rawNs >= 0 ? (rawNs + 500) / 1000 : -((-rawNs + 500) / 1000);
    return std::chrono::microseconds(us);
}

Clock::Duration steadyFromLinkTime(std::chrono::microseconds link)
{
    return Clock::Duration(link.count() * 1000 + steadyMinusRawNs());
}

struct LinkSession::Impl {
    explicit Impl(double bpm) : link(bpm) { link.enableStartStopSync(true); }
    ableton::Link link;
};

LinkSession::LinkSession(double bpm) : impl_(std::make_unique<Impl>(bpm)) {}

LinkSession::~LinkSession()
{
    impl_->link.enable(false);
}

void LinkSession::setEnabled(bool enabled)
{
    impl_->link.enable(enabled);
}

double LinkSession::tempo()
{
    return impl_->link.captureAppSessionState().tempo();
}

double LinkSession::beatAtTime(Clock::Duration time, double quantum)
{
    return impl_->link.captureAppSessionState().beatAtTime(linkTimeFromSteady(time), quantum);
}

Clock::Duration LinkSession::timeAtBeat(double beat, double quantum)
{
    return steadyFromLinkTime(impl_->link.captureAppSessionState().timeAtBeat(beat, quantum));
}

bool LinkSession::transportPlaying()
{
    return impl_->link.captureAppSessionState().isPlaying();
}

Clock::Duration LinkSession::transportChangedAt()
{
    return steadyFromLinkTime(impl_->link.captureAppSessionState().timeForIsPlaying());
}

std::size_t LinkSession::peerCount()
{
    return impl_->link.numPeers();
}

void LinkSession::setTempo(double bpm)
{
    auto state = impl_->link.captureAppSessionState();
    state.setTempo(bpm, impl_->link.clock().micros());
    impl_->link.commitAppSessionState(state);
}

void LinkSession::requestStart(Clock::Duration earliest)
{
    auto state = impl_->link.captureAppSessionState();
    state.requestBeatAtTime(0.0, linkTimeFromSteady(earliest), kBarBeats);
    state.setIsPlaying(true, state.timeAtBeat(0.0, kBarBeats));
    impl_->link.commitAppSessionState(state);
}

void LinkSession::alignToStart()
{
    auto state = impl_->link.captureAppSessionState();
    state.requestBeatAtStartPlayingTime(0.0, kBarBeats);
    impl_->link.commitAppSessionState(state);
}

void LinkSession::requestStop()
{
    auto state = impl_->link.captureAppSessionState();
    state.setIsPlaying(false, impl_->link.clock().micros());
    impl_->link.commitAppSessionState(state);
}

// The playback thread's side: Link's audio-thread capture and commit, which take no lock.
BeatLine LinkSession::captureLine(Clock::Duration now, double quantum)
{
    const auto state = impl_->link.captureAudioSessionState();
    return {now, state.beatAtTime(linkTimeFromSteady(now), quantum), state.tempo()};
}

void LinkSession::commitBeatAtTime(double beat, Clock::Duration time, double quantum)
{
    auto state = impl_->link.captureAudioSessionState();
    state.requestBeatAtTime(beat, linkTimeFromSteady(time), quantum);
    impl_->link.commitAudioSessionState(state);
}
