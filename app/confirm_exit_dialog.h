// The exit confirmation (template 107): 1 for "okay", 2 for "cancel", Escape or the close box.
#pragma once

#include "dialogs/dialog_logic.h"

class ConfirmExitDialog : public DialogLogic {
public:
    void init(Controls&) override {}
    void command(Controls& controls, int id) override;
    void notify(Controls&, int, bool, int) override {}
};
