// Controller bindings (MIDI learn): which note, control change or program change runs which
// action, and their side file beside the parameter file ("pulseLattice.controls").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The actions a control can be bound to, by number: 0..kControlActionCount-1.
namespace ControlAction {
inline constexpr int Play = 0;
inline constexpr int Stop = 1;
inline constexpr int Rewind = 2;
inline constexpr int Link = 3;
inline constexpr int SendClock = 4;
inline constexpr int FollowClock = 5;
inline constexpr int FirstMute = 6;   // mute layer 1 .. 8: FirstMute + 0 .. 7
inline constexpr int FirstSolo = 14;  // solo layer 1 .. 8: FirstSolo + 0 .. 7
inline constexpr int ClearMutes = 22;
inline constexpr int TapTempo = 23;
}  // namespace ControlAction
inline constexpr int kControlActionCount = 24;

// The action's name in the file ("mute-3"); nullptr outside 0..kControlActionCount-1.
const char* controlActionKey(int action);
// As the dialog lists it ("mute layer 3"); empty outside the range.
std::string controlActionLabel(int action);

// A control on a controller: a note, a control change or a program change on one channel.
struct ControlSource {
    enum Kind : uint8_t { Note, ControlChange, ProgramChange };
    Kind kind = Note;
    uint8_t channel = 0;  // 0..15 (shown as 1..16)
    uint8_t number = 0;   // the note, controller or program, 0..127

    bool operator==(const ControlSource&) const = default;
};

// "note 36, channel 10", "CC 20, channel 1", "program 5, channel 1".
std::string describeControlSource(const ControlSource& source);

struct ControlBinding {
    int action = 0;
    ControlSource source;

    bool operator==(const ControlBinding&) const = default;
};

// At most one source per action and one action per source.
using ControlBindings = std::vector<ControlBinding>;

// Binds `source` to `action`: what either was bound to before is forgotten.
void bindControl(ControlBindings& bindings, int action, const ControlSource& source);
void forgetControl(ControlBindings& bindings, int action);
// The binding of an action, or of a source; nullptr when there is none.
const ControlBinding* bindingOfAction(const ControlBindings& bindings, int action);
const ControlBinding* bindingOfSource(const ControlBindings& bindings, const ControlSource& source);

// The file beside `parameterFilePath`.
std::string controlBindingsPath(const std::string& parameterFilePath);

// None when the file is missing or damaged (any line that does not read, an action or a control
// named twice).
ControlBindings loadControlBindings(const std::string& path);

// Written atomically; false (the old file kept) when that fails.
bool saveControlBindings(const std::string& path, const ControlBindings& bindings);
