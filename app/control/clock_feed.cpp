#include "app/control/clock_feed.h"

bool takeRealTimeMessage(ClockMessageSink* sink, const uint8_t* message, size_t size, Clock::Duration arrival)
{
    if (size == 0)
        return false;
    const uint8_t status = message[0];
    if (status == kSongPositionStatus) {
        // Two data bytes, least significant seven bits first; a damaged one is dropped.
        if (sink && size >= 3 && message[1] < 0x80 && message[2] < 0x80)
            sink->onClockMessage(status, message[1] | (message[2] << 7), arrival);
        return true;
    }
    if (status < 0xF8)
        return false;
    if (sink && (status == kClockTickStatus || status == kClockStartStatus || status == kClockContinueStatus ||
                 status == kClockStopStatus))
        sink->onClockMessage(status, 0, arrival);
    return true;
}
