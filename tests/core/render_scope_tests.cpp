// A run from given counters: the render tool's --from-counters and Export "from where Play would go
// on" play exactly what live playback plays next.
#include <gtest/gtest.h>

#include "engine/render_run.h"
#include "generator_test_support.h"
#include "settings/numeral_presets.h"

namespace {

// The messages from index `from` on, with times moved so the first pass starts at 0.
std::vector<std::string> continuation(const std::vector<TimedMessage>& messages, size_t from, Clock::Duration start)
{
    std::vector<TimedMessage> moved(messages.begin() + static_cast<std::ptrdiff_t>(from), messages.end());
    for (TimedMessage& m : moved)
        m.time -= start;
    return linesOf(moved);
}

TEST(RenderScope, FromCountersEqualsALiveContinuation)
{
    for (const int32_t layers : {1, 3, 5}) {
        VirtualPlayer live(numeralPresetValue(10), layers);  // PI
        live.settings.numeralPreset = 11;
        for (int pass = 0; pass < 4; ++pass)
            live.pass();
        const LayerCounters where = live.counters;
        const size_t from = live.port.messages.size();
        const Clock::Duration start = live.clock.now();
        for (int pass = 0; pass < 3; ++pass)
            live.pass();

        RenderScope scope;
        scope.startCounters = where;
        std::vector<TimedMessage> rendered;
        std::string error;
        ASSERT_TRUE(renderRun(live.settings, RenderLength{3, std::nullopt}, rendered, error, nullptr, 1000, scope));
        rendered.erase(rendered.begin(), rendered.begin() + 16);  // the program changes
        EXPECT_EQ(linesOf(rendered), continuation(live.port.messages, from, start)) << layers << " layers";
        EXPECT_NE(where, LayerCounters{});
    }
}

}  // namespace
