// Everything the application logic works on, gathered so the commands and the start-up and
// closing sequences can be run against fakes in tests. UI thread only.
#pragma once

#include <functional>
#include <string>

#include "app/output/render_output.h"
#include "app/port_names.h"
#include "app/session/clock_follow_state.h"
#include "app/session/tap_tempo.h"
#include "app/shell_platform.h"
#include "app/transport/transport_owner.h"
#include "engine/clock.h"
#include "engine/player_state.h"
#include "engine/playback.h"
#include "engine/device_listing.h"
#include "engine/port_backend.h"
#include "settings/lattice_placement.h"
#include "settings/osc_settings.h"
#include "settings/parameter_file.h"
#include "settings/settings_record.h"

class ControlDesk;

struct AppContext {
    ShellPlatform& shell;
    PlayerState& player;
    Transport& transport;
    SettingsRecord& working;        // WorkingSettings in the program
    SettingsRecord& defaults;       // DefaultSettings in the program
    ParameterFile& parameterFile;
    DeviceListing& devices;         // the ports the device lists show
    Clock& clock;                   // the playback thread's time base
    WavRenderer wavRenderer = nullptr;  // Export's .wav; none in a build without the synthesiser
    LayerMutes layerMutes{};            // as the lattice window set them; the player holds their mask
    KeptPortNames portNames{};          // the chosen ports' names, which their indexes follow
    TransportOwner transportOwner{};    // whether we play: see transport_owner.h
    ControlDesk* controlDesk = nullptr; // the control input's bindings and learn; none: no Controls dialog
    bool exporting = false;             // an Export runs: only Stop, Exit and the lattice window answer
    std::string voiceSetAfterStop{};    // a voice set opened while Playing, restored by Stop ("": none)
    TapTimes tapTimes{};                // the taps of tap tempo
    ClockFollowState clockFollow{};     // an external clock's transport as last carried out
    // Runs the OSC server as the settings say (stopped, or started afresh on their port); returns
    // why it cannot listen, or "". None: the settings are only kept, for the next start.
    std::function<std::string(const OscSettings&)> applyOscSettings{};
};
