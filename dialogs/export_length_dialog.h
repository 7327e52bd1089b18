// The "export" dialog: how much of the rhythm to write, as passes or as minutes:seconds, and
// whether from the beginning or from where Play would go on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "dialogs/dialog_logic.h"
#include "engine/render_run.h"

// "12" is 12 passes (1 to 1,000,000); "1:30" is Stop at 90 s (0:01 to one week, seconds 0..59).
// Blanks around the text are ignored; anything else gives nothing.
std::optional<RenderLength> parseExportLength(const std::string& text);

class ExportLengthDialog : public DialogLogic {
public:
    // The edit shows "1:00"; the list offers "from the beginning" (selected) and "from where Play
    // would go on".
    void init(Controls& controls) override;
    void command(Controls& controls, int id) override;
    void notify(Controls&, int, bool, int) override {}

    // The accepted length, once the dialog ended with 1.
    const RenderLength& length() const { return length_; }
    // True when the run starts from the layer counters where Play would go on, not from 0.
    bool fromWherePlayGoesOn() const { return fromWherePlayGoesOn_; }

private:
    RenderLength length_;
    bool fromWherePlayGoesOn_ = false;
};
