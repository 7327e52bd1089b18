#include "dialogs/output_offset_dialog.h"

#include <cstdio>
#include <utility>

#include "dialogs/edit_text.h"
#include "dialogs/spin_edit.h"
#include "resources/output_offset_template.h"
#include "settings/output_offsets.h"

OutputOffsetDialog::OutputOffsetDialog(std::string outputName, double reportedMs, int32_t offsetMs)
    : outputName_(std::move(outputName)), reportedMs_(reportedMs), offsetMs_(offsetMs)
{
}

void OutputOffsetDialog::init(Controls& controls)
{
    controls.setText(kOutputOffsetNameId, outputName_);
    char reported[64] = "it reports no latency of its own";
    if (reportedMs_ > 0)
        std::snprintf(reported, sizeof reported, "it reports a latency of %.1f ms", reportedMs_);
    controls.setText(kOutputOffsetLatencyId, reported);
    controls.setText(kOutputOffsetEditId, formatPadded(offsetMs_));
    controls.pairSpin(kOutputOffsetEditId + kSpinIdOffset, kOutputOffsetEditId);
}

void OutputOffsetDialog::command(Controls& controls, int id)
{
    if (id == kOutputOffsetEditId) {
        offsetMs_ = parseInteger(controls.text(id));
    } else if (id == 2) {
        controls.endDialog(2);
    } else if (id == 1) {
        if (offsetMs_ < kMinOutputOffsetMs || offsetMs_ > kMaxOutputOffsetMs) {
            char text[64];
            std::snprintf(text, sizeof text, "plz enter output offset among %d ~ %d", kMinOutputOffsetMs,
                          kMaxOutputOffsetMs);
            controls.showError(text);
            return;
        }
        controls.endDialog(1);
    }
}

void OutputOffsetDialog::notify(Controls& controls, int fromId, bool isStep, int delta)
{
    followIntegerSpin(controls, kOutputOffsetEditId, offsetMs_, kMinOutputOffsetMs, kMaxOutputOffsetMs, fromId,
                      isStep, delta);
}
