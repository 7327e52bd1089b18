// The application on fakes for the tests of playing with others and remote control: a recording
// MIDI port (device 0), a scripted Link session, an external clock follower, and the side files
// in a scratch folder.
#pragma once

#include "app/transport/transport_owner.h"
#include "app_test_support.h"
#include "engine/midi_clock_follower.h"
#include "file_test_support.h"
#include "generator_test_support.h"
#include "scripted_timeline.h"

struct SessionApp : AppUnderTest {
    SessionApp()
    {
        put(player.deviceId, 0);  // a MIDI port
        session.timeline = &timeline;
        session.clockFollower = &follower;
        transport.session = &session;
        parameterFile.path = dir.file("pulseLattice.par");
    }

    // As after an accepted concept.
    void ready()
    {
        refreshAcceptedConcept(player, working);
        transportConceptAccepted(app);
    }

    ScratchDir dir;
    ScriptedTimeline timeline{clock, 120.0};
    MidiClockFollower follower;
    SessionSync session;
};
