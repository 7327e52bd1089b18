// Helpers for driving dialog logic through FakeControls as a user would.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/dialog_logic.h"
#include "engine/device_listing.h"
#include "fake_controls.h"
#include "settings/defaults.h"
#include "settings/settings_record.h"

// Output ports by device id; an empty optional is a port whose name cannot be read.
class FakeDeviceListing : public DeviceListing {
public:
    std::vector<std::optional<std::string>> ports;

    uint32_t portCount() override { return static_cast<uint32_t>(ports.size()); }
    bool portName(uint32_t deviceId, std::string& name) override
    {
        if (deviceId >= ports.size() || !ports[deviceId])
            return false;
        name = *ports[deviceId];
        return true;
    }
};

inline SettingsRecord builtInRecord()
{
    SettingsRecord record;
    std::memset(&record, 0, sizeof record);
    fillBuiltInDefaults(record);
    return record;
}

inline bool sameRecord(const SettingsRecord& a, const SettingsRecord& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Types into an edit: the text changes and the edit reports it.
inline void type(FakeControls& controls, DialogLogic& dialog, int editId, const std::string& text)
{
    controls.setText(editId, text);
    dialog.command(controls, editId);
}

inline void choose(FakeControls& controls, DialogLogic& dialog, int listId, int index)
{
    controls.selectListItem(listId, index);
    dialog.command(controls, listId);
}

// Picks the entry showing `label`; returns false when the list has none.
inline bool chooseLabel(FakeControls& controls, DialogLogic& dialog, int listId, const std::string& label)
{
    const auto& items = controls.lists[listId];
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == label) {
            choose(controls, dialog, listId, static_cast<int>(i));
            return true;
        }
    }
    return false;
}

// A list that reports "no selection", as an edit field typed into does.
inline void clearSelection(FakeControls& controls, DialogLogic& dialog, int listId)
{
    controls.selection[listId] = -1;
    dialog.command(controls, listId);
}

inline void tick(FakeControls& controls, DialogLogic& dialog, int boxId, bool checked)
{
    controls.setChecked(boxId, checked);
    dialog.command(controls, boxId);
}

// The up arrow reports +1, the down arrow -1.
inline void clickUp(FakeControls& controls, DialogLogic& dialog, int spinId)
{
    dialog.notify(controls, spinId, true, +1);
}
inline void clickDown(FakeControls& controls, DialogLogic& dialog, int spinId)
{
    dialog.notify(controls, spinId, true, -1);
}

inline void pressOk(FakeControls& controls, DialogLogic& dialog) { dialog.command(controls, 1); }
inline void pressCancel(FakeControls& controls, DialogLogic& dialog) { dialog.command(controls, 2); }

// A settings dialog of type `Dialog` on the built-in records, with its controls; open() shows it.
template <typename Dialog>
class SettingsDialogTest : public ::testing::Test {
protected:
    void open()
    {
        controls = FakeControls{};
        dialog.init(controls);
    }

    SettingsRecord working = builtInRecord();
    SettingsRecord defaults = builtInRecord();
    FakeDeviceListing listing;
    Dialog dialog{working, defaults, listing};
    FakeControls controls;
};

