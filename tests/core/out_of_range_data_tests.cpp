// A note or velocity outside 0..127 after the offsets: every real output leaves its message out,
// the message list keeps it as the generator wrote it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/output/render_output.h"
#include "engine/midi_port.h"
#include "file_test_support.h"
#include "settings/defaults.h"

namespace {

// A restored voice file with note 300 on channel 1 and velocity 356 on channel 2: they are sent
// as their low bytes (44 and 100) and so written in the list, but a .mid (as every port and the
// synthesiser) leaves out those note-ons and note-offs instead of playing note 44.
TEST(OutOfRangeData, ARestoredNoteOf300IsLeftOutNotPlayedAs44)
{
    SettingsRecord settings{};
    fillBuiltInDefaults(settings);
    settings.notes[1] = 300;
    settings.velocities[2] = 356;
    std::vector<TimedMessage> messages;
    std::string error;
    ASSERT_TRUE(renderRun(settings, RenderLength{3, std::nullopt}, messages, error)) << error;

    size_t outOfRange = 0;
    for (const TimedMessage& m : messages) {
        const bool wrapped = ((m.status() & 0xEF) == 0x81) || m.status() == 0x92;  // ch 1 on/off, ch 2 on
        EXPECT_EQ(isValidMidiMessage(m.packed), !wrapped) << std::hex << m.packed;
        if (m.status() == 0x91 || m.status() == 0x81) {
            EXPECT_EQ(m.data1(), 44);
        }
        if (m.status() == 0x92) {
            EXPECT_EQ(m.data2(), 100);
        }
        outOfRange += wrapped;
    }
    ASSERT_GT(outOfRange, 0u);

    ScratchDir dir;
    const RenderOutcome mid = renderToFile(settings, RenderLength{3, std::nullopt}, dir.file("v.mid"), nullptr);
    ASSERT_EQ(mid.status, RenderStatus::Written) << mid.error;
    EXPECT_EQ(mid.leftOut, outOfRange);
    const RenderOutcome list = renderToFile(settings, RenderLength{3, std::nullopt}, dir.file("v.txt"), nullptr);
    ASSERT_EQ(list.status, RenderStatus::Written) << list.error;
    const Bytes text = readBytes(dir.file("v.txt"));
    EXPECT_NE(std::string(text.begin(), text.end()).find(" 91 2c 48\n"), std::string::npos);
}

}  // namespace
