// The modulation group shared by the concept and the durations and offsets dialogs.
#pragma once

#include <cstdint>

#include "common/wrapping_math.h"
#include "dialogs/controls.h"
#include "dialogs/device_choice.h"
#include "dialogs/list_selection.h"
#include "resources/settings_dialog_ids.h"
#include "settings/settings_record.h"

// Enables (on) or disables the modulation note and velocity offset edits with their spins and the
// layer and tone lists. The check box and the labels stay enabled.
void enableModulationGroup(Controls& controls, bool on);

// Fills the layer list with "2" to "8" and the tone list with "alpha" and "beta", and selects
// layerChoice (index 0 is "2") and toneChoice.
void fillModulationLists(Controls& controls, int32_t layerChoice, int32_t toneChoice);

struct SettingsRecord;

// Copies modulationEnabled and, when modulation is on in `from`, the two modulation offsets, the
// layer and the tone: what "save as default" takes of the modulation group.
void copyModulationGroup(SettingsRecord& to, const SettingsRecord& from);

// Shows the modulation group and the device list as `working` has them, and takes their choices
// into `p` (see takeSharedCommand).
template <typename Pending>
void initSharedChoices(Controls& controls, Pending& p, const SettingsRecord& working, DeviceListing& listing)
{
    using namespace DialogId;
    p.modulationOn = working.modulationEnabled;
    controls.setChecked(ModulationCheck, p.modulationOn != 0);
    p.layerChoice = wrappingAdd(working.modulationLayer, -1);
    p.toneChoice = working.modulationTone;
    fillModulationLists(controls, p.layerChoice, p.toneChoice);
    enableModulationGroup(controls, p.modulationOn != 0);
    fillDeviceList(controls, DeviceList, p.devices, listing, working.midiDeviceId);
}

// The controls the concept and the durations and offsets dialogs handle alike: the modulation
// box and lists, the device list, Okay (which calls `accept`) and Cancel. `Pending` has
// modulationOn, layerChoice, toneChoice and devices. Other ids are ignored.
template <typename Pending, typename Accept>
void takeSharedCommand(Controls& controls, int id, Pending& p, Accept accept)
{
    using namespace DialogId;
    switch (id) {
    case ModulationCheck:
        p.modulationOn = controls.isChecked(ModulationCheck) ? 1 : 0;
        enableModulationGroup(controls, p.modulationOn != 0);
        return;
    case ModulationLayerList:
        p.layerChoice = takeListSelection(controls, id, 7, p.layerChoice);
        return;
    case ModulationToneList:
        p.toneChoice = takeListSelection(controls, id, 2, p.toneChoice);
        return;
    case DeviceList:
        takeDeviceSelection(controls, DeviceList, p.devices);
        return;
    case Ok:
        accept();
        return;
    case Cancel:
        controls.endDialog(2);
        return;
    default:
        return;
    }
}
