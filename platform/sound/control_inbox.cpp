#include "platform/sound/control_inbox.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

ControlInbox::ControlInbox() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

ControlInbox::~ControlInbox()
{
    if (fd_ >= 0)
        close(fd_);
}

void ControlInbox::post(Source source, const uint8_t* bytes, size_t size, Clock::Duration arrival)
{
    ControlMessage message;
    message.size = static_cast<uint32_t>(std::min<size_t>(size, UINT32_MAX));
    std::copy_n(bytes, message.heldSize(), message.bytes.begin());
    message.arrival = arrival;
    if (!rings_[source].push(message)) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    // One write per message; the counter only wakes, its value is not read.
    const uint64_t one = 1;
    if (fd_ >= 0)
        (void)!write(fd_, &one, sizeof one);
}

void ControlInbox::drain(const std::function<void(const ControlMessage&)>& handle)
{
    uint64_t count = 0;
    if (fd_ >= 0)
        (void)!read(fd_, &count, sizeof count);
    // Taken after the read: a message posted meanwhile is either seen now or wakes again.
    for (auto& ring : rings_) {
        while (const ControlMessage* message = ring.front()) {
            const ControlMessage copy = *message;
            ring.pop();
            handle(copy);
        }
    }
}
