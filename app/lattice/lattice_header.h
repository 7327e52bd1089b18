// The lattice view's header: what is playing, in words. No Qt.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/clock.h"
#include "engine/device_listing.h"
#include "engine/port_backend.h"
#include "settings/settings_record.h"

// A layer-0 alpha and beta event's real lengths, where they are not the settings' (on a session's beats).
struct LatticeLengths {
    Clock::Duration alpha{}, beta{};
};

// Three lines: the numeral as the caption shows it (with its preset's label), then tempo, layers
// and the two lengths in force (the settings' durations unless `inForce`), then modulation and
// device. `deviceName` is the port's listed name.
std::vector<std::string> latticeHeader(const SettingsRecord& settings, const std::string& deviceName,
                                       const std::optional<LatticeLengths>& inForce = std::nullopt);

// "MIDI_MAPPER" for device -1, else the port's name as the device list last read it.
std::string latticeDeviceName(DeviceListing& devices, int32_t deviceId);

// What the output's messages are sent early by, beyond its own placement: "latency 10.7 ms +
// offset 5 ms", "latency 10.7 ms", "offset -3 ms"; empty when both are zero.
std::string compensationHeaderItem(MessageTime reportedLatency, MessageTime outputOffset);
