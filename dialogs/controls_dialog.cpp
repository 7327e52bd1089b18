#include "dialogs/controls_dialog.h"

#include <string>

#include "resources/controls_dialog_template.h"

void ControlsDialog::init(Controls& controls)
{
    controls_ = &controls;
    for (int action = 0; action < kControlActionCount; ++action)
        controls.addListItem(kControlsActionListId, controlActionLabel(action));
    controls.selectListItem(kControlsActionListId, 0);
    showBinding(controls);
    controls.setChecked(kControlsOscOnId, osc_.enabled);
    controls.setText(kControlsOscPortId, std::to_string(osc_.port));
    controls.setChecked(kControlsOscNetworkId, osc_.acceptNetwork);
    enableOscFields(controls);
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
    case kControlsOscOnId:
        enableOscFields(controls);
        return;
    case 1:
        if (!takeOscFields(controls))
            return;  // the dialog stays open for a port to be corrected
        [[fallthrough]];
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

void ControlsDialog::enableOscFields(Controls& controls)
{
    const bool on = controls.isChecked(kControlsOscOnId);
    controls.enable(kControlsOscPortId, on);
    controls.enable(kControlsOscNetworkId, on);
}

// The OSC fields into osc_; false, with a box, when the server is to run and the port is not one.
// With the server off a port that is not one is left as it was.
bool ControlsDialog::takeOscFields(Controls& controls)
{
    const bool on = controls.isChecked(kControlsOscOnId);
    const std::string text = controls.text(kControlsOscPortId);
    const bool digits = !text.empty() && text.size() <= 5 && text.find_first_not_of("0123456789") == std::string::npos;
    const long port = digits ? std::stol(text) : 0;
    const bool valid = port >= 1 && port <= 65535;
    if (on && !valid) {
        controls.showError("The OSC port must be a whole number from 1 to 65535.");
        return false;
    }
    osc_ = {on, valid ? static_cast<uint16_t>(port) : osc_.port, controls.isChecked(kControlsOscNetworkId)};
    return true;
}
