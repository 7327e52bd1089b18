#include "platform/net/osc_server.h"

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "common/diagnostics.h"
#include "platform/net/osc_codec.h"

namespace {

// The receiving thread looks at the quit flag at least this often (ms).
constexpr int kPollMs = 50;
// The largest UDP payload.
constexpr size_t kMaxPacket = 65536;

}  // namespace

bool OscServer::start(uint16_t port, bool acceptNetwork, std::string& error)
{
    stop();
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(acceptNetwork ? INADDR_ANY : INADDR_LOOPBACK);
    if (port == 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = port == 0 ? "port 0 is not a port" : "UDP port " + std::to_string(port) + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    socket_ = fd;
    quit_.store(false);
    thread_ = std::thread([this] { receive(); });
    return true;
}

void OscServer::stop()
{
    if (socket_ < 0)
        return;
    quit_.store(true);
    if (thread_.joinable())
        thread_.join();
    ::close(socket_);
    socket_ = -1;
    queue_.clear();
}

void OscServer::receive()
{
    std::vector<uint8_t> packet(kMaxPacket);
    std::vector<OscMessage> messages;
    while (!quit_.load()) {
        pollfd waiting{socket_, POLLIN, 0};
        if (::poll(&waiting, 1, kPollMs) <= 0)
            continue;
        Queued queued;
        socklen_t fromLength = sizeof queued.from;
        const ssize_t size = ::recvfrom(socket_, packet.data(), packet.size(), 0,
                                        reinterpret_cast<sockaddr*>(&queued.from), &fromLength);
        if (size <= 0)
            continue;
        messages.clear();
        if (!decodeOscPacket(packet.data(), static_cast<size_t>(size), messages))
            malformed_.fetch_add(1);
        for (OscMessage& message : messages) {
            queued.message = std::move(message);
            if (!queue_.push(queued))
                dropped_.fetch_add(1);
        }
    }
}

void OscServer::drain(const std::function<std::optional<OscMessage>(const OscMessage&)>& handle)
{
    const uint64_t malformed = malformed_.load(), dropped = dropped_.load();
    if (malformed != reportedMalformed_ || dropped != reportedDropped_) {
        logDiagnostic("OSC: " + std::to_string(malformed) + " malformed packet(s) and " + std::to_string(dropped) +
                      " message(s) over a full queue ignored so far");
        reportedMalformed_ = malformed;
        reportedDropped_ = dropped;
    }
    while (const Queued* queued = queue_.front()) {
        const std::optional<OscMessage> reply = handle(queued->message);
        if (reply) {
            const std::vector<uint8_t> bytes = encodeOscMessage(*reply);
            if (!bytes.empty() && ::sendto(socket_, bytes.data(), bytes.size(), MSG_DONTWAIT,
                                           reinterpret_cast<const sockaddr*>(&queued->from), sizeof queued->from) < 0)
                logDiagnostic(std::string("OSC: the reply could not be sent: ") + std::strerror(errno));
        }
        queue_.pop();
    }
}
