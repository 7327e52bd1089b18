// The MIDI device list of the concept and the durations and offsets dialogs.
#pragma once

#include <cstdint>

#include "dialogs/controls.h"
#include "engine/device_listing.h"

inline constexpr int kDeviceTableSize = 64;  // "MIDI_MAPPER" and at most 63 ports

struct DeviceChoice {
    uint32_t portCount;                  // ports the system reports
    int32_t listedCount;                 // ports listed after "MIDI_MAPPER"
    int32_t table[kDeviceTableSize];     // device id per list entry; entry 0 is -1
    int32_t selected;                    // selected list entry
    int32_t pendingDeviceId;             // -1 for the mapper
};

// Lists "MIDI_MAPPER" and every port whose name can be read (up to the table's room) in list
// `listId`, then the current device when it is not among them (marked "(not available)"), and
// selects the entry of `currentDeviceId`. When no entry before the last matches,
// the last entry is selected while pendingDeviceId keeps the current id.
void fillDeviceList(Controls& controls, int listId, DeviceChoice& devices, DeviceListing& listing,
                    int32_t currentDeviceId);

// The list reported something: take its selection. No selection, or an index outside the listed
// entries, keeps the previous choice.
void takeDeviceSelection(Controls& controls, int listId, DeviceChoice& devices);
