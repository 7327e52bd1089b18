// The system's MIDI output ports through RtMidi: ALSA sequencer ports, then JACK MIDI input ports.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class RtMidiOut;

struct MidiPortEntry {
    bool jack = false;   // false: ALSA sequencer
    std::string name;    // as RtMidi names it, e.g. "rec:input"
};

// Every output port in device order: ALSA first, then JACK (only where a JACK server answers).
// "Midi Through" and this program's own ports are left out, as are ports whose name is unreadable.
std::vector<MidiPortEntry> listMidiOutputPorts();

// What RtMidi's error callback last reported; with the callback set, RtMidi does not throw.
struct RtMidiErrorState {
    int type = -1;  // RtMidiError::Type, -1 for none
    std::string text;
};

// One open RtMidi output port. Every RtMidi failure becomes a result code; nothing throws.
class RtMidiConnection {
public:
    RtMidiConnection();
    ~RtMidiConnection();
    RtMidiConnection(const RtMidiConnection&) = delete;
    RtMidiConnection& operator=(const RtMidiConnection&) = delete;

    // Finds the port by name among the ports its API lists now: 68 when it is gone.
    int open(const MidiPortEntry& entry);
    int send(uint32_t packedMessage);
    int close();
    bool isOpen() const { return out_ != nullptr; }

private:
    std::unique_ptr<RtMidiOut> out_;
    RtMidiErrorState error_;
};

// RtMidi's client name; ports of clients with this name are our own.
inline constexpr const char* kMidiClientName = "pulseLattice";
