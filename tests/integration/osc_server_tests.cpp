// The OSC server with liblo's own tools on the other side: oscsend's messages run their commands
// on the (test's) UI thread, /state answers a liblo sender, malformed packets are counted, and the
// socket listens on 127.0.0.1 only unless the network is accepted.
#include <gtest/gtest.h>

#include <lo/lo.h>

#include <arpa/inet.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/command_states.h"
#include "app/transport/transport_owner.h"
#include "engine/recording_backend.h"
#include "engine/refresh.h"
#include "engine/virtual_clock.h"
#include "harness/child_process.h"
#include "platform/net/osc_server.h"
#include "settings/defaults.h"
#include "tests/core/fake_shell_platform.h"
#include "tests/core/no_ports.h"

namespace {

using namespace std::chrono_literals;

// A free UDP port on the loopback interface, found by binding port 0.
uint16_t freeUdpPort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// The local address /proc/net/udp lists for `port` ("0100007F" for 127.0.0.1), empty for none.
std::string boundAddress(uint16_t port)
{
    std::ifstream table("/proc/net/udp");
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    for (std::string line; std::getline(table, line);) {
        const size_t colon = line.find(':');
        const size_t local = line.find_first_not_of(' ', colon + 1);
        const std::string entry = line.substr(local, 13);
        if (entry.size() == 13 && entry.substr(8) == wanted)
            return entry.substr(0, 8);
    }
    return {};
}

class OscServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!programExists(OSCSEND_PROGRAM))
            GTEST_SKIP() << "oscsend is not installed (liblo-tools; scripts/setup installs it)";
        directory_ = makeTestDirectory();
        fillBuiltInDefaults(working_);
        defaults_ = working_;
        player_.port.backend = &port_;
        port_.isOpen = true;
        transport_.session = &session_;
        refreshAcceptedConcept(player_, working_);
        transportConceptAccepted(app_);
        oscPort_ = freeUdpPort();
        std::string error;
        ASSERT_TRUE(server_.start(oscPort_, false, error)) << error;
    }
    void TearDown() override
    {
        server_.stop();
        removeTestDirectory(directory_);
    }

    // oscsend's message, waited for as the window's poll would.
    bool oscsend(const std::vector<std::string>& message, const std::function<bool()>& arrived)
    {
        std::vector<std::string> argv{OSCSEND_PROGRAM, "127.0.0.1", std::to_string(oscPort_)};
        argv.insert(argv.end(), message.begin(), message.end());
        ChildProcess sender(argv, directory_ + "/oscsend.log");
        return waitFor([&] { return poll() && arrived(); }, 5s);
    }
    bool poll()
    {
        server_.drain([&](const OscMessage& message) { return handleOscMessage(app_, message, counters_); });
        std::this_thread::sleep_for(2ms);
        return true;
    }

    std::string directory_;
    uint16_t oscPort_ = 0;
    OscServer server_;
    OscCounters counters_;
    FakeShellPlatform shell_;
    VirtualClock clock_;
    RecordingBackend port_{clock_};
    PlayerState player_;
    Transport transport_;
    SettingsRecord working_{}, defaults_{};
    ParameterFile parameterFile_;
    NoPorts devices_;
    SessionSync session_;
    AppContext app_{shell_, player_, transport_, working_, defaults_, parameterFile_, devices_, clock_};
};

}  // namespace

TEST_F(OscServerTest, OscsendsMessagesRunTheirCommandsAndWrongOnesAreRefused)
{
    EXPECT_EQ(boundAddress(oscPort_), "0100007F") << "listens on 127.0.0.1 only";
    ASSERT_TRUE(oscsend({"/pulselattice/play"}, [&] { return working_.playState == Playing; }));
    ASSERT_TRUE(oscsend({"/pulselattice/mute", "ii", "4", "1"}, [&] { return player_.mutedLayers.load() == 0b1000u; }));
    ASSERT_TRUE(oscsend({"/pulselattice/solo", "i", "2"}, [&] { return app_.layerMutes.solo == 1; }));
    ASSERT_TRUE(oscsend({"/pulselattice/clock", "i", "1"}, [&] { return session_.clockOn.load(); }));
    ASSERT_TRUE(oscsend({"/pulselattice/stop"}, [&] { return working_.playState == Ready; }));
    EXPECT_EQ(counters_.handled, 5u);
    // A float where an int belongs, and a layer out of range: one line each, counted, nothing done.
    ASSERT_TRUE(oscsend({"/pulselattice/mute", "fi", "1.0", "1"}, [&] { return counters_.refused == 1; }));
    ASSERT_TRUE(oscsend({"/pulselattice/mute", "ii", "9", "1"}, [&] { return counters_.refused == 2; }));
    ASSERT_TRUE(oscsend({"/pulselattice/tempo", "f", "100"}, [&] { return counters_.refused == 3; }))
        << "no Link: the tempo is not ours to take from outside";
    EXPECT_EQ(app_.layerMutes.muted, 0b1000u);
    EXPECT_TRUE(shell_.dialogsRun.empty());
}

TEST_F(OscServerTest, StateAnswersALibloSenderAndMalformedPacketsAreOnlyCounted)
{
    app_.layerMutes.muted = 0b101;
    lo_server client = lo_server_new_with_proto(nullptr, LO_UDP, nullptr);
    ASSERT_NE(client, nullptr);
    lo_address target = lo_address_new("127.0.0.1", std::to_string(oscPort_).c_str());
    std::vector<std::string> replies;
    lo_server_add_method(client, "/pulselattice/state", nullptr,
                         [](const char*, const char* types, lo_arg** argv, int argc, lo_message, void* data) {
                             auto& out = *static_cast<std::vector<std::string>*>(data);
                             std::string text = types;
                             if (argc == 6)
                                 text += std::string(" ") + &argv[0]->s + " " + std::to_string(argv[1]->i) + " " +
                                         std::to_string(argv[2]->i);
                             out.push_back(text);
                             return 0;
                         },
                         &replies);
    ASSERT_GT(lo_send_from(target, client, LO_TT_IMMEDIATE, "/pulselattice/state", ""), 0);
    EXPECT_TRUE(waitFor([&] {
        poll();
        lo_server_recv_noblock(client, 0);
        return !replies.empty();
    }, 5s));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], "siiiif ready 5 0");

    // Not OSC: counted by the server, never handed to the handler.
    const int raw = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(oscPort_);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const char junk[] = "/pulselattice/play";  // no type tag string, no padding
    ::sendto(raw, junk, 7, 0, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::close(raw);
    EXPECT_TRUE(waitFor([&] { return poll() && server_.malformedPackets() == 1; }, 5s));
    EXPECT_EQ(counters_.handled, 1u);
    EXPECT_EQ(working_.playState, Ready);
    lo_address_free(target);
    lo_server_free(client);
}
