#include "platform/net/osc_codec.h"

#include <lo/lo.h>

#include <cstring>
#include <memory>

namespace {

// Bundles inside bundles deeper than this are refused, so a crafted packet cannot recurse far.
constexpr int kMaxBundleDepth = 8;
constexpr char kBundleTag[8] = {'#', 'b', 'u', 'n', 'd', 'l', 'e', '\0'};

struct MessageFree {
    void operator()(lo_message message) const { lo_message_free(message); }
};
using MessagePtr = std::unique_ptr<std::remove_pointer_t<lo_message>, MessageFree>;

uint32_t bigEndian32(const uint8_t* bytes)
{
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

bool decodeMessage(const uint8_t* data, size_t size, std::vector<OscMessage>& messages)
{
    // liblo takes a mutable buffer; it reads it only, but gets a copy of its own anyway.
    std::vector<uint8_t> copy(data, data + size);
    int result = 0;
    MessagePtr message(lo_message_deserialise(copy.data(), copy.size(), &result));
    if (!message || result != 0)
        return false;
    const char* path = lo_get_path(copy.data(), static_cast<ssize_t>(copy.size()));
    const char* types = lo_message_get_types(message.get());
    lo_arg** argv = lo_message_get_argv(message.get());
    const int count = lo_message_get_argc(message.get());
    if (!path || (count > 0 && (!types || !argv)))
        return false;
    OscMessage decoded{path, {}};
    for (int k = 0; k < count; ++k) {
        OscArgument argument;
        argument.type = types[k];
        // liblo's arguments point into the packet, 4-byte aligned: read through memcpy, never
        // through lo_arg (a union with 8-byte members).
        const void* value = argv[k];
        switch (types[k]) {
        case LO_INT32: std::memcpy(&argument.i, value, sizeof argument.i); break;
        case LO_FLOAT: {
            float number = 0.0f;
            std::memcpy(&number, value, sizeof number);
            argument.f = number;
            break;
        }
        case LO_DOUBLE:
            argument.type = 'f';
            std::memcpy(&argument.f, value, sizeof argument.f);
            break;
        case LO_STRING:
        case LO_SYMBOL:
            argument.type = 's';
            argument.s = static_cast<const char*>(value);
            break;
        default: break;  // kept as its type tag only: refused where a value is wanted
        }
        decoded.arguments.push_back(std::move(argument));
    }
    messages.push_back(std::move(decoded));
    return true;
}

bool decodeElement(const uint8_t* data, size_t size, std::vector<OscMessage>& messages, int depth)
{
    if (size < sizeof kBundleTag || std::memcmp(data, kBundleTag, sizeof kBundleTag) != 0)
        return decodeMessage(data, size, messages);
    // "#bundle", an 8-byte time tag, then elements, each a 32-bit size and that many bytes.
    if (depth >= kMaxBundleDepth || size < 16)
        return false;
    size_t at = 16;
    while (at < size) {
        if (size - at < 4)
            return false;
        const uint32_t length = bigEndian32(data + at);
        at += 4;
        if (length == 0 || length % 4 != 0 || length > size - at)
            return false;
        if (!decodeElement(data + at, length, messages, depth + 1))
            return false;
        at += length;
    }
    return true;
}

}  // namespace

bool decodeOscPacket(const uint8_t* data, size_t size, std::vector<OscMessage>& messages)
{
    return data && size > 0 && decodeElement(data, size, messages, 0);
}

std::vector<uint8_t> encodeOscMessage(const OscMessage& message)
{
    MessagePtr built(lo_message_new());
    if (!built)
        return {};
    for (const OscArgument& argument : message.arguments) {
        int added = -1;
        if (argument.type == 'i')
            added = lo_message_add_int32(built.get(), argument.i);
        else if (argument.type == 'f')
            added = lo_message_add_float(built.get(), static_cast<float>(argument.f));
        else if (argument.type == 's')
            added = lo_message_add_string(built.get(), argument.s.c_str());
        if (added != 0)
            return {};
    }
    size_t length = 0;
    void* bytes = lo_message_serialise(built.get(), message.address.c_str(), nullptr, &length);
    if (!bytes)
        return {};
    std::vector<uint8_t> packet(static_cast<uint8_t*>(bytes), static_cast<uint8_t*>(bytes) + length);
    std::free(bytes);
    return packet;
}
