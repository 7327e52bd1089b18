// The pairing rule every live output and the .mid writer share: a repeated note ends the sounding
// one first, a note-off of a silent key is left out, everything else passes unchanged.
#include <gtest/gtest.h>

#include <vector>

#include "engine/midi_port.h"
#include "engine/note_pairing.h"

TEST(NotePairing, ARepeatedNoteEndsTheSoundingOneFirstAndAStrayNoteOffIsLeftOut)
{
    struct Case {
        uint32_t in;
        std::vector<uint32_t> out;
    };
    const Case cases[] = {
        {packShortMessage(0x90, 46, 58), {packShortMessage(0x90, 46, 58)}},
        {packShortMessage(0x91, 46, 58), {packShortMessage(0x91, 46, 58)}},  // another channel: its own key
        {packShortMessage(0x90, 46, 70), {packShortMessage(0x80, 46, 64), packShortMessage(0x90, 46, 70)}},
        {packShortMessage(0xC0, 5, 0), {packShortMessage(0xC0, 5, 0)}},
        {packShortMessage(0x80, 46, 64), {packShortMessage(0x80, 46, 64)}},
        {packShortMessage(0x80, 46, 64), {}},                                 // the cycle's closing note-off
        {packShortMessage(0x91, 46, 0), {packShortMessage(0x91, 46, 0)}},     // velocity 0 ends it too
        {packShortMessage(0x81, 46, 64), {}},
    };
    NotePairing pairing;
    for (const Case& c : cases) {
        std::vector<uint32_t> sent;
        EXPECT_EQ(sendPaired(pairing, c.in, [&](uint32_t m) { sent.push_back(m); return 0; }), 0);
        EXPECT_EQ(sent, c.out) << std::hex << c.in;
    }
    // A failed send is passed on, and the note-on is not sent after its note-off failed.
    std::vector<uint32_t> sent;
    bool repeated = false;
    pairing.admit(0x92, 60, 100, repeated);
    EXPECT_EQ(sendPaired(pairing, packShortMessage(0x92, 60, 100), [&](uint32_t m) { sent.push_back(m); return 67; }), 67);
    EXPECT_EQ(sent.size(), 1u);
}
