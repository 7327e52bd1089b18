#include "app/control/mmc.h"

#include "resources/command_ids.h"

namespace {

constexpr uint8_t kSysEx = 0xF0, kEndOfSysEx = 0xF7;
constexpr uint8_t kUniversalRealTime = 0x7F;
constexpr uint8_t kMmcCommand = 0x06;
// Commands 40..77 carry a count byte and that many data bytes; 01..3F carry none.
constexpr uint8_t kFirstCommandWithData = 0x40;

int commandIdOf(uint8_t mmc)
{
    switch (mmc) {
    case 0x01: return Command::Stop;
    case 0x02:
    case 0x03: return Command::Play;
    case 0x05: return Command::Rewind;
    default: return 0;
    }
}

}  // namespace

std::vector<int> mmcCommandIds(const uint8_t* message, size_t size)
{
    if (size < 6 || message[0] != kSysEx || message[1] != kUniversalRealTime || message[2] > 0x7F ||
        message[3] != kMmcCommand || message[size - 1] != kEndOfSysEx)
        return {};
    std::vector<int> ids;
    const size_t end = size - 1;
    for (size_t i = 4; i < end;) {
        const uint8_t command = message[i];
        if (command >= 0x80)
            return {};
        if (command < kFirstCommandWithData) {
            if (const int id = commandIdOf(command))
                ids.push_back(id);
            ++i;
            continue;
        }
        if (i + 1 >= end || message[i + 1] >= 0x80)
            return {};
        i += 2 + message[i + 1];
        if (i > end)
            return {};
    }
    return ids;
}
