// The MIDI output port: packing of short messages, open/close/send with their error texts, the
// program-change and note-off sweeps, and device changes.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/clock.h"
#include "engine/error_reporter.h"
#include "engine/port_backend.h"

struct PlayerState;
struct SettingsRecord;

// The port of PlayerState. The mutex serialises every backend call, so the two threads never send
// at once and no message goes to a port that is being closed or replaced.
struct MidiPort {
    PortBackend* backend = nullptr;
    ErrorReporter* reporter = nullptr;
    std::mutex lock;
    // Counts the error boxes that have been closed; the playback thread's pacing starts afresh
    // after one, because it was blocked while the box was open.
    std::atomic<uint32_t> errorsShown{0};
    // The playback thread's clock: messages sent without a time carry its "now". Under `lock`,
    // the last time handed to the backend, so times never go backwards on the port.
    // A failing port is reported once: later failed sends are only counted, until the port is
    // opened again (a device change, or reopening the same device).
    std::atomic<bool> sendFailureShown{false};
    std::atomic<uint32_t> failedSends{0};
    bool isOpen = false;  // under `lock`: the last open succeeded and no close followed
    Clock* clock = nullptr;
    MessageTime lastTime = kSendAtOnce;
};

// Each input is cut to its low 8 bits; bits 24-31 are zero.
uint32_t packShortMessage(int32_t status, int32_t data1, int32_t data2);

// True when a packed message may go to a real output: a status byte and data bytes of 0..127
// (a program change or channel pressure carries one data byte). A data byte above 127 would read
// as a status byte on the wire, so real outputs leave such a message out.
bool isValidMidiMessage(uint32_t packedMessage);

const char* openErrorText(int code);
const char* closeErrorText(int code);
const char* sendErrorText(int code);

// 0 on success; otherwise the table's text is shown and 1 returned. A failed send shows its box
// only for the port's first failure; later ones return 1 silently and are counted.
int openPort(PlayerState& player);
int closePort(PlayerState& player);
// `at`: when the message is meant to sound (the generator's event time); kSendAtOnce for "now".
int sendShortMessage(PlayerState& player, int32_t status, int32_t data1, int32_t data2,
                     MessageTime at = kSendAtOnce);

// Channels 0 to 15 in order: program change to effectiveTones[c], data 2 zero.
void sendProgramChanges(PlayerState& player);
// Channels 0 to 15 in order: note-off for effectiveNotes[c], velocity 64; a modulated voice's
// note carries its note shift, as its note-ons did (see noteOffShift).
void sendNoteOffSweep(PlayerState& player);
// Close, switch deviceId, open - when working.midiDeviceId differs from deviceId, and also when
// it is the same device but that port has failed since it was opened (the user chose it again to
// get sound back).
void changeDevice(PlayerState& player, const SettingsRecord& working);

// Whether the last open succeeded and no close followed. Any thread.
bool portIsOpen(PlayerState& player);

// Opens deviceId without showing anything: the result code, and in `reason` what the backend
// says about a failure.
int tryOpenPort(PlayerState& player, std::string& reason);

// When the port has failed since it was opened (its server died, the audio output was lost),
// closes it quietly and opens the same device again; a failed open shows its box. Returns 0 when
// nothing was to be done or the port opened again, else 1.
int reopenFailedPort(PlayerState& player);
