// The one render-and-write path of the render tool and the program's Export: plays a run from a
// settings record and writes it, atomically, as a message list, a MIDI file or WAV audio.
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/work_progress.h"
#include "engine/recording_backend.h"
#include "engine/render_run.h"
#include "settings/settings_record.h"

enum class RenderFormat { MessageList, MidiFile, WavAudio };

// By the ending of `path`: "-" and ".txt" a message list, ".mid" a MIDI file, ".wav" audio.
std::optional<RenderFormat> renderFormatFor(const std::string& path);

namespace RenderStatus {
inline constexpr int Written = 0;
inline constexpr int CannotWrite = 1;   // the target is refused or a write failed; the old file stays
inline constexpr int CannotRender = 2;  // too long, no soundfont, no .wav in this build, bad ending
inline constexpr int Cancelled = 3;     // nothing was written
}  // namespace RenderStatus

// Renders `messages` (valid MIDI only) into a new file at `path` (a temporary name of ours) and
// gives a RenderStatus (Cancelled: nothing left behind); `error` one line. It reads `progress`'s
// cancel flag (may be null) after every few milliseconds of rendering and reports from
// `progressFrom` up to 1000 permille. The program and the tool pass the synthesiser's offline
// renderer; a build without it passes null.
using WavRenderer = int (*)(const std::vector<TimedMessage>& messages, const std::string& path, std::string& error,
                            WorkProgress* progress, int32_t progressFrom);

struct RenderOutcome {
    int status = RenderStatus::Written;
    std::string error;    // one line, when status is not Written
    size_t leftOut = 0;   // messages with a data value outside 0..127 left out of a .mid or .wav
};

// Plays the run as renderRun does (from `scope`) and writes it to `path` ("-" is standard output). A message
// list holds every message as the generator sent it; a MIDI file and WAV audio leave out those a
// MIDI device cannot take. A file is written through a temporary file in its directory and
// renamed over the old one; a symbolic link is written through, and stays a link.
// `progress` (may be null) is shared with another thread: every step (the run, the text, the MIDI
// file, the audio, the writing) reads its cancel flag after at most a few milliseconds of work,
// and then ends with Cancelled: no temporary file is left and the target is untouched. How far the
// whole job is goes into its permille.
RenderOutcome renderToFile(const SettingsRecord& settings, const RenderLength& length, const std::string& path,
                           WavRenderer wavRenderer, WorkProgress* progress = nullptr, const RenderScope& scope = {});
