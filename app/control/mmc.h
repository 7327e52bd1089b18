// MIDI Machine Control: the transport commands in a universal real-time SysEx,
// F0 7F <device> 06 <command> ... F7.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The program's commands (Command::Play, Stop, Rewind) for the MMC commands in `message`, in
// their order: Stop 01, Play 02, Deferred Play 03 (as Play: there is no locate to wait for) and
// Rewind 05. Other MMC commands are passed over. Every device id is answered, 7F (all-call)
// included: the program has no device id of its own to be told apart by. Empty for anything
// that is not a whole, well-formed MMC command message.
std::vector<int> mmcCommandIds(const uint8_t* message, size_t size);
