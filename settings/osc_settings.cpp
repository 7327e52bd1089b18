#include "settings/osc_settings.h"

#include <cstdio>
#include <vector>

#include "settings/atomic_file.h"

std::string oscSettingsPath(const std::string& parameterFilePath)
{
    const size_t slash = parameterFilePath.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : parameterFilePath.substr(0, slash + 1);
    return directory + "pulseLattice.osc";
}

OscSettings loadOscSettings(const std::string& path)
{
    std::vector<uint8_t> bytes(96);
    const int64_t count = readFilePrefix(path, bytes);
    if (count <= 0)
        return {};
    const std::string text(bytes.begin(), bytes.begin() + count);
    int enabled = 0, port = 0, network = 0, used = 0;
    // "osc 0|1", "port N", "network 0|1", and nothing else: anything else is a damaged file.
    if (std::sscanf(text.c_str(), "osc %d port %d network %d %n", &enabled, &port, &network, &used) != 3 ||
        static_cast<size_t>(used) != text.size() || (enabled != 0 && enabled != 1) || port < 1 || port > 65535 ||
        (network != 0 && network != 1))
        return {};
    return {enabled == 1, static_cast<uint16_t>(port), network == 1};
}

bool saveOscSettings(const std::string& path, const OscSettings& settings)
{
    char text[64];
    const int length = std::snprintf(text, sizeof text, "osc %d\nport %u\nnetwork %d\n", settings.enabled ? 1 : 0,
                                     static_cast<unsigned>(settings.port), settings.acceptNetwork ? 1 : 0);
    return writeFileAtomically(path, {reinterpret_cast<const uint8_t*>(text), static_cast<size_t>(length)});
}
