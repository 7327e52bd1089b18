#include "resources/settings_dialog_templates.h"

#include <string>

#include "resources/settings_dialog_ids.h"

namespace {
using K = ControlKind;

ControlTemplate label(const char* text, int x, int y, int width, int height)
{
    return {-1, K::StaticText, text, x, y, width, height};
}
ControlTemplate control(int id, ControlKind kind, int x, int y, int width, int height)
{
    return {id, kind, "", x, y, width, height};
}
ControlTemplate list(int id, int x, int y, int width, int dropHeight)
{
    return {id, K::DropDownList, "", x, y, width, dropHeight, dropHeight};
}

// The buttons every settings dialog starts with.
void addButtons(std::vector<ControlTemplate>& controls)
{
    controls.push_back({DialogId::Ok, K::DefaultPushButton, "Okay", 35, 185, 50, 12});
    controls.push_back({DialogId::Cancel, K::PushButton, "Cancel", 95, 185, 50, 12});
}

// The modulation group of both dialogs. The velocity offset edit sits to the right of the note
// offset, its label on the note offset's row, which is why both dialogs are 205 units wide.
void addModulationGroup(std::vector<ControlTemplate>& controls)
{
    using namespace DialogId;
    controls.push_back({ModulationCheck, K::CheckBox, "modulation offset", 20, 92, 70, 10});
    controls.push_back(control(ModulationNoteEdit, K::Edit, 100, 92, 35, 10));
    controls.push_back(control(ModulationNoteEdit + SpinOffset, K::Spin, 135, 92, 10, 10));
    controls.push_back(label("velocity offset", 150, 92, 50, 10));
    controls.push_back(control(ModulationVelocityEdit, K::Edit, 150, 105, 35, 10));
    controls.push_back(control(ModulationVelocityEdit + SpinOffset, K::Spin, 185, 105, 10, 10));
    controls.push_back(label("layer", 70, 105, 20, 10));
    controls.push_back(list(ModulationLayerList, 100, 105, 45, 50));
    controls.push_back(label("tone", 70, 120, 20, 10));
    controls.push_back(list(ModulationToneList, 100, 120, 45, 50));
}

constexpr int kSettingsDialogWidth = 205;

DialogTemplate makeConceptTemplate()
{
    using namespace DialogId;
    DialogTemplate t{2000, "new concept", kSettingsDialogWidth, 210, "Arial", 9, true, {}};
    auto& c = t.controls;
    c.push_back(label("new concept", 7, 10, 166, 10));
    addButtons(c);
    c.push_back(label("numerical concept", 20, 25, 70, 10));
    c.push_back(list(NumeralList, 100, 25, 55, 150));
    c.push_back(label("numeral", 20, 38, 80, 10));
    c.push_back(control(NumeralEdit, K::Edit, 100, 39, 45, 10));
    c.push_back(control(NumeralEdit + SpinOffset, K::Spin, 145, 39, 10, 10));
    c.push_back({TempoLabel, K::StaticText, "tempo", 20, 55, 80, 10});
    c.push_back(label("", 150, 55, 17, 10));
    c.push_back(control(TempoEdit, K::Edit, 100, 55, 35, 10));
    c.push_back(control(TempoEdit + SpinOffset, K::Spin, 135, 55, 10, 10));
    c.push_back({LayerLabel, K::StaticText, "layer", 20, 70, 80, 10});
    c.push_back(label("", 150, 70, 17, 10));
    c.push_back(control(LayerEdit, K::Edit, 100, 70, 35, 10));
    c.push_back(control(LayerEdit + SpinOffset, K::Spin, 135, 70, 10, 10));
    addModulationGroup(c);
    c.push_back(label("midi device", 20, 135, 135, 10));
    c.push_back(list(DeviceList, 20, 145, 135, 150));
    c.push_back({ConceptSaveAsDefault, K::CheckBox, "save as default, except midi device", 20, 168, 140, 10});
    return t;
}

DialogTemplate makeDurationsTemplate()
{
    using namespace DialogId;
    DialogTemplate t{1000, "hidden commands dialog", kSettingsDialogWidth, 210, "Arial", 9, true, {}};
    auto& c = t.controls;
    c.push_back(label("durations and offsets, midi device", 7, 10, 166, 10));
    addButtons(c);
    struct Row {
        const char* text;
        const char* unit;
        int y;
    };
    const Row rows[4] = {{"alpha duration", "msec", 25},
                         {"beta duration", "msec", 38},
                         {"note offset", "", 56},
                         {"velocity offset", "", 69}};
    for (int i = 0; i < 4; ++i) {
        c.push_back(label(rows[i].text, 20, rows[i].y, 80, 10));
        c.push_back(label(rows[i].unit, 150, rows[i].y, 17, 10));
        c.push_back(control(RangedEditBase + i, K::Edit, 100, rows[i].y, 35, 10));
        c.push_back(control(RangedEditBase + i + SpinOffset, K::Spin, 135, rows[i].y, 10, 10));
    }
    addModulationGroup(c);
    c.push_back(label("midi device", 20, 135, 60, 10));
    c.push_back(list(DeviceList, 20, 145, 135, 150));
    c.push_back({DurationsSaveAsDefault, K::CheckBox, "save as default", 20, 168, 140, 10});
    return t;
}

DialogTemplate makeVoiceTableTemplate(int baseId, const char* caption, int checkBoxId, const char* hint)
{
    DialogTemplate t{baseId, caption, 180, 210, "Arial", 9, true, {}};
    auto& c = t.controls;
    addButtons(c);
    c.push_back(label("alpha tone", 45, 10, 166, 10));
    c.push_back(label("beta tone", 110, 10, 166, 10));
    for (int k = 1; k <= 8; ++k) {
        const int y = 25 + 15 * (k - 1);
        c.push_back(label(("layer " + std::to_string(k)).c_str(), 15, y, 70, 10));
        c.push_back(list(baseId + 2 * k - 1, 45, y, 55, 110));
        c.push_back(list(baseId + 2 * k, 110, y, 55, 110));
    }
    c.push_back(label(hint, 25, 150, 166, 10));
    c.push_back({checkBoxId, K::CheckBox, "save as default", 20, 168, 140, 10});
    return t;
}
}  // namespace

const DialogTemplate& conceptDialogTemplate()
{
    static const DialogTemplate conceptTemplate = makeConceptTemplate();
    return conceptTemplate;
}

const DialogTemplate& durationsDialogTemplate()
{
    static const DialogTemplate durations = makeDurationsTemplate();
    return durations;
}

const DialogTemplate* voiceTableDialogTemplate(int baseId)
{
    using namespace DialogId;
    static const DialogTemplate tones =
        makeVoiceTableTemplate(ToneBase, "tone selection", ToneSaveAsDefault, "A.:Acostic,  E.:Electric");
    static const DialogTemplate notes =
        makeVoiceTableTemplate(NoteBase, "note selection", NoteSaveAsDefault, "Range : 0x00 ~ 0x7f");
    static const DialogTemplate velocities = makeVoiceTableTemplate(
        VelocityBase, "velocity selection", VelocitySaveAsDefault, "Range : 0x00 ~ 0x7f");
    switch (baseId) {
    case ToneBase: return &tones;
    case NoteBase: return &notes;
    case VelocityBase: return &velocities;
    default: return nullptr;
    }
}
