// In-memory controls of one open dialog, addressed by id, for testing dialog logic without Qt.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "dialogs/controls.h"

class FakeControls : public Controls {
public:
    void setText(int id, const std::string& value) override { texts[id] = value; }
    std::string text(int id) override
    {
        auto found = texts.find(id);
        return found == texts.end() ? std::string() : found->second;
    }
    void addListItem(int id, const std::string& value) override { lists[id].push_back(value); }
    void selectListItem(int id, int index) override
    {
        const int size = static_cast<int>(lists[id].size());
        selection[id] = (index >= 0 && index < size) ? index : -1;
    }
    int selectedListItem(int id) override
    {
        auto found = selection.find(id);
        return found == selection.end() ? -1 : found->second;
    }
    void setChecked(int id, bool checked) override { checks[id] = checked; }
    bool isChecked(int id) override { return checks.count(id) && checks[id]; }
    void enable(int id, bool enabled) override
    {
        if (enabled)
            disabled.erase(id);
        else
            disabled.insert(id);
    }
    void pairSpin(int spinId, int editId) override { spinPairs[spinId] = editId; }
    void endDialog(int value) override
    {
        ended = true;
        result = value;
    }
    void showError(const std::string& message) override { errors.push_back(message); }

    // The text shown by a list: its selected entry, or "" without a selection.
    std::string listText(int id)
    {
        const int index = selectedListItem(id);
        return index < 0 ? std::string() : lists[id][index];
    }
    bool isEnabled(int id) const { return disabled.count(id) == 0; }

    std::map<int, std::string> texts;
    std::map<int, std::vector<std::string>> lists;
    std::map<int, int> selection;
    std::map<int, bool> checks;
    std::set<int> disabled;
    std::map<int, int> spinPairs;
    std::vector<std::string> errors;
    bool ended = false;
    int result = 0;
};
