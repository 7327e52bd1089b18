// The "hidden commands dialog": durations, offsets, modulation and MIDI device, with an
// immediate "save as default".
#pragma once

#include <cstdint>

#include "dialogs/device_choice.h"
#include "dialogs/dialog_logic.h"
#include "dialogs/ranged_values.h"
#include "engine/port_backend.h"
#include "settings/settings_record.h"

// The values being edited while the dialog is open; rebuilt from WorkingSettings at each opening.
struct PendingOffsets {
    DeviceChoice devices;
    int32_t layerChoice;            // index of list 1041; 0 is the label "2"
    int32_t toneChoice;             // index of list 1042; 0 "alpha", 1 "beta"
    int32_t modulationOn;           // box 1031, 0 or 1
    RangedValues ranged;            // all six edited here, in edits 1011 to 1016
};

class DurationsDialog : public DialogLogic {
public:
    DurationsDialog(SettingsRecord& working, SettingsRecord& defaults, DeviceListing& listing);

    void init(Controls& controls) override;
    void command(Controls& controls, int id) override;
    void notify(Controls& controls, int fromId, bool isStep, int delta) override;

    const PendingOffsets& pending() const { return pending_; }

private:
    void accept(Controls& controls);

    SettingsRecord& working_;
    SettingsRecord& defaults_;
    DeviceListing& listing_;
    PendingOffsets pending_{};
};
