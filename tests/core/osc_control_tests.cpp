// OSC as the user meets it: each address runs the command the menu, keys or lattice window run;
// a wrong type, a value out of range or an unknown address is refused, counted and changes
// nothing; /state answers with the player's state. Also the OSC side file and --osc-port.
#include <gtest/gtest.h>

#include <fstream>

#include "app/command_line.h"
#include "app/remote/osc_control.h"
#include "resources/command_ids.h"
#include "session_app.h"
#include "settings/osc_settings.h"

namespace {

OscArgument i(int32_t value)
{
    return {'i', value, 0.0, {}};
}
OscArgument f(double value)
{
    return {'f', 0, value, {}};
}
OscArgument s(const char* value)
{
    return {'s', 0, 0.0, value};
}

class Osc : public ::testing::Test, protected SessionApp {
protected:
    void SetUp() override { ready(); }
    std::optional<OscMessage> send(const std::string& name, std::vector<OscArgument> arguments = {})
    {
        return handleOscMessage(app, {"/pulselattice/" + name, std::move(arguments)}, counters);
    }

    OscCounters counters;
};

}  // namespace

TEST_F(Osc, EachAddressRunsItsCommand)
{
    send("play");
    EXPECT_EQ(working.playState, Playing);
    send("mute", {i(3), i(1)});
    send("mute", {i(5), i(1)});
    send("mute", {i(5), i(0)});
    EXPECT_EQ(app.layerMutes.muted, 0b100u);
    EXPECT_EQ(player.mutedLayers.load(), 0b100u);
    send("solo", {i(3)});
    EXPECT_EQ(app.layerMutes.solo, 2);
    EXPECT_EQ(app.layerMutes.muted, 0u) << "a soloed layer is heard";
    send("solo", {i(0)});
    EXPECT_EQ(app.layerMutes.solo, -1);
    send("mute", {i(8), i(1)});
    send("clear");
    EXPECT_EQ(app.layerMutes, LayerMutes{});
    send("stop");
    EXPECT_EQ(working.playState, Ready);
    send("link", {i(1)});
    send("link", {i(1)});  // already on: stays on
    send("clock", {i(1)});
    EXPECT_TRUE(session.linkOn && session.clockOn);
    send("tempo", {f(133.5)});
    EXPECT_EQ(timeline.tempo(), 133.5);
    EXPECT_EQ(counters.handled, 13u);
    EXPECT_EQ(counters.refused, 0u);
}

TEST_F(Osc, WrongTypesOutOfRangeAndUnknownAddressesAreRefusedAndCounted)
{
    const std::vector<std::pair<std::string, std::vector<OscArgument>>> refused{
        {"mute", {i(9), i(1)}}, {"mute", {i(0), i(1)}},  {"mute", {i(1), i(2)}}, {"mute", {f(1), i(1)}},
        {"mute", {i(1)}},       {"solo", {i(-1)}},       {"solo", {s("1")}},     {"link", {i(2)}},
        {"clock", {}},          {"tempo", {f(120)}},     {"play", {i(1)}},       {"louder", {}},
    };
    for (const auto& [name, arguments] : refused)
        EXPECT_FALSE(send(name, arguments)) << name;
    EXPECT_FALSE(handleOscMessage(app, {"/other/play", {}}, counters));
    EXPECT_EQ(counters.refused, refused.size() + 1);
    EXPECT_EQ(counters.handled, 0u);
    EXPECT_EQ(app.layerMutes, LayerMutes{});
    EXPECT_FALSE(session.linkOn);
    EXPECT_EQ(working.playState, Ready);
    EXPECT_TRUE(shell.dialogsRun.empty()) << "never a box";

    // With Link on the tempo is taken, but not outside Link's 20-999 BPM.
    send("link", {i(1)});
    EXPECT_FALSE(send("tempo", {f(1000)}));
    EXPECT_FALSE(send("tempo", {f(19.9)}));
    EXPECT_FALSE(send("tempo", {i(120)}));
    EXPECT_EQ(counters.refused, refused.size() + 4);

    // Play while Idle would open the concept dialog: refused instead.
    working.playState = Idle;
    EXPECT_FALSE(send("play"));
    EXPECT_TRUE(shell.dialogsRun.empty());
}

TEST_F(Osc, StateRepliesWithPlayStateMutesSoloSwitchesAndTempo)
{
    send("mute", {i(2), i(1)});
    send("solo", {i(4)});
    send("clock", {i(1)});
    const std::optional<OscMessage> reply = send("state");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->address, "/pulselattice/state");
    ASSERT_EQ(reply->arguments.size(), 6u);
    EXPECT_EQ(reply->arguments[0].s, "ready");
    EXPECT_EQ(reply->arguments[1].i, 0b10);
    EXPECT_EQ(reply->arguments[2].i, 4);
    EXPECT_EQ(reply->arguments[3].i, 0);
    EXPECT_EQ(reply->arguments[4].i, 1);
    EXPECT_NEAR(reply->arguments[5].f, 60000.0 / get(player.alphaMs), 1e-9);
}

TEST(OscSettingsFile, DefaultsWhenMissingOrDamagedAndKeptOtherwise)
{
    ScratchDir dir;
    const std::string path = oscSettingsPath(dir.file("pulseLattice.par"));
    EXPECT_EQ(path, dir.file("pulseLattice.osc"));
    EXPECT_EQ(loadOscSettings(path), OscSettings{});
    EXPECT_FALSE(OscSettings{}.enabled);
    ASSERT_TRUE(saveOscSettings(path, {true, 57120, true}));
    EXPECT_EQ(loadOscSettings(path), (OscSettings{true, 57120, true}));
    for (const char* damaged : {"osc 1\nport 0\nnetwork 0\n", "osc 1\nport 65536\nnetwork 0\n", "osc 2\nport 9000\nnetwork 0\n",
                                "osc 1\nport 9000\n", "osc 1\nport 9000\nnetwork 0\nmore\n"}) {
        std::ofstream(path, std::ios::trunc) << damaged;
        EXPECT_EQ(loadOscSettings(path), OscSettings{}) << damaged;
    }
}

TEST(OscPortOption, TakesAPortWithOrWithoutEqualsAndRefusesAnythingElse)
{
    std::string error;
    EXPECT_EQ(oscPortOption({"--osc-port", "9001"}, error), 9001);
    EXPECT_EQ(oscPortOption({"-platform", "offscreen", "--osc-port=57120"}, error), 57120);
    EXPECT_EQ(oscPortOption({"file", "--", "--osc-port=1"}, error), std::nullopt);
    EXPECT_TRUE(error.empty());
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--osc-port"}, {"--osc-port", "0"}, {"--osc-port=65536"}, {"--osc-port", "x1"}, {"--osc-port="}}) {
        error.clear();
        EXPECT_EQ(oscPortOption(bad, error), std::nullopt);
        EXPECT_FALSE(error.empty()) << bad.back();
    }
}
