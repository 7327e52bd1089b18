#include "app/settings_apply.h"

#include "app/command_states.h"
#include "app/transport/transport_owner.h"
#include "engine/midi_port.h"
#include "engine/refresh.h"
#include "settings/defaults.h"
#include "settings/numeral_presets.h"

namespace {

// Only the fields the dialog changed are taken, each whole: every other field of the program's
// records stays as it is.
void takeEdit(AppContext& app, const SettingsEdit& edit)
{
    takeChangedFields(app.working, edit.workingBefore, edit.working);
    takeChangedFields(app.defaults, edit.defaultsBefore, edit.defaults);
}

}  // namespace

SettingsEdit editOf(const AppContext& app)
{
    return {app.working, app.defaults, app.working, app.defaults};
}

void applyConcept(AppContext& app, const SettingsEdit& edit)
{
    takeEdit(app, edit);
    transportConceptAccepted(app);
    takeExactPresetNumeral(app.working);
    mergeIntoDefaults(app.defaults, app.working);
    refreshAcceptedConcept(app.player, app.working);
    changeDevice(app.player, app.working);
    sendProgramChanges(app.player);
    app.shell.setCaption(captionForNumeral(app.working.numeral));
}

void applyDurationsAndOffsets(AppContext& app, const SettingsEdit& edit)
{
    takeEdit(app, edit);  // with the defaults its own "save as default" stored
    refreshDurations(app.player, app.working);
    refreshNotes(app.player, app.working);
    refreshVelocities(app.player, app.working);
    refreshModulation(app.player, app.working);
    changeDevice(app.player, app.working);  // a new port keeps its own programs
}

void applyTones(AppContext& app, const SettingsEdit& edit)
{
    takeEdit(app, edit);
    mergeIntoDefaults(app.defaults, app.working);
    for (int32_t c = 0; c < 16; ++c) {
        put(app.player.effectiveTones[c], app.working.tones[c]);
        sendShortMessage(app.player, 0xC0 + c, app.working.tones[c], 0);
    }
}

void applyNotes(AppContext& app, const SettingsEdit& edit)
{
    takeEdit(app, edit);
    app.working.noteOffset = 0;
    mergeIntoDefaults(app.defaults, app.working);
    refreshNotes(app.player, app.working);
}

void applyVelocities(AppContext& app, const SettingsEdit& edit)
{
    takeEdit(app, edit);
    app.working.velocityOffset = 0;
    mergeIntoDefaults(app.defaults, app.working);
    refreshVelocities(app.player, app.working);
}
