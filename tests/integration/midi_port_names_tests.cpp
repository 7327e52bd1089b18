// The names the device list shows for ALSA ports: RtMidi's names without the sequencer address.
#include <gtest/gtest.h>

#include "platform/sound/rtmidi_ports.h"

TEST(MidiPortNames, AlsaPortsShowClientAndPortUnlessTwoWouldReadAlike)
{
    const std::vector<std::string> rtmidi = {
        "FLUID Synth (812):Synth input port (812:0) 128:0",
        "USB Keys:USB Keys MIDI 1 20:0",
        "USB Keys:USB Keys MIDI 1 24:0",
        "odd name without address",
    };
    const std::vector<std::string> shown = {
        "FLUID Synth (812):Synth input port (812:0)",
        "USB Keys:USB Keys MIDI 1 20:0",
        "USB Keys:USB Keys MIDI 1 24:0",
        "odd name without address",
    };
    EXPECT_EQ(shownAlsaNames(rtmidi), shown);
}
