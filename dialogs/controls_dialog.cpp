#include "dialogs/controls_dialog.h"

#include "resources/controls_dialog_template.h"

void ControlsDialog::init(Controls& controls)
{
    controls_ = &controls;
    for (int action = 0; action < kControlActionCount; ++action)
        controls.addListItem(kControlsActionListId, controlActionLabel(action));
    controls.selectListItem(kControlsActionListId, 0);
    showBinding(controls);
}

void ControlsDialog::command(Controls& controls, int id)
{
    const int action = controls.selectedListItem(kControlsActionListId);
    switch (id) {
    case kControlsActionListId:
        learningAction_ = -1;
        learning_.cancelLearn();
        showBinding(controls);
        return;
    case kControlsLearnId:
        if (action < 0)
            return;
        learningAction_ = action;
        controls.setText(kControlsBindingTextId, "move a control on the controller ...");
        learning_.learnNext([this](const ControlSource& source) { learned(source); });
        return;
    case kControlsForgetId:
        learningAction_ = -1;
        learning_.cancelLearn();
        forgetControl(bindings_, action);
        showBinding(controls);
        return;
    case 1:
    case 2:
        learningAction_ = -1;
        learning_.cancelLearn();
        controls.endDialog(id);
        return;
    default: return;
    }
}

void ControlsDialog::showBinding(Controls& controls, const std::string& note)
{
    const ControlBinding* binding = bindingOfAction(bindings_, controls.selectedListItem(kControlsActionListId));
    controls.setText(kControlsBindingTextId, (binding ? describeControlSource(binding->source) : "not bound") + note);
}

void ControlsDialog::learned(const ControlSource& source)
{
    if (learningAction_ < 0 || !controls_)
        return;
    // A control runs one action: taken from another action, that one loses it, and says so.
    const ControlBinding* before = bindingOfSource(bindings_, source);
    const std::string note =
        before && before->action != learningAction_ ? " (was " + controlActionLabel(before->action) + ")" : "";
    bindControl(bindings_, learningAction_, source);
    learningAction_ = -1;
    showBinding(*controls_, note);
}
