#include "platform/system_midi_output.h"

#include <utility>

#include "engine/midi_port.h"

SystemMidiOutput::~SystemMidiOutput()
{
    close();
}

int SystemMidiOutput::open(int32_t deviceId)
{
    std::lock_guard<std::mutex> guard(outputLock_);
    if (active_ != Active::None)
        return MidiResult::Allocated;
    synthChosen_ = deviceId == -1;
    if (deviceId == -1) {
        const int code = synth_.open();
        if (code == MidiResult::Ok)
            active_ = Active::Synth;
        return code;
    }
    MidiPortEntry entry;
    {
        std::lock_guard<std::mutex> listGuard(listLock_);
        if (!listed_) {
            ports_ = listMidiOutputPorts();
            listed_ = true;
        }
        if (deviceId < 0 || static_cast<size_t>(deviceId) >= ports_.size())
            return MidiResult::BadDeviceId;
        entry = ports_[deviceId];
    }
    const int code = port_.open(entry);
    if (code == MidiResult::Ok)
        active_ = Active::Port;
    return code;
}

int SystemMidiOutput::send(uint32_t packed, MessageTime intendedTime)
{
    std::lock_guard<std::mutex> guard(outputLock_);
    if (active_ == Active::None)
        return MidiResult::InvalidHandle;
    if ((packed & 0xFF) < 0x80)
        return MidiResult::BadOpenMode;
    if (!isValidMidiMessage(packed))
        return MidiResult::Ok;
    switch (active_) {
    case Active::Synth: return synth_.send(packed, intendedTime);
    case Active::Port: return port_.send(packed);
    case Active::None: break;
    }
    return MidiResult::InvalidHandle;
}

int SystemMidiOutput::close()
{
    std::lock_guard<std::mutex> guard(outputLock_);
    const Active was = std::exchange(active_, Active::None);
    switch (was) {
    case Active::Synth: return synth_.close();
    case Active::Port: return port_.close();
    case Active::None: break;
    }
    return MidiResult::InvalidHandle;
}

std::string SystemMidiOutput::failureReason()
{
    // The synthesiser explains itself; a port's failure is said by its result code.
    std::lock_guard<std::mutex> guard(outputLock_);
    return synthChosen_ ? synth_.failureReason() : std::string();
}

uint32_t SystemMidiOutput::portCount()
{
    std::vector<MidiPortEntry> ports = listMidiOutputPorts();
    std::lock_guard<std::mutex> guard(listLock_);
    ports_ = std::move(ports);
    listed_ = true;
    return static_cast<uint32_t>(ports_.size());
}

bool SystemMidiOutput::portName(uint32_t deviceId, std::string& name)
{
    std::lock_guard<std::mutex> guard(listLock_);
    if (deviceId >= ports_.size())
        return false;
    name = ports_[deviceId].name;
    return true;
}
