// What each confirmed settings dialog changes: one apply function per command. The dialog has left
// what the user confirmed in WorkingSettings (and, for the hidden commands dialog, the defaults it
// saves itself); the apply function completes WorkingSettings, merges the groups flagged "save as
// default" into the defaults, and refreshes PlayerState and the port, in that order.
#pragma once

#include "app/app_context.h"
#include "settings/settings_record.h"

void applyConcept(AppContext& app);                // 312
void applyDurationsAndOffsets(AppContext& app);    // 311
void applyTones(AppContext& app);                  // 315
void applyNotes(AppContext& app);                  // 316
void applyVelocities(AppContext& app);             // 317

