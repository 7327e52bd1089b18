#include "engine/refresh.h"

#include "common/wrapping_math.h"
#include "settings/rhythm_units.h"

void refreshNumeral(PlayerState& player, const SettingsRecord& working)
{
    player.numeral.store(working.numeral, std::memory_order_relaxed);
}

void refreshDurations(PlayerState& player, const SettingsRecord& working)
{
    put(player.alphaMs, scaledDurationMs(working.tempo, working.alphaDuration));
    put(player.betaMs, scaledDurationMs(working.tempo, working.betaDuration));
}

void refreshModulation(PlayerState& player, const SettingsRecord& working)
{
    put(player.modEnabled, working.modulationEnabled);
    put(player.modNoteOffset, working.modulationNoteOffset);
    put(player.modVelocityOffset, working.modulationVelocityOffset);
    put(player.modLayer, working.modulationLayer);
    put(player.modTone, working.modulationTone);
}

void refreshNotes(PlayerState& player, const SettingsRecord& working)
{
    for (int c = 0; c < 16; ++c)
        put(player.effectiveNotes[c], wrappingAdd(working.notes[c], working.noteOffset));
}

void refreshVelocities(PlayerState& player, const SettingsRecord& working)
{
    for (int c = 0; c < 16; ++c)
        put(player.effectiveVelocities[c], wrappingAdd(working.velocities[c], working.velocityOffset));
}

void refreshTopLayer(PlayerState& player, const SettingsRecord& working)
{
    put(player.topLayer, working.layerIndex);
}

void refreshAcceptedConcept(PlayerState& player, const SettingsRecord& working)
{
    refreshNumeral(player, working);
    refreshDurations(player, working);
    refreshModulation(player, working);
    refreshTables(player, working);
    refreshTopLayer(player, working);
}

void refreshTables(PlayerState& player, const SettingsRecord& working)
{
    for (int c = 0; c < 16; ++c) {
        put(player.effectiveTones[c], working.tones[c]);
        put(player.effectiveNotes[c], wrappingAdd(working.notes[c], working.noteOffset));
        put(player.effectiveVelocities[c], wrappingAdd(working.velocities[c], working.velocityOffset));
    }
}
