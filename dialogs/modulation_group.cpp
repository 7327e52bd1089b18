#include "dialogs/modulation_group.h"

#include "resources/settings_dialog_ids.h"
#include "settings/rhythm_units.h"
#include "settings/settings_record.h"

void enableModulationGroup(Controls& controls, bool on)
{
    using namespace DialogId;
    controls.enable(ModulationNoteEdit, on);
    controls.enable(ModulationNoteEdit + SpinOffset, on);
    controls.enable(ModulationLayerList, on);
    controls.enable(ModulationVelocityEdit, on);
    controls.enable(ModulationVelocityEdit + SpinOffset, on);
    controls.enable(ModulationToneList, on);
}

void fillModulationLists(Controls& controls, int32_t layerChoice, int32_t toneChoice)
{
    // Every layer but the lowest, as the user counts them: entry i is layer index i + 1.
    for (int32_t shown = kMinimumLayers + 1; shown <= kLayerCount; ++shown)
        controls.addListItem(DialogId::ModulationLayerList, std::to_string(shown));
    controls.addListItem(DialogId::ModulationToneList, "alpha");
    controls.addListItem(DialogId::ModulationToneList, "beta");
    controls.selectListItem(DialogId::ModulationLayerList, layerChoice);
    controls.selectListItem(DialogId::ModulationToneList, toneChoice);
}

void copyModulationGroup(SettingsRecord& to, const SettingsRecord& from)
{
    to.modulationEnabled = from.modulationEnabled;
    if (from.modulationEnabled == 1) {
        to.modulationNoteOffset = from.modulationNoteOffset;
        to.modulationVelocityOffset = from.modulationVelocityOffset;
        to.modulationLayer = from.modulationLayer;
        to.modulationTone = from.modulationTone;
    }
}
