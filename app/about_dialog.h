// The about box (template 106): shows the about line, ends with 1 for "continue" and 2 for Escape
// or the close box.
#pragma once

#include "dialogs/dialog_logic.h"

inline constexpr const char* kAboutLine =
    "pulseLattice ver.2.00.00  layered MIDI rhythms";

class AboutDialog : public DialogLogic {
public:
    void init(Controls& controls) override;
    void command(Controls& controls, int id) override;
    void notify(Controls&, int, bool, int) override {}
};
