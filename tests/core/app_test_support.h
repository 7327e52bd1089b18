// The program's state as the command tests drive it: the built-in settings in both records, an
// open recording port on a virtual clock, a fake shell, and the AppContext over all of them.
#pragma once

#include "app/app_context.h"
#include "dialog_test_support.h"
#include "engine/recording_backend.h"
#include "engine/virtual_clock.h"
#include "fake_shell_platform.h"

struct AppUnderTest {
    AppUnderTest()
    {
        working = builtInRecord();
        defaults = working;
        player.port.backend = &port;
        port.isOpen = true;
    }

    FakeShellPlatform shell;
    VirtualClock clock;
    RecordingBackend port{clock};
    PlayerState player;
    Transport transport;
    SettingsRecord working{}, defaults{};
    ParameterFile parameterFile;
    FakeDeviceListing devices;
    AppContext app{shell, player, transport, working, defaults, parameterFile, devices, clock};
};
