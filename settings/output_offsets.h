// The output offsets: per output, by the name the device list shows ("JACK: synth:midi_in",
// "MIDI_MAPPER"), how many milliseconds earlier its messages go out, for what reports no latency
// of its own (hardware on ALSA, a synthesiser's own delay). Kept in a small text file of its own
// beside the parameter file ("pulseLattice.offsets"), one line per output: "<ms> <name>".
#pragma once

#include <cstdint>
#include <map>
#include <string>

inline constexpr int32_t kMinOutputOffsetMs = -50;
inline constexpr int32_t kMaxOutputOffsetMs = 200;

struct OutputOffsets {
    std::map<std::string, int32_t> ms;  // outputs without an entry have offset 0

    int32_t offsetFor(const std::string& name) const;
    // 0 removes the entry, so the file holds only outputs that have an offset. A name that is not
    // one line of 1 to 255 printable characters is left out.
    void set(const std::string& name, int32_t offsetMs);
    bool operator==(const OutputOffsets&) const = default;
};

// The file beside `parameterFilePath`.
std::string outputOffsetsPath(const std::string& parameterFilePath);

// No offsets when the file is missing or damaged (a line that is not "<ms> <name>" with ms in
// -50..200 and a name of printable characters, more than 256 lines, or larger than 64 KiB).
OutputOffsets loadOutputOffsets(const std::string& path);

// Written atomically; no offsets removes the file. False (the old file kept) when that fails.
bool saveOutputOffsets(const std::string& path, const OutputOffsets& offsets);
