// The system's ALSA sequencer output ports through RtMidi: listing, names as shown, one open port.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class RtMidiOut;

// One ALSA port: RtMidi's name ("FLUID Synth (812):Synth input port (812:0) 128:0"), by which it
// is opened, and the name the device list shows ("client:port").
struct AlsaPortName {
    std::string rtmidiName;
    std::string shown;
};

// True where the ALSA sequencer (/dev/snd/seq) can be opened; RtMidi's ALSA clients need it.
bool alsaSequencerPresent();

// Every ALSA output port in RtMidi's order; none where there is no /dev/snd/seq. "Midi Through",
// this program's own ports and ports whose name is unreadable are left out.
std::vector<AlsaPortName> listAlsaMidiOutputs();

// The shown names: RtMidi's names without their trailing sequencer address ("128:0"), except
// where two ports would then read alike; those keep it.
std::vector<std::string> shownAlsaNames(const std::vector<std::string>& rtmidiNames);

// What RtMidi's error callback reported; with the callback set, RtMidi does not throw.
struct RtMidiErrorState {
    int type = -1;  // RtMidiError::Type, -1 for none
    std::string text;
    bool warningsFail = false;  // during a send RtMidi reports a failed write as a warning
};

// One open RtMidi ALSA output port. Every RtMidi failure becomes a result code; nothing throws.
class RtMidiConnection {
public:
    RtMidiConnection();
    ~RtMidiConnection();
    RtMidiConnection(const RtMidiConnection&) = delete;
    RtMidiConnection& operator=(const RtMidiConnection&) = delete;

    // Finds the port by RtMidi's name among the ports listed now: 68 when it is gone.
    int open(const std::string& rtmidiName);
    // 67 when the sequencer refuses the message (RtMidi's warnings and driver errors).
    int send(uint32_t packedMessage);
    int close();
    bool isOpen() const { return out_ != nullptr; }

private:
    std::unique_ptr<RtMidiOut> out_;
    RtMidiErrorState error_;
};

// RtMidi's client name; ports of clients with this name are our own.
inline constexpr const char* kMidiClientName = "pulseLattice";
