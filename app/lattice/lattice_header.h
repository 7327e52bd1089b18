// The lattice view's header: what is playing, in words. No Qt.
#pragma once

#include <string>
#include <vector>

#include "engine/device_listing.h"
#include "settings/settings_record.h"

// Three lines: the numeral as the caption shows it (with its preset's label), then tempo, layers
// and the two durations, then modulation and device. `deviceName` is the port's listed name.
std::vector<std::string> latticeHeader(const SettingsRecord& settings, const std::string& deviceName);

// "MIDI_MAPPER" for device -1, else the port's name as the device list last read it.
std::string latticeDeviceName(DeviceListing& devices, int32_t deviceId);
