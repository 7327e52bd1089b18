#include "app/output/message_list.h"

#include <cstdio>

std::string formatMessageList(std::span<const TimedMessage> messages)
{
    std::string text;
    text.reserve(messages.size() * 16);
    char line[64];
    for (const TimedMessage& message : messages) {
        const int length = std::snprintf(line, sizeof line, "%lld %02x %02x %02x\n",
                                         static_cast<long long>(message.timeMs()), message.status(),
                                         message.data1(), message.data2());
        text.append(line, static_cast<size_t>(length));
    }
    return text;
}
