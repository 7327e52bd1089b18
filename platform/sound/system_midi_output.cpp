#include "platform/sound/system_midi_output.h"

#include <utility>

#include "engine/midi_port.h"
#include "platform/sound/jack_client.h"

namespace {

// ALSA ports, then JACK MIDI inputs, each kind in its own system's order.
std::vector<ListedMidiPort> listOutputPorts()
{
    std::vector<ListedMidiPort> ports;
    for (AlsaPortName& alsa : listAlsaMidiOutputs())
        ports.push_back({false, std::move(alsa.rtmidiName), "ALSA: " + alsa.shown});
    for (std::string& jack : listJackMidiInputs())
        ports.push_back({true, jack, "JACK: " + jack});
    return ports;
}

}  // namespace

SystemMidiOutput::~SystemMidiOutput()
{
    close();
}

int SystemMidiOutput::open(int32_t deviceId)
{
    if (active_ != Active::None)
        return MidiResult::Allocated;
    synthChosen_ = deviceId == -1;
    openedPortShown_.clear();
    pairing_.clear();
    if (deviceId == -1) {
        const int code = synth_.open();
        if (code == MidiResult::Ok)
            active_ = Active::Synth;
        return code;
    }
    ListedMidiPort entry;
    {
        std::lock_guard<std::mutex> listGuard(listLock_);
        if (!listed_) {
            ports_ = listOutputPorts();
            listed_ = true;
        }
        if (deviceId < 0 || static_cast<size_t>(deviceId) >= ports_.size())
            return MidiResult::BadDeviceId;
        entry = ports_[deviceId];
    }
    openedPortShown_ = entry.shown;
    const int code = entry.jack ? jack_.open(entry.name) : alsa_.open(entry.name);
    if (code == MidiResult::Ok) {
        active_ = entry.jack ? Active::Jack : Active::Alsa;
        std::lock_guard<std::mutex> listGuard(listLock_);
        openedId_ = deviceId;
        openedShown_ = entry.shown;
    }
    return code;
}

int SystemMidiOutput::send(uint32_t packed, MessageTime intendedTime)
{
    if (active_ == Active::None)
        return MidiResult::InvalidHandle;
    if ((packed & 0xFF) < 0x80)
        return MidiResult::BadOpenMode;
    if (!isValidMidiMessage(packed))
        return MidiResult::Ok;
    return sendPaired(pairing_, packed, [&](uint32_t message) {
        switch (active_.load()) {
        case Active::Synth: return synth_.send(message, intendedTime);
        case Active::Alsa: return alsa_.send(message);
        case Active::Jack: return jack_.send(message, intendedTime);
        case Active::None: break;
        }
        return MidiResult::InvalidHandle;
    });
}

int SystemMidiOutput::close()
{
    const Active was = active_.exchange(Active::None);
    switch (was) {
    case Active::Synth: return synth_.close();
    case Active::Alsa: return alsa_.close();
    case Active::Jack: return jack_.close();
    case Active::None: break;
    }
    return MidiResult::InvalidHandle;
}

MessageTime SystemMidiOutput::placementLatency()
{
    switch (active_.load(std::memory_order_relaxed)) {
    case Active::Synth: return kSynthSchedulingLatency;
    case Active::Jack: return jack_.placementLatency() + jack_.playbackLatency();
    case Active::Alsa:
    case Active::None: break;
    }
    return MessageTime::zero();
}

MessageTime SystemMidiOutput::reportedLatency()
{
    return active_.load(std::memory_order_relaxed) == Active::Jack ? jack_.playbackLatency() : MessageTime::zero();
}

std::string SystemMidiOutput::failureReason()
{
    // The synthesiser explains itself; a port's failure is said by its result code.
    return synthChosen_ ? synth_.failureReason() : std::string();
}

std::string SystemMidiOutput::shownPortName()
{
    return openedPortShown_;
}

uint32_t SystemMidiOutput::portCount()
{
    std::vector<ListedMidiPort> ports = listOutputPorts();
    std::lock_guard<std::mutex> guard(listLock_);
    ports_ = std::move(ports);
    listed_ = true;
    return static_cast<uint32_t>(ports_.size());
}

bool SystemMidiOutput::goneDeviceName(int32_t deviceId, std::string& name)
{
    std::lock_guard<std::mutex> guard(listLock_);
    if (deviceId < 0 || deviceId != openedId_)
        return false;
    name = openedShown_;
    return true;
}

bool SystemMidiOutput::portName(uint32_t deviceId, std::string& name)
{
    std::lock_guard<std::mutex> guard(listLock_);
    if (deviceId >= ports_.size())
        return false;
    name = ports_[deviceId].shown;
    return true;
}
