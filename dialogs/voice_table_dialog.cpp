#include "dialogs/voice_table_dialog.h"

#include "dialogs/list_selection.h"
#include "resources/settings_dialog_ids.h"
#include "dialogs/voice_labels.h"

using namespace DialogId;

VoiceTableDialog::VoiceTableDialog(int baseId, SettingsRecord& working)
{
    switch (baseId) {
    case NoteBase:
        baseId_ = NoteBase;
        checkBoxId_ = NoteSaveAsDefault;
        table_ = working.notes;
        saveAsDefault_ = &working.saveNotesAsDefault;
        labels_ = noteLabels;
        break;
    case VelocityBase:
        baseId_ = VelocityBase;
        checkBoxId_ = VelocitySaveAsDefault;
        table_ = working.velocities;
        saveAsDefault_ = &working.saveVelocitiesAsDefault;
        labels_ = velocityLabels;
        break;
    default:
        baseId_ = ToneBase;
        checkBoxId_ = ToneSaveAsDefault;
        table_ = working.tones;
        saveAsDefault_ = &working.saveTonesAsDefault;
        labels_ = toneNames;
        break;
    }
}

void VoiceTableDialog::init(Controls& controls)
{
    for (int channel = 0; channel < 16; ++channel) {
        pending_.value[channel] = table_[channel];
        const int listId = baseId_ + 1 + channel;
        for (int v = 0; v < kVoiceValueCount; ++v)
            controls.addListItem(listId, labels_[v]);
        // A value outside 0 to 127 selects nothing: the list opens with an empty field.
        controls.selectListItem(listId, pending_.value[channel]);
    }
    controls.setChecked(checkBoxId_, *saveAsDefault_ != 0);
}

void VoiceTableDialog::command(Controls& controls, int id)
{
    if (id > baseId_ && id <= baseId_ + 16) {
        int32_t& value = pending_.value[id - baseId_ - 1];
        value = takeListSelection(controls, id, kVoiceValueCount, value);
        return;
    }
    if (id == Ok) {
        for (int channel = 0; channel < 16; ++channel)
            table_[channel] = pending_.value[channel];
        *saveAsDefault_ = controls.isChecked(checkBoxId_) ? 1 : 0;
        controls.endDialog(1);
    } else if (id == Cancel) {
        controls.endDialog(2);
    }
}
