#include "platform/midi_jack_probe.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

bool jackServerAnswers()
{
    // jackd2 listens on <tmpdir>/jack_<server>_<uid>_0; the server name defaults to "default".
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
