// The "new concept" dialog: numeral, tempo, layers, modulation and MIDI device.
#pragma once

#include <cstdint>

#include "dialogs/device_choice.h"
#include "dialogs/dialog_logic.h"
#include "dialogs/ranged_values.h"
#include "engine/port_backend.h"
#include "settings/settings_record.h"

// The values being edited while the dialog is open; rebuilt from WorkingSettings at each opening.
struct PendingConcept {
    int32_t tempoLayerMinimum[2];   // index 0 tempo, 1 layer (1-based)
    int32_t tempoLayerMaximum[2];
    int32_t tempoLayerValue[2];     // index = edit id - 2011
    double numeral;
    int32_t conceptIndex;           // entry of the numeral list; 0 is "-- input --"
    DeviceChoice devices;
    int32_t layerChoice;            // index of list 1041; 0 is the label "2"
    int32_t toneChoice;             // index of list 1042; 0 "alpha", 1 "beta"
    RangedValues ranged;
    int32_t modulationOn;           // box 1031, 0 or 1
};

// Tests the numeral (only when typed), the tempo and the layer in that order. Shows the message of
// the first failure and returns 1; returns 0 when all pass.
int validateConcept(Controls& controls, const PendingConcept& pending);

class ConceptDialog : public DialogLogic {
public:
    ConceptDialog(SettingsRecord& working, SettingsRecord& defaults, DeviceListing& listing);

    void init(Controls& controls) override;
    void command(Controls& controls, int id) override;
    void notify(Controls& controls, int fromId, bool isStep, int delta) override;

    const PendingConcept& pending() const { return pending_; }

private:
    void showNumeral(Controls& controls);
    void accept(Controls& controls);

    SettingsRecord& working_;
    SettingsRecord& defaults_;
    DeviceListing& listing_;
    PendingConcept pending_{};
};
