#include "tools/render_options.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "settings/numeral_presets.h"
#include "settings/rhythm_units.h"

const char* const kRenderUsage =
    "usage: pulselattice-render [--settings FILE.par] [--voices FILE.gms] [--numeral X] [--tempo N]\n"
    "                           [--layers N] [--alpha MS] [--beta MS] [--note-offset N]\n"
    "                           [--velocity-offset N] [--modulation LAYER,TONE,NOTE,VELOCITY]\n"
    "                           [--mute L1,L2,...] [--from-counters C1,...,C8]\n"
    "                           (--passes N | --stop-at MS) -o OUT\n"
    "--mute: the layers (1..8) whose note-ons are left out; --from-counters: every layer's counter\n"
    "  at the start (as where Play would go on), layer 1 first, missing ones 0\n"
    "OUT: '-' or FILE.txt (message list), FILE.mid (Standard MIDI File), FILE.wav (audio)\n";

namespace {

bool parseInteger(const std::string& text, int64_t low, int64_t high, int64_t& value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

bool parseInt32(const std::string& text, int64_t low, int64_t high, std::optional<int32_t>& slot)
{
    int64_t value = 0;
    if (!parseInteger(text, low, high, value))
        return false;
    slot = static_cast<int32_t>(value);
    return true;
}

bool parseNumeral(const std::string& text, RenderOptions& options)
{
    if (auto position = numeralPresetPosition(text); position && isPresetPosition(*position)) {
        options.numeralPosition = *position;
        options.numeral.reset();
        return true;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || *end != '\0' || !(value >= kMinimumNumeral && value <= kMaximumNumeral))
        return false;
    options.numeral = value;
    options.numeralPosition.reset();
    return true;
}

// " from 32 to 192": a range as the tool's errors say it (whole numbers without decimals).
std::string fromTo(double minimum, double maximum)
{
    char text[64];
    std::snprintf(text, sizeof text, " from %g to %g", minimum, maximum);
    return text;
}

bool parseModulation(const std::string& text, RenderOptions& options)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, ',');)
        parts.push_back(part);
    if (parts.size() != 4)
        return false;
    int64_t layer = 0, note = 0, velocity = 0;
    // The shifts are checked against the tables in use once the settings are built.
    if (!parseInteger(parts[0], kMinimumLayers + 1, kLayerCount, layer) || !parseInteger(parts[2], INT32_MIN, INT32_MAX, note) ||
        !parseInteger(parts[3], INT32_MIN, INT32_MAX, velocity))
        return false;
    int32_t tone = 0;
    if (parts[1] == "alpha")
        tone = 0;
    else if (parts[1] == "beta")
        tone = 1;
    else
        return false;
    options.modulation = ModulationOption{static_cast<int32_t>(layer - 1), tone, static_cast<int32_t>(note),
                                          static_cast<int32_t>(velocity)};
    return true;
}

std::vector<std::string> commaSeparated(const std::string& text)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, ',');)
        parts.push_back(part);
    if (!text.empty() && text.back() == ',')
        parts.push_back("");  // a trailing comma leaves an empty, refused, item
    return parts;
}

// "3,5": layers 3 and 5 as shown (1..8), each at most once.
bool parseMutes(const std::string& text, RenderOptions& options)
{
    uint32_t muted = 0;
    for (const std::string& part : commaSeparated(text)) {
        int64_t layer = 0;
        if (!parseInteger(part, kMinimumLayers, kLayerCount, layer) || (muted >> (layer - 1)) & 1u)
            return false;
        muted |= 1u << (layer - 1);
    }
    options.mutedLayers = muted;
    return muted != 0;
}

// One to eight counters, layer 1 first, each 0..2^32-1.
bool parseCounters(const std::string& text, RenderOptions& options)
{
    const std::vector<std::string> parts = commaSeparated(text);
    if (parts.empty() || parts.size() > options.fromCounters.size())
        return false;
    LayerCounters counters{};
    for (size_t i = 0; i < parts.size(); ++i) {
        int64_t value = 0;
        if (parts[i].empty() || parts[i][0] == '-' || parts[i][0] == '+' ||
            !parseInteger(parts[i], 0, UINT32_MAX, value))
            return false;
        counters[i] = static_cast<uint32_t>(value);
    }
    options.fromCounters = counters;
    return true;
}

}  // namespace

bool parseRenderOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error)
{
    bool haveOutput = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "-h" || name == "--help" || name == "--version") {
            error = name == "--version" ? "version" : "help";
            return false;
        }
        // Every other option takes a value; which one is missing is said once the name is known.
        const bool hasValue = i + 1 < args.size();
        const std::string value = hasValue ? args[++i] : std::string();
        bool ok = true;
        std::string expected;
        if (name == "--settings") {
            options.settingsFile = value;
        } else if (name == "--voices") {
            options.voicesFile = value;
        } else if (name == "--numeral") {
            ok = parseNumeral(value, options);
            expected = "a number" + fromTo(kMinimumNumeral, kMaximumNumeral) +
                       " or a preset label such as PI or (1+Sqrt(5))/2";
        } else if (name == "--tempo") {
            ok = parseInt32(value, kMinimumTempo, kMaximumTempo, options.tempo);
            expected = "an integer" + fromTo(kMinimumTempo, kMaximumTempo);
        } else if (name == "--layers") {
            ok = parseInt32(value, kMinimumLayers, kLayerCount, options.layers);
            expected = "an integer" + fromTo(kMinimumLayers, kLayerCount);
        } else if (name == "--alpha") {
            ok = parseInt32(value, kMinimumDuration, kMaximumDuration, options.alphaDuration);
            expected = "milliseconds" + fromTo(kMinimumDuration, kMaximumDuration);
        } else if (name == "--beta") {
            ok = parseInt32(value, kMinimumDuration, kMaximumDuration, options.betaDuration);
            expected = "milliseconds" + fromTo(kMinimumDuration, kMaximumDuration);
        } else if (name == "--note-offset") {
            ok = parseInt32(value, INT32_MIN, INT32_MAX, options.noteOffset);  // bounds: checkRenderSettings
            expected = "an integer";
        } else if (name == "--velocity-offset") {
            ok = parseInt32(value, INT32_MIN, INT32_MAX, options.velocityOffset);
            expected = "an integer";
        } else if (name == "--modulation") {
            ok = parseModulation(value, options);
            expected = "LAYER,TONE,NOTE,VELOCITY with LAYER 2..8 (as the dialogs offer), TONE alpha or beta, two integer shifts";
        } else if (name == "--mute") {
            ok = parseMutes(value, options);
            expected = "layers" + fromTo(kMinimumLayers, kLayerCount) + " separated by commas, such as 3,5";
        } else if (name == "--from-counters") {
            ok = parseCounters(value, options);
            expected = "one to eight counters from 0 to 4294967295 separated by commas, layer 1 first";
        } else if (name == "--passes") {
            int64_t passes = 0;
            ok = parseInteger(value, 0, 1000000, passes);
            if (ok)
                options.passes = passes;
            expected = "a whole number of passes from 0 to 1000000";
        } else if (name == "--stop-at") {
            int64_t at = 0;
            ok = parseInteger(value, 0, 1000LL * 3600 * 24 * 7, at);
            if (ok)
                options.stopAtMs = at;
            expected = "milliseconds from 0 to one week";
        } else if (name == "-o" || name == "--output") {
            options.output = value;
            haveOutput = !value.empty();
            ok = haveOutput;
            expected = "a file name or -";
        } else {
            error = name + (name.rfind("-", 0) == 0 ? ": unknown option" : ": unexpected argument");
            return false;
        }
        if (!hasValue) {
            error = name + ": missing value";
            return false;
        }
        if (!ok) {
            error = name + ": '" + value + "' is not " + expected;
            return false;
        }
    }
    if (options.passes && options.stopAtMs) {
        error = "--stop-at: cannot be combined with --passes";
        return false;
    }
    if (!options.passes && !options.stopAtMs) {
        error = "--passes: one of --passes N or --stop-at MS is required";
        return false;
    }
    if (!haveOutput) {
        error = "-o: an output (-, FILE.txt, FILE.mid or FILE.wav) is required";
        return false;
    }
    return true;
}
