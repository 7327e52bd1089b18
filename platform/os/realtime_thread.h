// Real-time scheduling for the playback thread, where the system allows it.
#pragma once

// Asks for SCHED_FIFO at a modest priority for the calling thread; carries on silently when the
// system refuses (no privilege, no RT budget).
void requestRealtimeScheduling();

// The same for another thread of this process, by its kernel thread id.
void requestRealtimeScheduling(int threadId);
