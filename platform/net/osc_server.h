// The OSC server: a UDP socket on its own thread that decodes each packet (liblo) and queues its
// messages, without a lock, for the UI thread, which runs them and sends the replies back to
// their senders. Listens on 127.0.0.1 only unless told to accept from the network.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "app/remote/osc_control.h"
#include "platform/sound/spsc_ring.h"

class OscServer {
public:
    OscServer() = default;
    ~OscServer() { stop(); }
    OscServer(const OscServer&) = delete;
    OscServer& operator=(const OscServer&) = delete;

    // Binds UDP `port` (1-65535) on 127.0.0.1, or on every IPv4 interface with `acceptNetwork`,
    // and starts the receiving thread. False with the reason in `error`.
    bool start(uint16_t port, bool acceptNetwork, std::string& error);
    // Ends the thread and closes the socket. Safe when not started, and twice.
    void stop();
    bool running() const { return socket_ >= 0; }

    // UI thread: runs `handle` on every queued message in order and sends what it returns back
    // to that message's sender.
    void drain(const std::function<std::optional<OscMessage>(const OscMessage&)>& handle);

    // Packets that were not OSC, and messages dropped because the queue was full (any thread).
    uint64_t malformedPackets() const { return malformed_.load(); }
    uint64_t droppedMessages() const { return dropped_.load(); }

private:
    struct Queued {
        OscMessage message;
        sockaddr_in from{};
    };
    void receive();

    int socket_ = -1;
    std::thread thread_;
    std::atomic<bool> quit_{false};
    std::atomic<uint64_t> malformed_{0}, dropped_{0};
    uint64_t reportedMalformed_ = 0, reportedDropped_ = 0;  // UI thread: as last logged
    SpscRing<Queued, 256> queue_;  // the receiving thread writes, the UI thread reads
};
