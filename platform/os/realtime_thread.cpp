#include "platform/os/realtime_thread.h"

#include <pthread.h>
#include <sched.h>

namespace {

// A modest SCHED_FIFO priority: above every ordinary thread, below the system's own.
bool modestPriority(sched_param& parameter)
{
    const int lowest = sched_get_priority_min(SCHED_FIFO);
    const int highest = sched_get_priority_max(SCHED_FIFO);
    if (lowest < 0 || highest < 0)
        return false;
    parameter.sched_priority = lowest + (highest - lowest) / 4;
    return true;
}

}  // namespace

void requestRealtimeScheduling()
{
    sched_param parameter{};
    if (modestPriority(parameter))
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameter);  // refusal is fine
}

void requestRealtimeScheduling(int threadId)
{
    sched_param parameter{};
    if (modestPriority(parameter))
        sched_setscheduler(threadId, SCHED_FIFO, &parameter);  // refusal is fine
}
