// Command ids shared by the menu, the buttons and the accelerator table of the main window.
#pragma once

namespace Command {
inline constexpr int ExitButton = 2;
inline constexpr int Exit = 301;            // File menu, asks for confirmation
inline constexpr int Export = 302;          // File menu: the rhythm as a file
inline constexpr int About = 304;
inline constexpr int DurationsAndOffsets = 311;
inline constexpr int Concept = 312;
inline constexpr int Play = 313;
inline constexpr int Stop = 314;
inline constexpr int Tone = 315;
inline constexpr int Note = 316;
inline constexpr int Velocity = 317;
inline constexpr int Save = 318;
inline constexpr int Restore = 319;
inline constexpr int Lattice = 320;         // the lattice view; enabled in every state
inline constexpr int Link = 321;            // follow a Link session; checkable, enabled in every state
inline constexpr int MidiClock = 322;       // send MIDI clock; checkable, enabled in every state
inline constexpr int Rewind = 326;          // Sound menu: every layer's counter back to 0; not while playing
inline constexpr int OutputOffset = 327;    // Sound menu: the output offset dialog; enabled in every state
inline constexpr int Controls = 328;        // Sound menu: the controls dialog (MIDI learn)
inline constexpr int FollowMidiClock = 329;   // Sound menu: follow an external MIDI clock; checkable
inline constexpr int TapTempo = 330;          // tap tempo: an action for controllers and the lattice window's Tap key
}  // namespace Command

// Dialog template ids.
namespace Template {
inline constexpr int MainWindow = 100;
inline constexpr int About = 106;
inline constexpr int ConfirmExit = 107;
inline constexpr int ExportLength = 120;
inline constexpr int OutputOffset = 121;
inline constexpr int Controls = 122;        // MIDI learn: actions and the controls bound to them
inline constexpr int DurationsAndOffsets = 1000;
inline constexpr int Concept = 2000;
inline constexpr int Tones = 3000;
inline constexpr int Notes = 4000;
inline constexpr int Velocities = 5000;
}  // namespace Template

inline constexpr int kMenuId = 101;
inline constexpr int kAcceleratorTableId = 102;
