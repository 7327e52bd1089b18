#include "platform/rtmidi_ports.h"

#include <unistd.h>

#include <iostream>

#include <rtmidi/RtMidi.h>

#include "engine/port_backend.h"
#include "platform/midi_jack_probe.h"

namespace {

bool alsaSequencerPresent()
{
    // Without it RtMidi's ALSA client throws, and ALSA prints its own complaint first.
    return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

// Creates an output client of one API; null when the API cannot start here.
std::unique_ptr<RtMidiOut> makeOut(bool jack)
{
    if (jack ? !jackServerAnswers() : !alsaSequencerPresent())
        return nullptr;
    try {
        return std::make_unique<RtMidiOut>(jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA, kMidiClientName);
    } catch (const std::exception& e) {
        std::cerr << "pulselattice: MIDI " << (jack ? "JACK" : "ALSA") << ": " << e.what() << "\n";
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

}  // namespace

std::vector<MidiPortEntry> listMidiOutputPorts()
{
    std::vector<MidiPortEntry> ports;
    for (bool jack : {false, true}) {
        auto out = makeOut(jack);
        if (!out)
            continue;
        for (std::string& name : portNamesOf(*out))
            if (!leftOut(name))
                ports.push_back({jack, std::move(name)});
    }
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
    // Warnings (e.g. a port that lists no name) are not failures of the call.
    if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING)
        return;
    auto* error = static_cast<RtMidiErrorState*>(state);
    error->type = type;
    error->text = text;
}

}  // namespace

int RtMidiConnection::open(const MidiPortEntry& entry)
{
    if (out_)
        return MidiResult::Allocated;
    auto out = makeOut(entry.jack);
    if (!out)
        return MidiResult::NoDevice;
    error_ = {};
    try {
        out->setErrorCallback(recordError, &error_);
        const unsigned count = out->getPortCount();
        unsigned index = count;
        for (unsigned i = 0; i < count && index == count; ++i)
            if (out->getPortName(i) == entry.name)
                index = i;
        if (index == count) {
            std::cerr << "pulselattice: MIDI port '" << entry.name << "' is gone\n";
            return MidiResult::NoDevice;
        }
        out->openPort(index, std::string(kMidiClientName) + " output");
    } catch (const std::exception& e) {
        error_.type = RtMidiError::UNSPECIFIED;
        error_.text = e.what();
    }
    if (error_.type != -1 || !out->isPortOpen()) {
        std::cerr << "pulselattice: cannot open MIDI port '" << entry.name << "': " << error_.text << "\n";
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
    // Program change and channel pressure carry one data byte; the packed second one is dropped.
    const bool twoBytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0;
    const unsigned char bytes[3] = {status, static_cast<unsigned char>(packed >> 8),
                                    static_cast<unsigned char>(packed >> 16)};
    error_ = {};
    try {
        out_->sendMessage(bytes, twoBytes ? 2 : 3);
    } catch (const std::exception&) {
        error_.type = RtMidiError::UNSPECIFIED;
    }
    if (error_.type == -1)
        return MidiResult::Ok;
    return error_.type == RtMidiError::DRIVER_ERROR ? MidiResult::NotReady : MidiResult::Unknown;
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
