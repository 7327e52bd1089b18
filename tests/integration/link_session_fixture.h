// The Link tests' fixture: a private JACK dummy server with a recorder on "rec:input", our
// player on it with the real Link session, a second peer (harness/link_peer) when a test starts
// one, and the session's grid as we saw it, to judge each recorded event by.
#pragma once

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include "app/commands.h"
#include "app/session/session_commands.h"
#include "engine/midi_port.h"
#include "engine/playback.h"
#include "engine/refresh.h"
#include "engine/steady_clock.h"
#include "harness/child_process.h"
#include "harness/jack_recorder.h"
#include "harness/pty_program.h"
#include "platform/os/realtime_thread.h"
#include "platform/sound/jack_client.h"
#include "platform/sound/link_session.h"
#include "platform/sound/midi_jack_probe.h"
#include "platform/sound/system_midi_output.h"
#include "resources/command_ids.h"
#include "settings/defaults.h"
#include "tests/core/fake_shell_platform.h"
#include "tests/integration/recording_reporter.h"
#include "tests/core/no_ports.h"

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

class LinkSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!programExists("/usr/bin/jackd"))
            GTEST_SKIP() << "jackd2 is not installed (scripts/setup installs it)";
        directory_ = makeTestDirectory();
        serverName_ = "pulselattice-link-" + std::to_string(getpid());
        setenv("JACK_DEFAULT_SERVER", serverName_.c_str(), 1);
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"jackd", "-n", serverName_, "-d", "dummy", "-r", "48000", "-p", "256"},
            directory_ + "/jackd.log");
        if (!waitFor([] { return jackServerAnswers(); }, 10s))
            GTEST_SKIP() << "the JACK dummy server does not start: " << server_->log();
        recorder_ = std::make_unique<JackRecorder>("rec");
        ASSERT_TRUE(recorder_->ok());

        fillBuiltInDefaults(working_);
        working_.alphaDuration = 400;  // 400 ms at tempo 96: 150 BPM
        working_.betaDuration = 400;
        working_.numeral = 2.0;
        working_.layerIndex = 1;
        player_.port.backend = &output_;
        player_.port.reporter = &reporter_;
        const uint32_t count = output_.portCount();
        for (uint32_t i = 0; i < count; ++i) {
            std::string name;
            if (output_.portName(i, name) && name == "JACK: rec:input")
                working_.midiDeviceId = static_cast<int32_t>(i);
        }
        ASSERT_GE(working_.midiDeviceId, 0) << "rec:input is not listed";
        session_.timeline = &link_;
        transport_.session = &session_;
        transport_.prepareThread = requestRealtimeScheduling;  // as the program does: SCHED_FIFO where allowed
        ASSERT_EQ(startPlaybackThread(transport_, player_, working_, clock_), 0);
        refreshAcceptedConcept(player_, working_);
        transportConceptAccepted(app_);
    }

    void TearDown() override
    {
        if (transport_.threadStarted) {
            if (working_.playState == Playing)
                dispatchCommand(app_, Command::Stop);
            shutdownPlayback(transport_, player_);
        }
        link_.setEnabled(false);
        peer_.reset();
        recorder_.reset();
        server_.reset();
        unsetenv("JACK_DEFAULT_SERVER");
        removeTestDirectory(directory_);
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
    // knows it at this moment (Link refines its view of the session's clock as it goes, by a few
    // µs, so each event is judged by the grid known around its own time).
    bool poll()
    {
        followSession(app_);
        const Clock::Duration now = clock_.now();
        grid_.push_back({now, link_.beatAtTime(now, kBarBeats), link_.tempo()});
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

    // A recorded event's time on the steady clock (JACK's clock carried over by the two clocks'
    // difference read side by side, as our JACK output carries the other way).
    Clock::Duration steadyTimeOf(const JackRecorder::Event& event)
    {
        return Clock::Duration(event.timeNs - jackMinusSteadyNs());
    }

    // Each event with the given status (0x90: every note-on), as its distance from the nearest grid point (of
    // `perBeat` points per beat) on our view of the session, in µs. Events up to `settledAfter`
    // (a tempo change, plus the output's latency) are left out: they were sent before it.
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
            const GridSample* nearest = &grid_.front();
            for (const GridSample& sample : grid_)
                if (std::llabs((sample.time - t).count()) < std::llabs((nearest->time - t).count()))
                    nearest = &sample;
            const double beatsPerNs = nearest->bpm / 60e9;
            const double beat = nearest->beat + static_cast<double>((t - nearest->time).count()) * beatsPerNs;
            const double onGrid = std::round(beat * perBeat) / perBeat;
            errors.push_back((beat - onGrid) / beatsPerNs / 1000.0);
        }
        return errors;
    }

    // Every judged note-on within a frame of its beat, the first beat after a start or a tempo
    // change included.
    static void expectNoteOnsOnTheirBeats(const std::vector<double>& errors)
    {
        double worst = 0;
        for (double error : errors)
            worst = std::max(worst, std::abs(error));
        std::printf("%zu note-ons: the first %.1f µs off its beat, the worst %.1f µs\n", errors.size(),
                    errors.empty() ? 0.0 : errors.front(), worst);
        for (size_t i = 0; i < errors.size(); ++i)
            EXPECT_LE(std::abs(errors[i]), kFrameUs) << "note-on " << i << " is " << errors[i] << " µs off its beat";
    }

    struct GridSample {
        Clock::Duration time;
        double beat, bpm;
    };
    std::vector<GridSample> grid_;
    std::string directory_, serverName_;
    std::unique_ptr<ChildProcess> server_, peer_;
    std::unique_ptr<JackRecorder> recorder_;
    SystemMidiOutput output_;
    RecordingReporter reporter_;
    SteadyClock clock_;
    PlayerState player_;
    Transport transport_;
    SettingsRecord working_{}, defaults_{};
    ParameterFile parameterFile_;
    NoPorts devices_;
    FakeShellPlatform shell_;
    LinkSession link_;
    SessionSync session_;
    AppContext app_{shell_, player_, transport_, working_, defaults_, parameterFile_, devices_, clock_};
};
