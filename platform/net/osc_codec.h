// OSC packets to and from plain messages, on liblo: a UDP packet (a message, or a bundle of
// messages and bundles) decoded into OscMessage, and a reply encoded. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/remote/osc_control.h"

// Appends the packet's messages to `messages` in order (a bundle's time tag is not waited for:
// its messages run at once). False when the packet, or an element of it, is malformed; the
// messages decoded before the fault stay appended.
bool decodeOscPacket(const uint8_t* data, size_t size, std::vector<OscMessage>& messages);

// The message as an OSC packet ('i', 'f' and 's' arguments); empty when liblo cannot build it.
std::vector<uint8_t> encodeOscMessage(const OscMessage& message);
