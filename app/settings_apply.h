// What each confirmed settings dialog changes: one apply function per command. A dialog edits
// copies of WorkingSettings and DefaultSettings and, when confirmed, returns them; the apply
// function writes what changed into WorkingSettings, the groups flagged "save as default" (or, for
// the hidden commands dialog, what it saved itself) into the defaults, and then PlayerState and
// the port, in that order.
#pragma once

#include "app/app_context.h"
#include "settings/settings_record.h"

// The records a settings dialog edits, and the records as they were when it opened.
struct SettingsEdit {
    SettingsRecord working;
    SettingsRecord defaults;
    SettingsRecord workingBefore;
    SettingsRecord defaultsBefore;
};

// Copies of the program's records for a dialog to edit.
SettingsEdit editOf(const AppContext& app);

void applyConcept(AppContext& app, const SettingsEdit& edit);                // 312
void applyDurationsAndOffsets(AppContext& app, const SettingsEdit& edit);    // 311
void applyTones(AppContext& app, const SettingsEdit& edit);                  // 315
void applyNotes(AppContext& app, const SettingsEdit& edit);                  // 316
void applyVelocities(AppContext& app, const SettingsEdit& edit);             // 317

