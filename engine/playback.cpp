#include "engine/playback.h"

#include "engine/generator.h"
#include "engine/midi_port.h"
#include "engine/pacer.h"
#include "engine/refresh.h"

namespace {

// The playback thread: one pass of the top layer whenever playing, then a wait on the event,
// which returns at once while it is set, so passes follow each other without a gap.
void playbackLoop(Transport& transport, PlayerState& player, Clock& clock)
{
    if (transport.prepareThread)
        transport.prepareThread();
    LayerCounters counters{};  // live as long as the thread; only a rewind sets them back to 0
    Pacer pacer(clock, &transport.control.quit);
    pacer.attachSession(transport.session, &player);
    if (transport.control.quit.load(std::memory_order_relaxed) != 0)
        return;
    for (;;) {
        const int32_t top = topLayerForPass(get(player.topLayer));
        player.resume.settle(counters);  // a rewind asked for while parked starts this pass at 0
        // With Link on, a fresh start first waits for the session's next bar line.
        transport.passRunning.store(true);
        if (get(player.playing) != 0 && pacer.beginPass() &&
            !playLayerCycle(player, counters, pacer, top)) {
            transport.passLeft.store(true);
            transport.passRunning.store(false);
            return;
        }
        transport.passRunning.store(false);
        player.resume.settle(counters);
        if (transport.threadEvent.wait())
            pacer.reanchor();  // we were stopped: the next event starts from now, not in a burst
        if (transport.control.quit.load(std::memory_order_relaxed) != 0)
            return;
    }
}

}  // namespace

int startPlaybackThread(Transport& transport, PlayerState& player, SettingsRecord& working, Clock& clock)
{
    player.port.clock = &clock;
    if (!portIsOpen(player)) {
        put(player.deviceId, working.midiDeviceId);
        if (openPort(player) != 0)
            return 1;
    }
    launchPlaybackThread(transport, player, working, clock);
    return 0;
}

void launchPlaybackThread(Transport& transport, PlayerState& player, SettingsRecord& working, Clock& clock)
{
    player.port.clock = &clock;
    put(player.playing, 0);
    transport.threadEvent.reset();
    transport.control.quit.store(0, std::memory_order_relaxed);
    refreshTopLayer(player, working);
    transport.clock = &clock;
    transport.passLeft.store(false);
    transport.control.thread =
        std::thread(playbackLoop, std::ref(transport), std::ref(player), std::ref(clock));
    transport.threadStarted = true;
}

void startPlayback(Transport& transport, PlayerState& player)
{
    put(player.playing, 1);
    transport.threadEvent.set();
}

void rewindPlayback(PlayerState& player)
{
    player.resume.requestRewind();
}

void stopPlayback(Transport& transport, PlayerState& player)
{
    put(player.playing, 0);
    sendNoteOffSweep(player);
    transport.threadEvent.reset();
}

bool haltPlaybackThread(Transport& transport)
{
    if (!transport.threadStarted)
        return false;
    transport.control.quit.store(1, std::memory_order_relaxed);
    if (transport.clock)
        transport.clock->interrupt();
    transport.threadEvent.set();
    if (transport.control.thread.joinable())
        transport.control.thread.join();
    transport.threadStarted = false;
    return transport.passLeft.load();
}

void shutdownPlayback(Transport& transport, PlayerState& player)
{
    haltPlaybackThread(transport);
    if (portIsOpen(player))
        closePort(player);  // a port that never opened has nothing to close and nothing to report
}
