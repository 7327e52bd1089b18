// The output ports the system lists, as the device lists of the dialogs show them.
#pragma once

#include <cstdint>
#include <string>

// Numbered as PortBackend::open numbers them (0..N-1; -1, "MIDI_MAPPER", is not listed here).
class DeviceListing {
public:
    virtual ~DeviceListing() = default;
    virtual uint32_t portCount() = 0;
    // False when the port's name cannot be read (it is then left out of the lists).
    virtual bool portName(uint32_t deviceId, std::string& name) = 0;
    // The name a device had when it was last opened, for a device the listing no longer shows.
    virtual bool goneDeviceName(int32_t, std::string&) { return false; }
};
