// Fuzz target: a UDP packet at the OSC server, decoded by liblo (a message or nested bundles) and
// every message run by the handler against a player at rest. Nothing may crash; a /state reply
// encodes and decodes back to itself.
#include "app/transport/transport_owner.h"
#include "engine/recording_backend.h"
#include "engine/refresh.h"
#include "engine/virtual_clock.h"
#include "platform/net/osc_codec.h"
#include "settings/defaults.h"
#include "tests/core/fake_shell_platform.h"
#include "tests/core/no_ports.h"
#include "tests/fuzz/fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<OscMessage> messages;
    (void)decodeOscPacket(data, size, messages);
    if (messages.empty())
        return 0;

    FakeShellPlatform shell;
    VirtualClock clock;
    RecordingBackend port(clock);
    PlayerState player;
    Transport transport;
    SettingsRecord working{}, defaults{};
    fillBuiltInDefaults(working);
    defaults = working;
    ParameterFile parameterFile;  // no path: nothing is written
    NoPorts devices;
    SessionSync session;  // no Link timeline: /link and /tempo find none
    transport.session = &session;
    player.port.backend = &port;
    port.isOpen = true;
    refreshAcceptedConcept(player, working);
    AppContext app{shell, player, transport, working, defaults, parameterFile, devices, clock};
    transportConceptAccepted(app);
    OscCounters counters;
    for (const OscMessage& message : messages) {
        const std::optional<OscMessage> reply = handleOscMessage(app, message, counters);
        if (reply) {
            std::vector<OscMessage> back;
            const std::vector<uint8_t> bytes = encodeOscMessage(*reply);
            FUZZ_CHECK(decodeOscPacket(bytes.data(), bytes.size(), back) && back.size() == 1 &&
                       back[0].address == reply->address);
        }
    }
    FUZZ_CHECK(counters.handled + counters.refused == messages.size());
    FUZZ_CHECK(shell.dialogsRun.empty());
    return 0;
}
