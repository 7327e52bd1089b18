// A player whose pacer follows a scripted session on a virtual clock, for the core tests of
// playing on a session's beats.
#pragma once

#include "engine/session_sync.h"
#include "generator_test_support.h"
#include "scripted_timeline.h"

class LatencyRecorder : public RecordingBackend {
public:
    using RecordingBackend::RecordingBackend;
    MessageTime placementLatency() override { return latency; }
    MessageTime latency{};
};

// A player whose pacer follows a scripted session; Link on, clock off, a MIDI port (device 0).
struct GridPlayer {
    VirtualClock clock;
    LatencyRecorder port{clock};
    PlayerState player;
    LayerCounters counters{};
    Pacer pacer{clock};
    SettingsRecord settings{};
    ScriptedTimeline timeline{clock, 120.0};
    SessionSync session;

    GridPlayer(double numeral, int32_t layers, int32_t betaDuration = 240)
    {
        fillBuiltInDefaults(settings);
        settings.numeral = numeral;
        settings.layerIndex = layers - 1;
        settings.betaDuration = betaDuration;
        player.port.backend = &port;
        player.port.clock = &clock;
        port.isOpen = true;
        refreshAcceptedConcept(player, settings);
        put(player.deviceId, 0);
        session.timeline = &timeline;
        session.linkOn = true;
        session.betaBeats = static_cast<double>(settings.betaDuration) / settings.alphaDuration;
        pacer.attachSession(&session, &player);
        put(player.playing, 1);
    }
    void passes(int count)
    {
        for (int i = 0; i < count; ++i)
            if (pacer.beginPass())
                playLayerCycle(player, counters, pacer, topLayerForPass(settings.layerIndex));
    }
    // Send times of the messages with this status (or of every layer-0 note-on for 0x90).
    std::vector<Clock::Duration> timesOf(int status) const
    {
        std::vector<Clock::Duration> times;
        for (const TimedMessage& m : port.messages)
            if (status == 0x90 ? m.status() == 0x90 || m.status() == 0x91 : m.status() == status)
                times.push_back(m.time);
        return times;
    }
};
