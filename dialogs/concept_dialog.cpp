#include "dialogs/concept_dialog.h"

#include <cstdio>

#include "dialogs/edit_text.h"
#include "dialogs/list_selection.h"
#include "dialogs/modulation_group.h"
#include "resources/settings_dialog_ids.h"
#include "dialogs/spin_edit.h"
#include "common/wrapping_math.h"
#include "settings/numeral_presets.h"
#include "settings/rhythm_units.h"

using namespace DialogId;

namespace {
constexpr int kTempo = 0;
constexpr int kLayer = 1;
constexpr int kModulationNote = 4;
constexpr int kModulationVelocity = 5;
}  // namespace

int validateConcept(Controls& controls, const PendingConcept& pending)
{
    char message[260];
    // Written as "not within" so that a typed "nan" fails as well.
    if (pending.conceptIndex == 0 && !(pending.numeral >= kMinimumNumeral && pending.numeral <= kMaximumNumeral)) {
        std::snprintf(message, sizeof message, "plz enter a numeral among %lf ~ %lf", kMinimumNumeral,
                      kMaximumNumeral);
        controls.showError(message);
        return 1;
    }
    for (int i : {kTempo, kLayer}) {
        const int32_t value = pending.tempoLayerValue[i];
        if (value > pending.tempoLayerMaximum[i] || value < pending.tempoLayerMinimum[i]) {
            std::snprintf(message, sizeof message, "plz enter a %s among %d ~ %d", i == kTempo ? "tempo" : "layer",
                          pending.tempoLayerMinimum[i], pending.tempoLayerMaximum[i]);
            controls.showError(message);
            return 1;
        }
    }
    return 0;
}

ConceptDialog::ConceptDialog(SettingsRecord& working, SettingsRecord& defaults, DeviceListing& listing)
    : working_(working), defaults_(defaults), listing_(listing)
{
}

void ConceptDialog::showNumeral(Controls& controls)
{
    controls.setText(NumeralEdit, formatNumeral(pending_.numeral));
}

void ConceptDialog::init(Controls& controls)
{
    PendingConcept& p = pending_;

    p.conceptIndex = working_.numeralPreset;
    for (const char* label : NumeralPreset)
        controls.addListItem(NumeralList, label);
    controls.selectListItem(NumeralList, p.conceptIndex);
    controls.enable(NumeralEdit, p.conceptIndex == 0);
    controls.enable(NumeralEdit + SpinOffset, p.conceptIndex == 0);

    p.numeral = working_.numeral;
    showNumeral(controls);
    controls.pairSpin(NumeralEdit + SpinOffset, NumeralEdit);

    p.tempoLayerValue[kTempo] = working_.tempo;
    p.tempoLayerValue[kLayer] = wrappingAdd(working_.layerIndex, 1);  // layerIndex is 0 to 7
    p.tempoLayerMinimum[kTempo] = kMinimumTempo;
    p.tempoLayerMinimum[kLayer] = kMinimumLayers;
    p.tempoLayerMaximum[kTempo] = kMaximumTempo;
    p.tempoLayerMaximum[kLayer] = kLayerCount;
    controls.setText(TempoLabel, "tempo, (" + rangeText(kMinimumTempo, kMaximumTempo) + ")");
    controls.setText(LayerLabel, "layer, (" + rangeText(kMinimumLayers, kLayerCount) + ")");
    for (int i = 0; i < 2; ++i) {
        controls.setText(TempoEdit + i, formatPadded(p.tempoLayerValue[i]));
        controls.pairSpin(TempoEdit + i + SpinOffset, TempoEdit + i);
    }

    computeOffsetBounds(p.ranged, working_.notes, working_.velocities);
    p.ranged.value[0] = working_.alphaDuration;
    p.ranged.value[1] = working_.betaDuration;
    p.ranged.value[2] = working_.noteOffset;
    p.ranged.value[3] = working_.velocityOffset;
    p.ranged.value[kModulationNote] = working_.modulationNoteOffset;
    p.ranged.value[kModulationVelocity] = working_.modulationVelocityOffset;
    for (int edit : {ModulationNoteEdit, ModulationVelocityEdit}) {
        controls.setText(edit, formatPadded(p.ranged.value[edit - RangedEditBase]));
        controls.pairSpin(edit + SpinOffset, edit);
    }

    initSharedChoices(controls, p, working_, listing_);

    controls.setChecked(ConceptSaveAsDefault, working_.saveConceptAsDefault != 0);
}

void ConceptDialog::command(Controls& controls, int id)
{
    PendingConcept& p = pending_;
    switch (id) {
    case NumeralList: {
        const int32_t index = takeListSelection(controls, NumeralList, kNumeralPresetCount, -1);
        if (index < 0)
            return;  // no selection: keep the concept and the numeral shown
        p.conceptIndex = index;
        if (isPresetPosition(index))
            p.numeral = numeralPresetValue(index - 1);
        showNumeral(controls);
        controls.enable(NumeralEdit, index == 0);
        controls.enable(NumeralEdit + SpinOffset, index == 0);
        return;
    }
    case NumeralEdit:
        p.numeral = parseNumeral(controls.text(NumeralEdit));
        return;
    case TempoEdit:
    case LayerEdit:
        p.tempoLayerValue[id - TempoEdit] = parseInteger(controls.text(id));
        return;
    case ModulationNoteEdit:
    case ModulationVelocityEdit:
        p.ranged.value[id - RangedEditBase] = parseInteger(controls.text(id));
        return;
    default:
        takeSharedCommand(controls, id, p, [&] { accept(controls); });
        return;
    }
}

void ConceptDialog::notify(Controls& controls, int fromId, bool isStep, int delta)
{
    PendingConcept& p = pending_;
    followNumeralSpin(controls, NumeralEdit, p.numeral, p.conceptIndex == 0, fromId, isStep, delta);
    for (int i = 0; i < 2; ++i)
        followIntegerSpin(controls, TempoEdit + i, p.tempoLayerValue[i], p.tempoLayerMinimum[i],
                          p.tempoLayerMaximum[i], fromId, isStep, delta);
    for (int i : {kModulationNote, kModulationVelocity})
        followIntegerSpin(controls, RangedEditBase + i, p.ranged.value[i], p.ranged.minimum[i],
                          p.ranged.maximum[i], fromId, isStep, delta);
}

void ConceptDialog::accept(Controls& controls)
{
    const PendingConcept& p = pending_;
    if (validateConcept(controls, p) != 0 || checkRanges(controls, p.ranged) != 0)
        return;  // the dialog stays open with every pending value as it was

    working_.numeralPreset = p.conceptIndex;
    working_.numeral = p.numeral;
    working_.tempo = p.tempoLayerValue[kTempo];
    working_.modulationEnabled = p.modulationOn;
    // The playback thread reads layerIndex once per pass.
    working_.layerIndex = p.tempoLayerValue[kLayer] - 1;
    working_.alphaDuration = p.ranged.value[0];
    working_.betaDuration = p.ranged.value[1];
    working_.noteOffset = p.ranged.value[2];
    working_.velocityOffset = p.ranged.value[3];
    if (p.modulationOn == 1) {
        working_.modulationNoteOffset = p.ranged.value[kModulationNote];
        working_.modulationVelocityOffset = p.ranged.value[kModulationVelocity];
        working_.modulationLayer = wrappingAdd(p.layerChoice, 1);
        working_.modulationTone = p.toneChoice;
    }
    working_.midiDeviceId = p.devices.pendingDeviceId;

    const bool saveAsDefault = controls.isChecked(ConceptSaveAsDefault);
    working_.saveConceptAsDefault = saveAsDefault ? 1 : 0;
    if (saveAsDefault)
        copyModulationGroup(defaults_, working_);

    controls.endDialog(1);
}
