// What is done with the MIDI output port of PlayerState: packing of short messages,
// open/close/send with their error texts, the program-change and note-off sweeps, device changes.
#pragma once

#include <cstdint>
#include <string>

#include "engine/player_state.h"
#include "settings/output_offsets.h"

struct SettingsRecord;

// Each input is cut to its low 8 bits; bits 24-31 are zero.
uint32_t packShortMessage(int32_t status, int32_t data1, int32_t data2);

// True when a packed message may go to a real output: a status byte and data bytes of 0..127
// (a program change or channel pressure carries one data byte), from values that were within
// 0..127 before packing (no kDataOutOfRange). A data byte above 127 would read as a status byte
// on the wire, and a note of 300 is no note 44, so real outputs leave such a message out.
bool isValidMidiMessage(uint32_t packedMessage);

// How many bytes of a packed message go on the wire: 1 for a system real-time message (the MIDI
// clock's tick, Start, Stop), 2 for a program change or channel pressure, else 3.
int shortMessageLength(uint32_t packedMessage);

const char* openErrorText(int code);
const char* closeErrorText(int code);
const char* sendErrorText(int code);

// 0 on success; otherwise the table's text is shown and 1 returned. A failed send shows its box
// only for the port's first failure; later ones return 1 silently and are counted.
int openPort(PlayerState& player);
int closePort(PlayerState& player);
// `at`: when the message is meant to sound (the generator's event time); kSendAtOnce for "now".
// The backend gets the packed message, with kDataOutOfRange when a data value it carries (both
// for a note-on or note-off, the first for a program change) was outside 0..127.
int sendShortMessage(PlayerState& player, int32_t status, int32_t data1, int32_t data2,
                     MessageTime at = kSendAtOnce);

// Channels 0 to 15 in order: program change to effectiveTones[c], data 2 zero.
void sendProgramChanges(PlayerState& player);
// Channels 0 to 15 in order: a note-off, velocity 64, for the note sounding on the channel, else
// for effectiveNotes[c], a modulated voice's with its note shift (see takeNoteOffNote).
void sendNoteOffSweep(PlayerState& player);
// Close, switch deviceId, open - when working.midiDeviceId differs from deviceId, and also when
// it is the same device but that port has failed since it was opened (the user chose it again to
// get sound back).
void changeDevice(PlayerState& player, const SettingsRecord& working);

// Whether the last open succeeded and no close followed. Any thread.
bool portIsOpen(PlayerState& player);

// How long after its intended time a message sounds: the output's placement latency (which
// includes what its receivers report) plus the output offset; the pacer sends this much early.
// Zero when nothing is open and no offset is set. Any thread, lock-free: never waits.
MessageTime portLatency(PlayerState& player);
// The parts of it the user is shown: what the receivers report (JACK's playback latency), and
// the open output's offset. Any thread, lock-free.
MessageTime portReportedLatency(PlayerState& player);
MessageTime portOutputOffset(const PlayerState& player);

// The shown name the device list gives device -1, the built-in synthesiser.
inline constexpr const char* kMapperName = "MIDI_MAPPER";

// Every output's offset by its shown name; the open output takes its own at once, and every
// later open takes that of the port it opens. UI thread.
void setOutputOffsets(PlayerState& player, const OutputOffsets& offsets);
// The open output's shown name; empty while none is open. UI thread.
std::string openOutputName(PlayerState& player);

// Opens deviceId without showing anything: the result code, and in `reason` what the backend
// says about a failure.
int tryOpenPort(PlayerState& player, std::string& reason);

// When the port has failed since it was opened (its server died, the audio output was lost),
// closes it quietly and opens the same device again; a failed open shows its box. Returns 0 when
// nothing was to be done or the port opened again, else 1.
int reopenFailedPort(PlayerState& player);
