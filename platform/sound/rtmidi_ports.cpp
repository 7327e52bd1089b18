#include "platform/sound/rtmidi_ports.h"

#include <unistd.h>

#include <map>

#include <rtmidi/RtMidi.h>

#include "common/diagnostics.h"
#include "engine/midi_port.h"
#include "engine/port_backend.h"

bool alsaSequencerPresent()
{
    // Without it RtMidi's ALSA client throws, and ALSA prints its own complaint first.
    return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

namespace {

// Creates an ALSA output client; null when there is no sequencer here.
std::unique_ptr<RtMidiOut> makeOut()
{
    if (!alsaSequencerPresent())
        return nullptr;
    try {
        return std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kMidiClientName);
    } catch (const std::exception& e) {
        logDiagnostic(std::string("MIDI ALSA: ") + e.what());
        return nullptr;
    }
}

bool leftOut(const std::string& name)
{
    return name.empty() || name.find("Midi Through") != std::string::npos ||
           name.rfind(kMidiClientName, 0) == 0;
}

void quietError(RtMidiError::Type, const std::string&, void*) {}

// The names RtMidi lists for one client, in its order; every exception and error is swallowed.
std::vector<std::string> portNamesOf(RtMidiOut& out)
{
    std::vector<std::string> names;
    try {
        out.setErrorCallback(quietError, nullptr);
        const unsigned count = out.getPortCount();
        for (unsigned i = 0; i < count; ++i)
            names.push_back(out.getPortName(i));
    } catch (const std::exception&) {
    }
    return names;
}

// "client:port 128:0" without " 128:0"; unchanged when it does not end in such an address.
std::string withoutAddress(const std::string& name)
{
    const size_t space = name.rfind(' ');
    if (space == std::string::npos)
        return name;
    const std::string address = name.substr(space + 1);
    const size_t colon = address.find(':');
    const auto digits = [](const std::string& text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    };
    if (colon == std::string::npos || !digits(address.substr(0, colon)) || !digits(address.substr(colon + 1)))
        return name;
    return name.substr(0, space);
}

}  // namespace

std::vector<std::string> shownAlsaNames(const std::vector<std::string>& rtmidiNames)
{
    std::vector<std::string> shown;
    std::map<std::string, int> uses;
    for (const std::string& name : rtmidiNames)
        ++uses[shown.emplace_back(withoutAddress(name))];
    for (size_t i = 0; i < shown.size(); ++i)
        if (uses[shown[i]] > 1)
            shown[i] = rtmidiNames[i];
    return shown;
}

std::vector<AlsaPortName> listAlsaMidiOutputs()
{
    std::vector<std::string> names;
    if (auto out = makeOut())
        for (std::string& name : portNamesOf(*out))
            if (!leftOut(name))
                names.push_back(std::move(name));
    const std::vector<std::string> shown = shownAlsaNames(names);
    std::vector<AlsaPortName> ports;
    for (size_t i = 0; i < names.size(); ++i)
        ports.push_back({names[i], shown[i]});
    return ports;
}

RtMidiConnection::RtMidiConnection() = default;

RtMidiConnection::~RtMidiConnection()
{
    close();
}

namespace {

void recordError(RtMidiError::Type type, const std::string& text, void* state)
{
    auto* error = static_cast<RtMidiErrorState*>(state);
    // Outside a send, warnings (e.g. a port that lists no name) are not failures of the call.
    if (type == RtMidiError::DEBUG_WARNING || (type == RtMidiError::WARNING && !error->warningsFail))
        return;
    error->type = type;
    error->text = text;
}

}  // namespace

int RtMidiConnection::open(const std::string& rtmidiName)
{
    if (out_)
        return MidiResult::Allocated;
    auto out = makeOut();
    if (!out)
        return MidiResult::NoDevice;
    error_ = {};
    try {
        out->setErrorCallback(recordError, &error_);
        const unsigned count = out->getPortCount();
        unsigned index = count;
        for (unsigned i = 0; i < count && index == count; ++i)
            if (out->getPortName(i) == rtmidiName)
                index = i;
        if (index == count) {
            logDiagnostic("MIDI port '" + rtmidiName + "' is gone");
            return MidiResult::NoDevice;
        }
        out->openPort(index, std::string(kMidiClientName) + " output");
    } catch (const std::exception& e) {
        error_.type = RtMidiError::UNSPECIFIED;
        error_.text = e.what();
    }
    if (error_.type != -1 || !out->isPortOpen()) {
        logDiagnostic("cannot open MIDI port '" + rtmidiName + "': " + error_.text);
        switch (error_.type) {
        case RtMidiError::MEMORY_ERROR: return MidiResult::NoMemory;
        case RtMidiError::INVALID_PARAMETER:
        case RtMidiError::INVALID_DEVICE:
        case RtMidiError::NO_DEVICES_FOUND: return MidiResult::NoDevice;
        default: return MidiResult::Unknown;
        }
    }
    out_ = std::move(out);
    return MidiResult::Ok;
}

int RtMidiConnection::send(uint32_t packed)
{
    if (!out_)
        return MidiResult::InvalidHandle;
    const unsigned char status = packed & 0xFF;
    if (status < 0x80)
        return MidiResult::BadOpenMode;
    const unsigned char bytes[3] = {status, static_cast<unsigned char>(packed >> 8),
                                    static_cast<unsigned char>(packed >> 16)};
    error_ = {};
    error_.warningsFail = true;
    try {
        out_->sendMessage(bytes, static_cast<size_t>(shortMessageLength(packed)));
    } catch (const std::exception&) {
        error_.type = RtMidiError::UNSPECIFIED;
    }
    if (error_.type == -1)
        return MidiResult::Ok;
    switch (error_.type) {
    case RtMidiError::WARNING:
    case RtMidiError::DRIVER_ERROR: return MidiResult::NotReady;
    default: return MidiResult::Unknown;
    }
}

int RtMidiConnection::close()
{
    if (!out_)
        return MidiResult::InvalidHandle;
    try {
        out_->closePort();
    } catch (const std::exception&) {
    }
    out_.reset();
    return MidiResult::Ok;
}
