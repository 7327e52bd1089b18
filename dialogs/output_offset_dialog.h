// The "output offset" dialog: how many ms earlier the open output's messages go out, beside what
// the output reports itself. Template 121.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/dialog_logic.h"

class OutputOffsetDialog : public DialogLogic {
public:
    // `outputName`: the output's shown name; `reportedMs`: the latency it reports (JACK), 0 for none.
    OutputOffsetDialog(std::string outputName, double reportedMs, int32_t offsetMs);

    void init(Controls& controls) override;
    void command(Controls& controls, int id) override;
    void notify(Controls& controls, int fromId, bool isStep, int delta) override;

    // The accepted offset, once the dialog ended with 1.
    int32_t offsetMs() const { return offsetMs_; }

private:
    std::string outputName_;
    double reportedMs_;
    int32_t offsetMs_;
};
