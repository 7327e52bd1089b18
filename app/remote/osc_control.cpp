#include "app/remote/osc_control.h"

#include <cmath>

#include "app/commands.h"
#include "app/lattice/layer_mutes.h"
#include "app/session/tap_tempo.h"
#include "common/diagnostics.h"
#include "resources/command_ids.h"

namespace {

// Link's own tempo range.
constexpr double kMinTempo = 20.0;
constexpr double kMaxTempo = 999.0;

struct Refusal {
    std::string why;
};

// The message's arguments as the address wants them ("ii", "f", ""), or why not.
std::optional<Refusal> checkTypes(const OscMessage& message, const std::string& wanted)
{
    if (message.arguments.size() != wanted.size())
        return Refusal{"wants " + std::to_string(wanted.size()) + " argument(s) (" + (wanted.empty() ? "none" : wanted) +
                       "), got " + std::to_string(message.arguments.size())};
    for (size_t k = 0; k < wanted.size(); ++k)
        if (message.arguments[k].type != wanted[k])
            return Refusal{"argument " + std::to_string(k + 1) + " must be of type '" + wanted[k] + "', got '" +
                           std::string(1, message.arguments[k].type ? message.arguments[k].type : '?') + "'"};
    return std::nullopt;
}

std::optional<Refusal> layerOutOfRange(int32_t layer, int32_t lowest)
{
    if (layer < lowest || layer > kLayerCount)
        return Refusal{"layer " + std::to_string(layer) + " is outside " + std::to_string(lowest) + "-8"};
    return std::nullopt;
}

std::optional<Refusal> notASwitch(int32_t value)
{
    if (value != 0 && value != 1)
        return Refusal{"the value " + std::to_string(value) + " is not 0 or 1"};
    return std::nullopt;
}

// Runs a switch command when the switch is not already as asked.
void setSwitch(AppContext& app, bool current, int32_t wanted, int commandId)
{
    if (current != (wanted == 1))
        dispatchCommand(app, commandId);
}

double ourTempo(AppContext& app)
{
    SessionSync* session = app.transport.session;
    if (BeatTimeline* grid = session ? session->grid() : nullptr)
        return grid->tempo();
    const int32_t alphaMs = get(app.player.alphaMs);
    return alphaMs > 0 ? 60000.0 / alphaMs : 0.0;
}

OscMessage stateReply(AppContext& app)
{
    SessionSync* session = app.transport.session;
    const int32_t state = app.working.playState;
    OscMessage reply{std::string(kOscPrefix) + "state", {}};
    reply.arguments.push_back({'s', 0, 0.0, state == Playing ? "playing" : state == Ready ? "ready" : "idle"});
    reply.arguments.push_back({'i', static_cast<int32_t>(app.layerMutes.muted), 0.0, {}});
    reply.arguments.push_back({'i', app.layerMutes.solo + 1, 0.0, {}});
    reply.arguments.push_back({'i', session && session->linkOn.load() ? 1 : 0, 0.0, {}});
    reply.arguments.push_back({'i', session && session->clockOn.load() ? 1 : 0, 0.0, {}});
    reply.arguments.push_back({'f', 0, ourTempo(app), {}});
    return reply;
}

// Carries out `name` with its arguments, or says why not. `reply` is set for /state.
std::optional<Refusal> run(AppContext& app, const std::string& name, const OscMessage& message,
                           std::optional<OscMessage>& reply)
{
    const std::vector<OscArgument>& args = message.arguments;
    SessionSync* session = app.transport.session;
    if (name == "play" || name == "stop" || name == "rewind" || name == "clear" || name == "tap" || name == "state") {
        if (auto refused = checkTypes(message, ""))
            return refused;
        if (name == "play") {
            if (app.working.playState != Ready)
                return Refusal{"Play needs an accepted concept and a stopped player"};
            dispatchCommand(app, Command::Play);
        } else if (name == "stop") {
            dispatchCommand(app, Command::Stop);
        } else if (name == "rewind") {
            if (app.working.playState == Playing)
                return Refusal{"Rewind waits for Stop"};
            dispatchCommand(app, Command::Rewind);
        } else if (name == "clear") {
            setLayerMutes(app, LayerMutes{});
        } else if (name == "tap") {
            dispatchCommand(app, Command::TapTempo);
        } else {
            reply = stateReply(app);
        }
        return std::nullopt;
    }
    if (name == "mute") {
        if (auto refused = checkTypes(message, "ii"); refused || (refused = layerOutOfRange(args[0].i, 1)) ||
                                                      (refused = notASwitch(args[1].i)))
            return refused;
        LayerMutes mutes = app.layerMutes;
        const uint32_t bit = 1u << (args[0].i - 1);
        mutes.muted = args[1].i == 1 ? mutes.muted | bit : mutes.muted & ~bit;
        setLayerMutes(app, mutes);
        return std::nullopt;
    }
    if (name == "solo") {
        if (auto refused = checkTypes(message, "i"); refused || (refused = layerOutOfRange(args[0].i, 0)))
            return refused;
        LayerMutes mutes = app.layerMutes;
        mutes.solo = args[0].i - 1;
        if (mutes.solo >= 0)
            mutes.muted &= ~(1u << mutes.solo);  // a soloed layer is heard, as a Shift+click does
        setLayerMutes(app, mutes);
        return std::nullopt;
    }
    if (name == "link" || name == "clock") {
        if (auto refused = checkTypes(message, "i"); refused || (refused = notASwitch(args[0].i)))
            return refused;
        if (!session)
            return Refusal{"playing with others is not available"};
        if (name == "link")
            setSwitch(app, session->linkOn.load(), args[0].i, Command::Link);
        else
            setSwitch(app, session->clockOn.load(), args[0].i, Command::MidiClock);
        return std::nullopt;
    }
    if (name == "tempo") {
        if (auto refused = checkTypes(message, "f"))
            return refused;
        const double bpm = args[0].f;
        if (!std::isfinite(bpm) || bpm < kMinTempo || bpm > kMaxTempo)
            return Refusal{"the tempo " + std::to_string(bpm) + " is outside 20-999 BPM"};
        if (!session || !session->following())
            return Refusal{"the tempo is set from outside only with Link on"};
        session->timeline->setTempo(bpm);
        return std::nullopt;
    }
    return Refusal{"no such address"};
}

}  // namespace

std::optional<OscMessage> handleOscMessage(AppContext& app, const OscMessage& message, OscCounters& counters)
{
    std::optional<OscMessage> reply;
    const std::string prefix = kOscPrefix;
    std::optional<Refusal> refused;
    if (message.address.compare(0, prefix.size(), prefix) != 0)
        refused = Refusal{"no such address"};
    else
        refused = run(app, message.address.substr(prefix.size()), message, reply);
    if (refused) {
        ++counters.refused;
        logDiagnostic("OSC: refused " + message.address.substr(0, 80) + ": " + refused->why + " (" +
                      std::to_string(counters.refused) + " refused so far)");
        return std::nullopt;
    }
    ++counters.handled;
    return reply;
}
