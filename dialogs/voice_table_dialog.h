// The tone, note and velocity selection dialogs: one list per voice over a 16-entry table.
#pragma once

#include <cstdint>

#include "dialogs/dialog_logic.h"
#include "settings/settings_record.h"

// The value chosen for each voice (channel order) while the dialog is open.
struct PendingVoiceTable {
    int32_t value[16];
};

class VoiceTableDialog : public DialogLogic {
public:
    // baseId 3000 (tones), 4000 (notes) or 5000 (velocities); any other id is taken as 3000.
    VoiceTableDialog(int baseId, SettingsRecord& working);

    void init(Controls& controls) override;
    void command(Controls& controls, int id) override;
    void notify(Controls&, int, bool, int) override {}

    const PendingVoiceTable& pending() const { return pending_; }

private:
    int baseId_;
    int checkBoxId_;
    int32_t* table_;              // the member's table in WorkingSettings
    int64_t* saveAsDefault_;      // the member's flag in WorkingSettings
    const char* const* labels_;   // 128 list entries
    PendingVoiceTable pending_{};
};
