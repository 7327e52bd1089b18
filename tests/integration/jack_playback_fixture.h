// Our playback thread on a private JACK dummy server, inside the application's own context (a
// fake shell, the settings record, the transport's owner): the ground the Link, clock-follow and
// latency tests stand on. A test picks its session source, then starts on a listed port, or on a
// recorder of its own (startOnRecorder).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "app/commands.h"
#include "app/transport/transport_owner.h"
#include "engine/midi_port.h"
#include "engine/playback.h"
#include "engine/refresh.h"
#include "engine/session_sync.h"
#include "engine/steady_clock.h"
#include "harness/child_process.h"
#include "harness/jack_recorder.h"
#include "harness/private_jack_server.h"
#include "platform/os/realtime_thread.h"
#include "platform/sound/jack_client.h"
#include "platform/sound/system_midi_output.h"
#include "resources/command_ids.h"
#include "settings/defaults.h"
#include "tests/core/fake_shell_platform.h"
#include "tests/core/no_ports.h"
#include "tests/integration/recording_reporter.h"

class JackPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!PrivateJackServer::installed())
            GTEST_SKIP() << "jackd2 is not installed (scripts/setup installs it)";
        directory_ = makeTestDirectory();
        server_ = std::make_unique<PrivateJackServer>(directory_, "playback");
        if (!server_->start())
            GTEST_SKIP() << "the JACK dummy server does not start: " << server_->log();
        fillBuiltInDefaults(working_);
        player_.port.backend = &output_;
        player_.port.reporter = &reporter_;
        transport_.session = &session_;
        transport_.prepareThread = requestRealtimeScheduling;  // as the program does: SCHED_FIFO where allowed
    }

    void TearDown() override
    {
        if (transport_.threadStarted) {
            if (working_.playState == Playing)
                dispatchCommand(app_, Command::Stop);
            shutdownPlayback(transport_, player_);
        }
        recorder_.reset();
        server_.reset();
        if (!directory_.empty())
            removeTestDirectory(directory_);
    }

    // Starts the playback thread on the listed port `shown` ("JACK: rec:input"), Ready as after an
    // accepted concept.
    void startOn(const std::string& shown)
    {
        ASSERT_TRUE(waitFor([&] { return deviceOf(shown) >= 0; }, std::chrono::seconds(5))) << shown << " is not listed";
        working_.midiDeviceId = deviceOf(shown);
        ASSERT_EQ(startPlaybackThread(transport_, player_, working_, clock_), 0);
        refreshAcceptedConcept(player_, working_);
        transportConceptAccepted(app_);
    }

    // A recorder on "rec:input", and the playback thread started on it.
    void startOnRecorder()
    {
        recorder_ = std::make_unique<JackRecorder>("rec");
        ASSERT_TRUE(recorder_->ok());
        startOn("JACK: rec:input");
    }

    int32_t deviceOf(const std::string& shown)
    {
        const uint32_t count = output_.portCount();
        for (uint32_t i = 0; i < count; ++i) {
            std::string name;
            if (output_.portName(i, name) && name == shown)
                return static_cast<int32_t>(i);
        }
        return -1;
    }

    // A time on JACK's clock (ns) on the steady clock, carried over by the two clocks' difference
    // read side by side, as our JACK output carries the other way.
    static Clock::Duration steadyTimeOf(int64_t jackNs) { return Clock::Duration(jackNs - jackMinusSteadyNs()); }

    // A judged count below `minimum` because events fell beside the server's xruns (which no
    // output can place across) is the machine's limit, not ours: the test says so and skips.
    static bool tooBusyToJudge(size_t judged, size_t minimum, size_t besideXruns)
    {
        return judged < minimum && judged + besideXruns >= minimum;
    }

    std::string directory_;
    std::unique_ptr<PrivateJackServer> server_;
    std::unique_ptr<JackRecorder> recorder_;  // startOnRecorder's
    SystemMidiOutput output_;
    RecordingReporter reporter_;
    SteadyClock clock_;
    PlayerState player_;
    Transport transport_;
    SettingsRecord working_{}, defaults_{};
    ParameterFile parameterFile_;
    NoPorts devices_;
    FakeShellPlatform shell_;
    SessionSync session_;
    AppContext app_{shell_, player_, transport_, working_, defaults_, parameterFile_, devices_, clock_};
};
