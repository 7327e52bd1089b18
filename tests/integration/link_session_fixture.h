// The Link tests' fixture: our player on a private JACK dummy server with a recorder on
// "rec:input", the real Link session, a second peer (harness/link_peer) when a test starts one, and
// the session's grid as we saw it, to judge each recorded event by.
#pragma once

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/session/session_commands.h"
#include "harness/pty_program.h"
#include "harness/session_grid.h"
#include "platform/sound/link_session.h"
#include "tests/integration/jack_playback_fixture.h"

using namespace std::chrono_literals;

inline constexpr double kFrameUs = 1e6 / 48000.0;  // one frame at 48 kHz: 20.8 µs

// Lines of the peer's log that say `what` ("tempo", "playing"), as their values.
inline std::vector<std::string> peerSaw(const std::string& log, const std::string& what)
{
    std::vector<std::string> values;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string stamp, word, value;
        if (words >> stamp >> word >> value && word == what)
            values.push_back(value);
    }
    return values;
}

class LinkSessionTest : public JackPlaybackTest {
protected:
    void SetUp() override
    {
        JackPlaybackTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        working_.alphaDuration = 400;  // 400 ms at tempo 96: 150 BPM
        working_.betaDuration = 400;
        working_.numeral = 2.0;
        working_.layerIndex = 1;
        session_.timeline = &link_;
        startOnRecorder();
    }

    void TearDown() override
    {
        JackPlaybackTest::TearDown();
        link_.setEnabled(false);
        peer_.reset();
    }

    void startPeer(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), LINK_PEER_PROGRAM);
        peer_ = std::make_unique<ChildProcess>(arguments, directory_ + "/peer.log");
        ASSERT_TRUE(peer_->started());
    }

    // The peer's session has been there longer than Link's tie window: two sessions that meet
    // within 0.5 s of each other's age are ordered by their ids, not by age. A session a user
    // joins is older than that (the test plan opens LinkHut before the app).
    void waitUntilThePeersSessionIsEstablished()
    {
        ASSERT_TRUE(waitFor([&] { return peer_->log().find("tempo ") != std::string::npos; }, 5s)) << peer_->log();
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
    }

    // The peer has seen us; returns how long it took it after joining, in ms.
    long waitForPeer()
    {
        if (!waitFor([&] { return peer_->log().find("found ") != std::string::npos; }, 5s))
            return -1;
        std::istringstream log(peer_->log().substr(peer_->log().find("found ")));
        std::string word;
        long ms = -1;
        log >> word >> ms;
        return ms;
    }

    // Polls the session's transport as the window does, and notes the session's grid as our peer
    // knows it at this moment.
    bool poll()
    {
        followSession(app_);
        grid_.sample(link_, clock_.now());
        return true;
    }
    void followFor(std::chrono::milliseconds duration)
    {
        const auto end = std::chrono::steady_clock::now() + duration;
        while (std::chrono::steady_clock::now() < end) {
            poll();
            std::this_thread::sleep_for(5ms);
        }
    }

    Clock::Duration steadyTimeOf(const JackRecorder::Event& event) { return JackPlaybackTest::steadyTimeOf(event.timeNs); }

    // Each event with the given status (0x90: every note-on), as its distance from the nearest
    // grid point (of `perBeat` points per beat) on our view of the session, in µs. Events up to
    // `settledAfter` (a tempo change, plus the output's latency) are left out: they were sent
    // before it. So are those beside one of the server's xruns, counted in besideXruns_.
    std::vector<double> gridErrorsUs(uint8_t status, int perBeat, Clock::Duration settledAfter = {},
                                     Clock::Duration settledBefore = Clock::Duration::max())
    {
        std::vector<double> errors;
        for (const JackRecorder::Event& event : recorder_->events()) {
            const unsigned long sent = std::stoul(event.bytes.substr(0, 2), nullptr, 16);
            if (status == 0x90 ? (sent & 0xF0) != 0x90 : sent != status)
                continue;  // 0x90: a note-on on any channel
            const Clock::Duration t = steadyTimeOf(event);
            if (t <= settledAfter || t >= settledBefore || grid_.empty())
                continue;
            if (recorder_->nearXrun(event.timeNs))
                ++besideXruns_;
            else
                errors.push_back(grid_.errorUs(t, perBeat));
        }
        return errors;
    }

    // Every judged note-on within a frame of its beat, the first beat after a start or a tempo
    // change included.
    void expectNoteOnsOnTheirBeats(const std::vector<double>& errors)
    {
        double worst = 0;
        for (double error : errors)
            worst = std::max(worst, std::abs(error));
        std::printf("%zu note-ons: the first %.1f µs off its beat, the worst %.1f µs (%zu events beside the "
                    "server's %d xruns not judged)\n",
                    errors.size(), errors.empty() ? 0.0 : errors.front(), worst, besideXruns_, recorder_->xruns());
        for (size_t i = 0; i < errors.size(); ++i)
            EXPECT_LE(std::abs(errors[i]), kFrameUs) << "note-on " << i << " is " << errors[i] << " µs off its beat";
    }

    SessionGrid grid_;
    std::unique_ptr<ChildProcess> peer_;
    size_t besideXruns_ = 0;
    LinkSession link_;
};

// At least `minimum` events judged, or the test is skipped when the rest fell beside the server's
// xruns: a machine too busy for the dummy server to keep its cycles cannot show placement there.
#define ASSERT_JUDGED_AT_LEAST(judged, minimum)                                                           \
    do {                                                                                                 \
        const size_t judgedCount = (judged);                                                             \
        if (tooBusyToJudge(judgedCount, (minimum), besideXruns_))                                        \
            GTEST_SKIP() << "only " << judgedCount << " events were clear of the JACK server's "         \
                         << recorder_->xruns() << " xruns: the machine is too busy to judge placement";  \
        ASSERT_GE(judgedCount, (minimum));                                                               \
    } while (false)
