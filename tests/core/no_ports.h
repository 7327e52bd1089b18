// A device listing with no MIDI ports: only MIDI_MAPPER is offered.
#pragma once

#include <cstdint>
#include <string>

#include "engine/device_listing.h"

class NoPorts : public DeviceListing {
public:
    uint32_t portCount() override { return 0; }
    bool portName(uint32_t, std::string&) override { return false; }
};
