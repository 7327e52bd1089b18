// The program's MIDI output: device -1 is the built-in synthesiser, devices 0..N-1 the system's
// MIDI output ports (ALSA sequencer ports first, then JACK MIDI inputs), numbered as the device
// listing numbers them and named "ALSA: client:port" or "JACK: client:port".
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/device_listing.h"
#include "engine/note_pairing.h"
#include "engine/port_backend.h"
#include "platform/sound/fluid_synth_output.h"
#include "platform/sound/jack_midi_output.h"
#include "platform/sound/rtmidi_ports.h"

// One listed port: the name it is opened by, and the name the device list shows.
struct ListedMidiPort {
    bool jack = false;  // false: ALSA sequencer
    std::string name;   // RtMidi's ALSA name, or the full JACK port name
    std::string shown;  // with its "ALSA: " or "JACK: " prefix
};

// Output calls (open, send, close, failureReason) are not locked here: every one goes through the
// engine's MidiPort, whose lock serialises them. The listing has a lock of its own, because the
// device dialogs read it outside the port's lock while open() reads it inside.
class SystemMidiOutput : public PortBackend, public DeviceListing {
public:
    SystemMidiOutput() = default;
    ~SystemMidiOutput() override;

    // Under the engine port's lock. open() numbers devices as the last portCount() listed them (listing first if
    // nothing was listed yet); a port gone since then fails with 68.
    int open(int32_t deviceId) override;
    // A message with a data value outside 0..127 (a byte above 127, or kDataOutOfRange) is left
    // out (reported as sent): on the wire a byte above 127 would read as a status byte, and a
    // note of 300 cut to 44 would play a note nobody chose. Notes are paired (NotePairing): a
    // note-on of a key still sounding first ends it at the same time, and a note-off of a key
    // already ended is left out.
    int send(uint32_t packedMessage, MessageTime intendedTime = kSendAtOnce) override;
    int close() override;
    std::string failureReason() override;
    // The synthesiser's and JACK's constant placement latency, plus on JACK the port's playback
    // latency as the graph reports it; zero for ALSA ports. Any thread, lock-free.
    MessageTime placementLatency() override;
    // JACK's playback latency of the open port (what follows it up to the speaker); zero for the
    // synthesiser and ALSA ports. Any thread, lock-free.
    MessageTime reportedLatency() override;
    // The listed port of the last open, also when it failed; empty for the built-in synthesiser
    // (its failure reason names what is missing) and for a number the listing does not have.
    std::string shownPortName() override;

    // Waits until the built-in synthesiser's soundfont has loaded (true) or failed. For tests.
    bool waitUntilSynthLoaded() { return synth_.waitUntilLoaded(); }

    // Lists the ports afresh.
    uint32_t portCount() override;
    bool portName(uint32_t deviceId, std::string& name) override;
    // The shown name of the last port opened, when `deviceId` is that port's number.
    bool goneDeviceName(int32_t deviceId, std::string& name) override;

private:
    enum class Active { None, Synth, Alsa, Jack };

    // Written under the engine port's lock; read without it by placementLatency().
    std::atomic<Active> active_{Active::None};
    bool synthChosen_ = false;  // the last open was for the built-in synthesiser
    std::string openedPortShown_;  // under the engine port's lock, like the output calls
    NotePairing pairing_;          // what sounds on the open port; under the engine port's lock
    FluidSynthOutput synth_;
    RtMidiConnection alsa_;
    JackMidiOutput jack_;

    std::mutex listLock_;  // the listing, read by open() and the dialogs
    bool listed_ = false;
    std::vector<ListedMidiPort> ports_;
    int32_t openedId_ = -1;    // the last port opened, and its shown name
    std::string openedShown_;
};
