#include "app/port_names.h"

#include "app/app_context.h"
#include "settings/port_name_file.h"
#include "settings/side_file.h"

namespace {

// The index of the listed port named `name` (the list as last read), or -1.
int32_t indexOfName(DeviceListing& devices, uint32_t count, const std::string& name)
{
    std::string listed;
    for (uint32_t i = 0; i < count; ++i)
        if (devices.portName(i, listed) && listed == name)
            return static_cast<int32_t>(i);
    return -1;
}

// The name of `deviceId` in the list as last read (no new reading).
std::string nameOf(DeviceListing& devices, int32_t deviceId)
{
    std::string name;
    if (deviceId < 0 || !devices.portName(static_cast<uint32_t>(deviceId), name))
        return {};
    return name;
}

// Moves `deviceId` to where its name is listed now; true when it moved.
bool follow(DeviceListing& devices, uint32_t count, int32_t& deviceId, const std::string& name)
{
    if (deviceId < 0 || name.empty())
        return false;
    const int32_t found = indexOfName(devices, count, name);
    if (found < 0 || found == deviceId)
        return false;
    deviceId = found;
    return true;
}

}  // namespace

PortChoice portChoiceOf(const AppContext& app)
{
    return {app.working.midiDeviceId, app.defaults.midiDeviceId};
}

std::string followPortNamesAtStart(AppContext& app)
{
    const int32_t saved = app.defaults.midiDeviceId;
    if (saved < 0)
        return {};
    const uint32_t count = app.devices.portCount();
    const std::optional<std::string> name = loadPortName(sideFilePath(app.parameterFile.path, kPortNameFile));
    if (!name) {
        app.portNames.defaults = app.portNames.working = nameOf(app.devices, saved);
        return {};
    }
    app.portNames.defaults = app.portNames.working = *name;
    const int32_t found = indexOfName(app.devices, count, *name);
    if (found < 0)
        return *name;
    app.defaults.midiDeviceId = app.working.midiDeviceId = found;
    return {};
}

void followPortNames(AppContext& app)
{
    const uint32_t count = app.devices.portCount();
    const int32_t workingBefore = app.working.midiDeviceId;
    if (follow(app.devices, count, app.working.midiDeviceId, app.portNames.working) &&
        get(app.player.deviceId) == workingBefore)
        put(app.player.deviceId, app.working.midiDeviceId);
    follow(app.devices, count, app.defaults.midiDeviceId, app.portNames.defaults);
}

void notePortNames(AppContext& app, const PortChoice& before)
{
    if (app.working.midiDeviceId != before.working)
        app.portNames.working = nameOf(app.devices, app.working.midiDeviceId);
    if (app.defaults.midiDeviceId != before.defaults)
        app.portNames.defaults = nameOf(app.devices, app.defaults.midiDeviceId);
}

void savePortNames(AppContext& app)
{
    if (!app.parameterFile.keepsSettings)
        return;
    savePortName(sideFilePath(app.parameterFile.path, kPortNameFile), app.defaults.midiDeviceId >= 0 ? app.portNames.defaults : "");
}
