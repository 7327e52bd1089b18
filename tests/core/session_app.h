// The application on fakes for the tests of playing with others and remote control: a recording
// MIDI port (device 0), a scripted Link session, an external clock follower, and the side files
// in a scratch folder.
#pragma once

#include "app/app_context.h"
#include "app/command_states.h"
#include "dialog_test_support.h"
#include "engine/midi_clock_follower.h"
#include "engine/virtual_clock.h"
#include "fake_shell_platform.h"
#include "file_test_support.h"
#include "generator_test_support.h"
#include "scripted_timeline.h"

struct SessionApp {
    SessionApp()
    {
        working = builtInRecord();
        defaults = working;
        player.port.backend = &port;
        port.isOpen = true;
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
        working.playState = Ready;
        updateCommandStates(shell, Ready);
    }

    ScratchDir dir;
    FakeShellPlatform shell;
    VirtualClock clock;
    RecordingBackend port{clock};
    PlayerState player;
    Transport transport;
    SettingsRecord working{}, defaults{};
    ParameterFile parameterFile;
    FakeDeviceListing devices;
    ScriptedTimeline timeline{clock, 120.0};
    MidiClockFollower follower;
    SessionSync session;
    AppContext app{shell, player, transport, working, defaults, parameterFile, devices, clock};
};
