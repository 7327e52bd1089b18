#include "dialogs/spin_edit.h"

#include "dialogs/edit_text.h"
#include "resources/settings_dialog_ids.h"
#include "settings/rhythm_units.h"

namespace {
bool isStepOf(int editId, int fromId, bool isStep)
{
    return isStep && fromId == editId + DialogId::SpinOffset;
}
}  // namespace

void followIntegerSpin(Controls& controls, int editId, int32_t& value, int32_t minimum,
                       int32_t maximum, int fromId, bool isStep, int delta)
{
    value = parseInteger(controls.text(editId));
    if (!isStepOf(editId, fromId, isStep))
        return;
    if (delta > 0 && value < maximum)
        ++value;
    else if (delta < 0 && value > minimum)
        --value;
    controls.setText(editId, formatPlain(value));
}

void followNumeralSpin(Controls& controls, int editId, double& numeral, bool spinActive, int fromId,
                       bool isStep, int delta)
{
    numeral = parseNumeral(controls.text(editId));
    if (!spinActive || !isStepOf(editId, fromId, isStep))
        return;
    if (delta > 0 && numeral < kMaximumNumeral)
        numeral += 1.0;
    else if (delta < 0 && numeral > kMinimumNumeral)
        numeral -= 1.0;
    controls.setText(editId, formatNumeral(numeral));
}
