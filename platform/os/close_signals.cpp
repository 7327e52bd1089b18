#include "platform/os/close_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace {

int pipeEnds[2] = {-1, -1};

// Only async-signal-safe calls: write() of one byte, with errno kept for the interrupted code.
void onCloseSignal(int signal)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &byte, 1);  // a full pipe already says "close"
    errno = savedErrno;
}

}  // namespace

namespace CloseSignals {

bool install()
{
    if (pipeEnds[0] >= 0)
        return true;
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipeEnds[0] = pipeEnds[1] = -1;
        return false;
    }
    struct sigaction action {};
    action.sa_handler = onCloseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    return true;
}

int readEnd()
{
    return pipeEnds[0];
}

int take()
{
    int last = 0;
    unsigned char bytes[16];
    for (;;) {
        const ssize_t n = ::read(pipeEnds[0], bytes, sizeof bytes);
        if (n > 0) {
            last = bytes[n - 1];
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return last;
    }
}

}  // namespace CloseSignals
