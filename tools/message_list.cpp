#include "tools/message_list.h"

#include <cstdio>

void writeMessageList(std::ostream& out, const std::vector<TimedMessage>& messages)
{
    char line[64];
    for (const TimedMessage& message : messages) {
        std::snprintf(line, sizeof line, "%lld %02x %02x %02x\n", static_cast<long long>(message.timeMs()),
                      message.status(), message.data1(), message.data2());
        out << line;
    }
}
