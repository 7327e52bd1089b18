#include "app/settings_apply.h"

#include "app/commands.h"
#include "engine/midi_port.h"
#include "engine/refresh.h"
#include "settings/defaults.h"
#include "settings/numeral_presets.h"

void applyConcept(AppContext& app)
{
    app.working.playState = Ready;
    updateCommandStates(app.shell, Ready);
    if (isPresetPosition(app.working.numeralPreset))
        app.working.numeral = numeralPresetValue(app.working.numeralPreset - 1);  // exact, not the shown text
    mergeIntoDefaults(app.defaults, app.working);
    refreshAcceptedConcept(app.player, app.working);
    changeDevice(app.player, app.working);
    sendProgramChanges(app.player);
    app.shell.setCaption(captionForNumeral(app.working.numeral));
}

void applyDurationsAndOffsets(AppContext& app)
{
    // The dialog has stored what its own "save as default" keeps.
    refreshDurations(app.player, app.working);
    refreshNotes(app.player, app.working);
    refreshVelocities(app.player, app.working);
    refreshModulation(app.player, app.working);
    changeDevice(app.player, app.working);  // a new port keeps its own programs
}

void applyTones(AppContext& app)
{
    mergeIntoDefaults(app.defaults, app.working);
    for (int32_t c = 0; c < 16; ++c) {
        put(app.player.effectiveTones[c], app.working.tones[c]);
        sendShortMessage(app.player, 0xC0 + c, app.working.tones[c], 0);
    }
}

void applyNotes(AppContext& app)
{
    app.working.noteOffset = 0;
    mergeIntoDefaults(app.defaults, app.working);
    refreshNotes(app.player, app.working);
}

void applyVelocities(AppContext& app)
{
    app.working.velocityOffset = 0;
    mergeIntoDefaults(app.defaults, app.working);
    refreshVelocities(app.player, app.working);
}
