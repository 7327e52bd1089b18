// Derive PlayerState fields from WorkingSettings (UI thread, never while Playing).
#pragma once

#include "engine/player_state.h"
#include "settings/settings_record.h"

void refreshNumeral(PlayerState& player, const SettingsRecord& working);
void refreshDurations(PlayerState& player, const SettingsRecord& working);  // scaledDurationMs of both
void refreshModulation(PlayerState& player, const SettingsRecord& working);
void refreshNotes(PlayerState& player, const SettingsRecord& working);        // notes + noteOffset
void refreshVelocities(PlayerState& player, const SettingsRecord& working);   // velocities + velocityOffset
// The three tables in one pass over the channels.
void refreshTables(PlayerState& player, const SettingsRecord& working);
void refreshTopLayer(PlayerState& player, const SettingsRecord& working);  // layerIndex

// Everything an accepted concept changes, in order: numeral, durations, modulation, the tables,
// and the top layer. The program's command, the render tool and the tests all go through it.
void refreshAcceptedConcept(PlayerState& player, const SettingsRecord& working);
