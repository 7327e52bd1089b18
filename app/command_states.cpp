#include "app/command_states.h"

#include <cstdio>

#include "resources/command_ids.h"
#include "settings/settings_record.h"

namespace {

// The commands whose enabling follows the play state, in the order they are set.
constexpr int kStatefulCommands[] = {Command::DurationsAndOffsets, Command::Concept, Command::Play, Command::Stop,
                                     Command::Tone, Command::Note, Command::Velocity, Command::Save,
                                     Command::Restore};

bool enabledIn(int commandId, int32_t state)
{
    switch (commandId) {
    case Command::Play: return state == Ready;
    case Command::Stop: return state == Playing;
    default: return state != Playing;
    }
}

}  // namespace

void updateCommandStates(ShellPlatform& shell, int32_t state)
{
    if (state != Idle && state != Ready && state != Playing)
        return;
    for (int id : kStatefulCommands)
        shell.enableMenuItem(id, enabledIn(id, state));
    for (int id : kStatefulCommands)
        shell.enableButton(id, enabledIn(id, state));
    shell.enableMenuItem(Command::Export, state != Idle);  // a menu item only
    shell.enableMenuItem(Command::Rewind, state != Playing);  // a menu item only
}

void disableWhileExporting(ShellPlatform& shell, int32_t state)
{
    for (int id : kStatefulCommands) {
        const bool enabled = id == Command::Stop && enabledIn(id, state);
        shell.enableMenuItem(id, enabled);
        shell.enableButton(id, enabled);
    }
    shell.enableMenuItem(Command::Export, false);
    shell.enableMenuItem(Command::Rewind, false);
}

std::string captionForNumeral(double numeral)
{
    char caption[260];
    std::snprintf(caption, sizeof caption, "%s -- %25.20lf", "pulseLattice", numeral);
    return caption;
}

