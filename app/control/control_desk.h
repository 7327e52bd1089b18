// The control input's messages on the UI thread: MMC transport, learned controls running their
// actions through the same commands and mute functions as the menu and keys, a learn in progress,
// and the feedback that mirrors each bound mute, solo and switch. No Qt, no MIDI library.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "app/app_context.h"
#include "app/control/control_message.h"
#include "dialogs/controls_dialog.h"
#include "settings/control_bindings.h"

class ControlDesk : public ControlLearning {
public:
    explicit ControlDesk(AppContext& app) : app_(app) {}

    // Start-up: the bindings the side file kept (none when it is missing or damaged).
    void restoreBindings();
    const ControlBindings& bindings() const { return bindings_; }
    // Takes `bindings` (the Controls dialog confirmed them) and keeps them in the side file.
    void setBindings(const ControlBindings& bindings);

    // One message from the control input. A note-on, or a control change crossing from below 64
    // to 64 and above, presses its action (a mute or solo toggles); a program change presses every
    // time; a note-off or a value below 64 releases. While `modalOpen` (a dialog or box is up, and
    // with it the menu and keys are shut), the transport and switch commands are left out; mutes
    // and solos act, as in the lattice window, which stays usable.
    void handle(const ControlMessage& message, bool modalOpen);

    // ControlLearning: the Controls dialog's Learn.
    void learnNext(std::function<void(const ControlSource&)> learned) override { learner_ = std::move(learned); }
    void cancelLearn() override { learner_ = nullptr; }

    // Feedback for the "control" output: note-on/off (velocity 127/0) or CC 127/0 for each bound
    // mute, solo and switch whose state differs from what was last sent; every one of them the
    // first time and after the bindings change. Packed as status | data1 << 8 | data2 << 16.
    std::vector<uint32_t> feedbackChanges();

    AppContext& app() const { return app_; }

private:
    void press(int action, bool modalOpen);
    // On or off for an action that has a state (mutes, solos, switches); nothing for the others.
    std::optional<bool> stateOf(int action) const;

    AppContext& app_;
    ControlBindings bindings_;
    std::function<void(const ControlSource&)> learner_;
    std::vector<ControlSource> heldControls_;  // control changes at 64 and above since they pressed
    std::array<int8_t, kControlActionCount> sentStates_{};  // -1 nothing sent, else 0 or 1
    bool sentAny_ = false;
};
