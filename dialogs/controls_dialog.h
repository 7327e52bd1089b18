// The "controls" dialog: the actions a controller can run, the control bound to each, and MIDI
// learn (choose an action, press Learn, move a control); Forget removes a binding. Below them the
// OSC server's settings: on or off, its UDP port, and whether it accepts from the network. UI
// thread only.
#pragma once

#include <functional>

#include "dialogs/dialog_logic.h"
#include "settings/control_bindings.h"
#include "settings/osc_settings.h"

// Where Learn takes the next control from: the control input, on the UI thread.
class ControlLearning {
public:
    virtual ~ControlLearning() = default;
    // The next note-on, control change or program change goes to `learned` instead of running its
    // action; a later call replaces the one waiting.
    virtual void learnNext(std::function<void(const ControlSource&)> learned) = 0;
    virtual void cancelLearn() = 0;
};

class ControlsDialog : public DialogLogic {
public:
    // `learning` must outlive the dialog's run; the run's owner cancels a learn left waiting.
    ControlsDialog(ControlBindings bindings, ControlLearning& learning, OscSettings osc = {})
        : bindings_(std::move(bindings)), learning_(learning), osc_(osc)
    {
    }

    // Lists the actions and shows the first one's control.
    void init(Controls& controls) override;
    void command(Controls& controls, int id) override;
    void notify(Controls&, int, bool, int) override {}

    // The bindings as edited; the program takes them when the dialog ended with 1.
    const ControlBindings& bindings() const { return bindings_; }
    // The OSC settings as edited; likewise.
    const OscSettings& oscSettings() const { return osc_; }

private:
    void showBinding(Controls& controls, const std::string& note = "");
    void learned(const ControlSource& source);
    void enableOscFields(Controls& controls);
    bool takeOscFields(Controls& controls);

    ControlBindings bindings_;
    ControlLearning& learning_;
    OscSettings osc_;
    Controls* controls_ = nullptr;  // from init on: where a control learned later is shown
    int learningAction_ = -1;       // the action waiting for a control, -1 for none
};
