#include "app/control/control_desk.h"

#include <algorithm>

#include "app/commands.h"
#include "app/control/mmc.h"
#include "app/lattice/layer_mutes.h"
#include "common/diagnostics.h"
#include "resources/command_ids.h"

namespace {

constexpr uint8_t kNoteOff = 0x80, kNoteOn = 0x90, kControlChange = 0xB0, kProgramChange = 0xC0;
constexpr uint8_t kPressThreshold = 64;

// The command an action runs, 0 for the mutes and solos.
int commandOf(int action)
{
    switch (action) {
    case ControlAction::Play: return Command::Play;
    case ControlAction::Stop: return Command::Stop;
    case ControlAction::Rewind: return Command::Rewind;
    case ControlAction::Link: return Command::Link;
    case ControlAction::SendClock: return Command::MidiClock;
    case ControlAction::FollowClock: return Command::FollowMidiClock;
    case ControlAction::TapTempo: return Command::TapTempo;
    default: return 0;
    }
}

}  // namespace

void ControlDesk::restoreBindings()
{
    bindings_ = loadControlBindings(controlBindingsPath(app_.parameterFile.path));
    sentAny_ = false;
}

void ControlDesk::setBindings(const ControlBindings& bindings)
{
    bindings_ = bindings;
    heldControls_.clear();
    sentAny_ = false;
    if (app_.parameterFile.path.empty())
        return;
    const std::string path = controlBindingsPath(app_.parameterFile.path);
    if (!saveControlBindings(path, bindings_))
        logDiagnostic("cannot keep the control bindings in '" + path + "'");
}

void ControlDesk::handle(const ControlMessage& message, bool modalOpen)
{
    const uint8_t* bytes = message.bytes.data();
    if (message.size == 0)
        return;
    if (bytes[0] == 0xF0) {
        // A SysEx longer than the slot is no MMC command this program runs.
        if (message.size <= ControlMessage::kMaxBytes && !modalOpen)
            for (const int command : mmcCommandIds(bytes, message.size))
                dispatchCommand(app_, command);
        return;
    }
    const uint8_t type = bytes[0] & 0xF0;
    const uint8_t channel = bytes[0] & 0x0F;
    const bool twoData = type == kNoteOn || type == kNoteOff || type == kControlChange;
    if (message.size < (twoData ? 3u : 2u) || bytes[1] > 0x7F || (twoData && bytes[2] > 0x7F))
        return;
    ControlSource source{ControlSource::Note, channel, bytes[1]};
    bool pressed = false;
    if (type == kNoteOn || type == kNoteOff) {
        pressed = type == kNoteOn && bytes[2] > 0;  // a note-on of velocity 0 is a note-off
    } else if (type == kControlChange) {
        source.kind = ControlSource::ControlChange;
        pressed = bytes[2] >= kPressThreshold;
        // A knob or fader sweeping past 64 sends many values: it presses once, on crossing.
        const auto held = std::find(heldControls_.begin(), heldControls_.end(), source);
        const bool wasHeld = held != heldControls_.end();
        if (pressed && !wasHeld)
            heldControls_.push_back(source);
        else if (!pressed && wasHeld)
            heldControls_.erase(held);
        if (learner_)
            pressed = true;  // any movement of a knob is learned, also below 64
        else if (wasHeld)
            pressed = false;
    } else if (type == kProgramChange) {
        source.kind = ControlSource::ProgramChange;
        pressed = true;
    } else {
        return;
    }
    if (!pressed)
        return;
    if (learner_) {
        const auto learned = std::exchange(learner_, nullptr);
        learned(source);
        return;
    }
    if (const ControlBinding* binding = bindingOfSource(bindings_, source))
        press(binding->action, modalOpen);
}

void ControlDesk::press(int action, bool modalOpen)
{
    if (const int command = commandOf(action)) {
        if (!modalOpen)
            dispatchCommand(app_, command);
        return;
    }
    if (action >= ControlAction::FirstMute && action < ControlAction::FirstSolo)
        setLayerMutes(app_, toggledMute(app_.layerMutes, action - ControlAction::FirstMute));
    else if (action >= ControlAction::FirstSolo && action < ControlAction::ClearMutes)
        setLayerMutes(app_, toggledSolo(app_.layerMutes, action - ControlAction::FirstSolo));
    else if (action == ControlAction::ClearMutes)
        setLayerMutes(app_, LayerMutes{});
}

std::optional<bool> ControlDesk::stateOf(int action) const
{
    if (action >= ControlAction::FirstMute && action < ControlAction::FirstSolo)
        return ((app_.layerMutes.muted >> (action - ControlAction::FirstMute)) & 1u) != 0;
    if (action >= ControlAction::FirstSolo && action < ControlAction::ClearMutes)
        return app_.layerMutes.solo == action - ControlAction::FirstSolo;
    if (action == ControlAction::Link || action == ControlAction::SendClock || action == ControlAction::FollowClock)
        return app_.shell.isMenuItemChecked(commandOf(action));
    return std::nullopt;
}

std::vector<uint32_t> ControlDesk::feedbackChanges()
{
    if (!sentAny_) {
        sentStates_.fill(-1);
        sentAny_ = true;
    }
    std::vector<uint32_t> messages;
    for (const ControlBinding& binding : bindings_) {
        const std::optional<bool> state = stateOf(binding.action);
        const ControlSource& source = binding.source;
        if (!state || source.kind == ControlSource::ProgramChange || sentStates_[binding.action] == *state)
            continue;
        sentStates_[binding.action] = *state ? 1 : 0;
        const uint32_t status = source.kind == ControlSource::ControlChange ? kControlChange | source.channel
                                : *state                                    ? kNoteOn | source.channel
                                                                            : kNoteOff | source.channel;
        messages.push_back(status | uint32_t{source.number} << 8 | uint32_t{*state ? 127u : 0u} << 16);
    }
    return messages;
}
