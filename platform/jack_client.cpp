#include "platform/jack_client.h"

#include <mutex>

namespace {

void quiet(const char*) {}

}  // namespace

jack_client_t* openJackClient(const char* name)
{
    // Without a server libjack would print its connection failures; every caller reports its own.
    static std::once_flag silenced;
    std::call_once(silenced, [] {
        jack_set_error_function(quiet);
        jack_set_info_function(quiet);
    });
    jack_status_t status{};
    return jack_client_open(name, JackNoStartServer, &status);
}

std::vector<std::string> listJackMidiInputs()
{
    std::vector<std::string> names;
    jack_client_t* client = openJackClient(kJackClientName);
    if (!client)
        return names;
    if (const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput)) {
        for (const char** port = ports; *port; ++port) {
            const std::string name = *port;
            if (name.find("Midi Through") == std::string::npos && name.rfind(kJackClientName, 0) != 0)
                names.push_back(name);
        }
        jack_free(ports);
    }
    jack_client_close(client);
    return names;
}
