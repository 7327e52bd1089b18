#include "platform/realtime_thread.h"

#include <pthread.h>
#include <sched.h>

void requestRealtimeScheduling()
{
    sched_param parameter{};
    const int lowest = sched_get_priority_min(SCHED_FIFO);
    const int highest = sched_get_priority_max(SCHED_FIFO);
    if (lowest < 0 || highest < 0)
        return;
    parameter.sched_priority = lowest + (highest - lowest) / 4;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameter);  // refusal is fine
}
