#include "dialogs/durations_dialog.h"

#include "dialogs/edit_text.h"
#include "dialogs/list_selection.h"
#include "dialogs/modulation_group.h"
#include "resources/settings_dialog_ids.h"
#include "dialogs/spin_edit.h"
#include "common/wrapping_math.h"

using namespace DialogId;

DurationsDialog::DurationsDialog(SettingsRecord& working, SettingsRecord& defaults,
                                 DeviceListing& listing)
    : working_(working), defaults_(defaults), listing_(listing)
{
}

void DurationsDialog::init(Controls& controls)
{
    PendingOffsets& p = pending_;

    computeOffsetBounds(p.ranged, working_.notes, working_.velocities);
    p.ranged.value[0] = working_.alphaDuration;
    p.ranged.value[1] = working_.betaDuration;
    p.ranged.value[2] = working_.noteOffset;
    p.ranged.value[3] = working_.velocityOffset;
    p.ranged.value[4] = working_.modulationNoteOffset;
    p.ranged.value[5] = working_.modulationVelocityOffset;
    for (int i = 0; i < kRangedCount; ++i) {
        controls.setText(RangedEditBase + i, formatPadded(p.ranged.value[i]));
        controls.pairSpin(RangedEditBase + i + SpinOffset, RangedEditBase + i);
    }

    initSharedChoices(controls, p, working_, listing_);

    controls.setChecked(DurationsSaveAsDefault, false);  // opens unticked every time
}

void DurationsDialog::command(Controls& controls, int id)
{
    PendingOffsets& p = pending_;
    if (id >= RangedEditBase && id < RangedEditBase + kRangedCount) {
        p.ranged.value[id - RangedEditBase] = parseInteger(controls.text(id));
        return;
    }
    takeSharedCommand(controls, id, p, [&] { accept(controls); });
}

void DurationsDialog::notify(Controls& controls, int fromId, bool isStep, int delta)
{
    RangedValues& r = pending_.ranged;
    for (int i = 0; i < kRangedCount; ++i)
        followIntegerSpin(controls, RangedEditBase + i, r.value[i], r.minimum[i], r.maximum[i], fromId,
                          isStep, delta);
}

void DurationsDialog::accept(Controls& controls)
{
    const PendingOffsets& p = pending_;
    if (checkRanges(controls, p.ranged) != 0)
        return;  // the dialog stays open with every pending value as it was

    working_.alphaDuration = p.ranged.value[0];
    working_.betaDuration = p.ranged.value[1];
    working_.modulationEnabled = p.modulationOn;
    working_.noteOffset = p.ranged.value[2];
    working_.velocityOffset = p.ranged.value[3];
    if (p.modulationOn == 1) {
        working_.modulationNoteOffset = p.ranged.value[4];
        working_.modulationVelocityOffset = p.ranged.value[5];
        working_.modulationLayer = wrappingAdd(p.layerChoice, 1);
        working_.modulationTone = p.toneChoice;
    }
    working_.midiDeviceId = p.devices.pendingDeviceId;

    if (controls.isChecked(DurationsSaveAsDefault)) {
        defaults_.alphaDuration = working_.alphaDuration;
        defaults_.betaDuration = working_.betaDuration;
        defaults_.noteOffset = working_.noteOffset;
        defaults_.velocityOffset = working_.velocityOffset;
        copyModulationGroup(defaults_, working_);
        defaults_.midiDeviceId = working_.midiDeviceId;
    }

    controls.endDialog(1);
}
