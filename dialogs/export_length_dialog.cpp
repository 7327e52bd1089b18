#include "dialogs/export_length_dialog.h"

#include "resources/main_templates.h"

namespace {

constexpr int64_t kMaxPasses = 1'000'000;
constexpr int64_t kMaxMs = 7LL * 24 * 3600 * 1000;  // one week, as the render tool allows

// Digits only, at most 9 of them (no overflow); nothing for an empty or other text.
std::optional<int64_t> digits(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::optional<RenderLength> parseExportLength(const std::string& raw)
{
    const auto first = raw.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const std::string text = raw.substr(first, raw.find_last_not_of(" \t") - first + 1);

    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        const auto passes = digits(text);
        if (!passes || *passes < 1 || *passes > kMaxPasses)
            return std::nullopt;
        return RenderLength{passes, std::nullopt};
    }
    const auto minutes = digits(text.substr(0, colon));
    const std::string secondsText = text.substr(colon + 1);
    const auto seconds = secondsText.size() == 2 ? digits(secondsText) : std::nullopt;
    if (!minutes || !seconds || *seconds > 59)
        return std::nullopt;
    const int64_t ms = (*minutes * 60 + *seconds) * 1000;
    if (ms < 1000 || ms > kMaxMs)
        return std::nullopt;
    return RenderLength{std::nullopt, ms};
}

void ExportLengthDialog::init(Controls& controls)
{
    controls.setText(kExportLengthEditId, "1:00");
    controls.addListItem(kExportStartListId, "from the beginning");
    controls.addListItem(kExportStartListId, "from where Play would go on");
    controls.selectListItem(kExportStartListId, 0);
}

void ExportLengthDialog::command(Controls& controls, int id)
{
    if (id == 2) {
        controls.endDialog(2);
        return;
    }
    if (id != 1)
        return;
    const auto length = parseExportLength(controls.text(kExportLengthEditId));
    if (!length) {
        controls.showError("plz enter a number of passes (1 ~ 1000000) or minutes:seconds (0:01 ~ 10080:00)");
        return;
    }
    length_ = *length;
    fromWherePlayGoesOn_ = controls.selectedListItem(kExportStartListId) == 1;
    controls.endDialog(1);
}
