#include "platform/sound/jack_client.h"

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

void quiet(const char*) {}

// PipeWire's libjack (Debian's pipewire-jack, or pw-jack) lives in a directory of PipeWire's.
bool libjackIsPipeWire()
{
    Dl_info library{};
    return dladdr(reinterpret_cast<void*>(&jack_client_open), &library) != 0 && library.dli_fname &&
           std::strstr(library.dli_fname, "pipewire") != nullptr;
}

// True when jackd's socket (<shm dir>/jack_<server>_<uid>_0) accepts a connection.
bool jackdSocketAnswers()
{
    const char* server = std::getenv("JACK_DEFAULT_SERVER");
    if (!server || !*server)
        server = "default";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const int length = std::snprintf(address.sun_path, sizeof address.sun_path, "/dev/shm/jack_%s_%d_0", server,
                                     static_cast<int>(getuid()));
    if (length <= 0 || static_cast<size_t>(length) >= sizeof address.sun_path)
        return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return answers;
}

}  // namespace

jack_client_t* openJackClient(const char* name)
{
    // Without a server libjack would print its connection failures; every caller reports its own.
    static std::once_flag silenced;
    std::call_once(silenced, [] {
        jack_set_error_function(quiet);
        jack_set_info_function(quiet);
    });
    // jackd's libjack frees every client of this process whose server has died at the next
    // jack_client_open, also when that open fails; a JACK client elsewhere in the program (the
    // synthesiser's audio output) would then be freed under its owner. So with jackd's libjack a
    // client is opened only while jackd answers. PipeWire's libjack has no such socket: it is
    // asked directly.
    if (!libjackIsPipeWire() && !jackdSocketAnswers())
        return nullptr;
    jack_status_t status{};
    return jack_client_open(name, JackNoStartServer, &status);
}

int64_t jackMinusSteadyNs()
{
    const auto steadyNs = [] {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    int64_t best = 0;
    int64_t narrowest = INT64_MAX;
    for (int i = 0; i < 3; ++i) {
        const int64_t before = steadyNs();
        // Whole microseconds: the true time lies anywhere in the one read, so its middle is taken.
        const int64_t jack = static_cast<int64_t>(jack_get_time()) * 1000 + 500;
        const int64_t after = steadyNs();
        if (after - before < narrowest) {
            narrowest = after - before;
            best = jack - (before + (after - before) / 2);
        }
    }
    return best;
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
