#include "dialogs/device_choice.h"

#include <algorithm>
#include <string>

void fillDeviceList(Controls& controls, int listId, DeviceChoice& devices, DeviceListing& listing,
                    int32_t currentDeviceId)
{
    devices.listedCount = 0;
    devices.table[0] = -1;
    devices.pendingDeviceId = currentDeviceId;
    controls.addListItem(listId, "MIDI_MAPPER");

    devices.portCount = listing.portCount();
    for (uint32_t id = 0; id < devices.portCount; ++id) {
        if (devices.listedCount == kDeviceTableSize - 1)
            break;  // the table is full: later ports are not offered
        std::string name;
        if (!listing.portName(id, name))
            continue;
        ++devices.listedCount;
        devices.table[devices.listedCount] = static_cast<int32_t>(id);
        controls.addListItem(listId, name);
    }

    // The current device stays on offer even when it has gone (unplugged, its server died), so
    // that the list shows what plays now and choosing MIDI_MAPPER is a real change.
    const bool listed = std::find(devices.table, devices.table + devices.listedCount + 1, currentDeviceId) !=
                        devices.table + devices.listedCount + 1;
    if (!listed && devices.listedCount < kDeviceTableSize - 1) {
        std::string name;
        if (!listing.goneDeviceName(currentDeviceId, name))
            name = "device " + std::to_string(currentDeviceId);
        ++devices.listedCount;
        devices.table[devices.listedCount] = currentDeviceId;
        controls.addListItem(listId, name + " (not available)");
    }

    int32_t k = 0;
    while (k < devices.listedCount && devices.table[k] != devices.pendingDeviceId)
        ++k;
    controls.selectListItem(listId, k);
    devices.selected = k;
}

void takeDeviceSelection(Controls& controls, int listId, DeviceChoice& devices)
{
    const int selection = controls.selectedListItem(listId);
    if (selection < 0 || selection > devices.listedCount)
        return;
    devices.selected = selection;
    devices.pendingDeviceId = devices.table[selection];
}
