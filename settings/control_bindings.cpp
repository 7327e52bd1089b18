#include "settings/control_bindings.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "settings/atomic_file.h"

namespace {

constexpr const char* kHeader = "pulseLattice controls 1";
// 24 lines of at most ~30 characters: a larger file is not one of ours.
constexpr size_t kMaxFileBytes = 4096;

constexpr const char* kFixedKeys[] = {"play", "stop", "rewind", "link", "send-clock", "follow-clock"};
constexpr const char* kFixedLabels[] = {"Play", "Stop", "Rewind", "Link", "Send MIDI clock", "Follow MIDI clock"};
constexpr const char* kMuteKeys[] = {"mute-1", "mute-2", "mute-3", "mute-4", "mute-5", "mute-6", "mute-7", "mute-8"};
constexpr const char* kSoloKeys[] = {"solo-1", "solo-2", "solo-3", "solo-4", "solo-5", "solo-6", "solo-7", "solo-8"};
constexpr const char* kKindWords[] = {"note", "cc", "program"};

int actionOfKey(const std::string& key)
{
    for (int action = 0; action < kControlActionCount; ++action)
        if (key == controlActionKey(action))
            return action;
    return -1;
}

}  // namespace

const char* controlActionKey(int action)
{
    if (action >= 0 && action < ControlAction::FirstMute)
        return kFixedKeys[action];
    if (action >= ControlAction::FirstMute && action < ControlAction::FirstSolo)
        return kMuteKeys[action - ControlAction::FirstMute];
    if (action >= ControlAction::FirstSolo && action < ControlAction::ClearMutes)
        return kSoloKeys[action - ControlAction::FirstSolo];
    if (action == ControlAction::ClearMutes)
        return "clear-mutes";
    if (action == ControlAction::TapTempo)
        return "tap-tempo";
    return nullptr;
}

std::string controlActionLabel(int action)
{
    if (action >= 0 && action < ControlAction::FirstMute)
        return kFixedLabels[action];
    if (action >= ControlAction::FirstMute && action < ControlAction::FirstSolo)
        return "mute layer " + std::to_string(action - ControlAction::FirstMute + 1);
    if (action >= ControlAction::FirstSolo && action < ControlAction::ClearMutes)
        return "solo layer " + std::to_string(action - ControlAction::FirstSolo + 1);
    if (action == ControlAction::ClearMutes)
        return "clear mutes";
    if (action == ControlAction::TapTempo)
        return "tap tempo";
    return {};
}

std::string describeControlSource(const ControlSource& source)
{
    static constexpr const char* kShown[] = {"note", "CC", "program"};
    return std::string(kShown[source.kind]) + " " + std::to_string(source.number) + ", channel " +
           std::to_string(source.channel + 1);
}

void bindControl(ControlBindings& bindings, int action, const ControlSource& source)
{
    std::erase_if(bindings, [&](const ControlBinding& b) { return b.action == action || b.source == source; });
    bindings.push_back({action, source});
}

void forgetControl(ControlBindings& bindings, int action)
{
    std::erase_if(bindings, [&](const ControlBinding& b) { return b.action == action; });
}

const ControlBinding* bindingOfAction(const ControlBindings& bindings, int action)
{
    const auto found = std::find_if(bindings.begin(), bindings.end(), [&](const auto& b) { return b.action == action; });
    return found == bindings.end() ? nullptr : &*found;
}

const ControlBinding* bindingOfSource(const ControlBindings& bindings, const ControlSource& source)
{
    const auto found = std::find_if(bindings.begin(), bindings.end(), [&](const auto& b) { return b.source == source; });
    return found == bindings.end() ? nullptr : &*found;
}

std::string controlBindingsPath(const std::string& parameterFilePath)
{
    const size_t slash = parameterFilePath.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : parameterFilePath.substr(0, slash + 1);
    return directory + "pulseLattice.controls";
}

ControlBindings loadControlBindings(const std::string& path)
{
    std::vector<uint8_t> bytes(kMaxFileBytes);
    const int64_t count = readFilePrefix(path, bytes);
    if (count <= 0 || static_cast<size_t>(count) == kMaxFileBytes)
        return {};
    std::istringstream lines(std::string(bytes.begin(), bytes.begin() + count));
    std::string line;
    if (!std::getline(lines, line) || line != kHeader)
        return {};
    ControlBindings bindings;
    // "<action> note|cc|program <channel 1..16> <number 0..127>", one binding a line.
    while (std::getline(lines, line)) {
        char key[24], kind[12];
        int channel = 0, number = 0, used = 0;
        if (std::sscanf(line.c_str(), "%23s %11s %d %d%n", key, kind, &channel, &number, &used) != 4 ||
            static_cast<size_t>(used) != line.size())
            return {};
        const int action = actionOfKey(key);
        const auto* word = std::find_if(std::begin(kKindWords), std::end(kKindWords),
                                        [&](const char* w) { return std::string(w) == kind; });
        if (action < 0 || word == std::end(kKindWords) || channel < 1 || channel > 16 || number < 0 || number > 127)
            return {};
        const ControlSource source{static_cast<ControlSource::Kind>(word - std::begin(kKindWords)),
                                   static_cast<uint8_t>(channel - 1), static_cast<uint8_t>(number)};
        if (bindingOfAction(bindings, action) || bindingOfSource(bindings, source))
            return {};
        bindings.push_back({action, source});
    }
    return bindings;
}

bool saveControlBindings(const std::string& path, const ControlBindings& bindings)
{
    std::string text = std::string(kHeader) + "\n";
    for (const ControlBinding& binding : bindings) {
        const char* key = controlActionKey(binding.action);
        if (!key)
            continue;
        text += std::string(key) + " " + kKindWords[binding.source.kind] + " " +
                std::to_string(binding.source.channel + 1) + " " + std::to_string(binding.source.number) + "\n";
    }
    return writeFileAtomically(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}
