#include "app/output/render_output.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <span>

#include "app/output/message_list.h"
#include "app/output/midi_file_writer.h"
#include "app/output/output_target.h"
#include "engine/midi_port.h"
#include "settings/atomic_file.h"

namespace {

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

RenderOutcome failure(int status, std::string error)
{
    return {status, std::move(error), 0};
}

RenderOutcome cancelled()
{
    return failure(RenderStatus::Cancelled, "cancelled");
}

// The share of the whole job (permille) at which each step ends.
constexpr int32_t kTextRunEnd = 700;   // message list: the run, then the text written
constexpr int32_t kMidiRunEnd = 600;   // MIDI file: the run, the file built, then written
constexpr int32_t kMidiBuildEnd = 800;
constexpr int32_t kWavRunEnd = 100;    // audio: the run, then the synthesiser (most of the work)

// Pieces of the text and of the MIDI file between two reads of the cancel flag: a few ms each.
constexpr size_t kLinesPerPiece = 65536;
constexpr size_t kBytesPerPiece = 4 << 20;

std::span<const uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The message list, piece by piece to standard output or into `file`.
RenderOutcome writeMessageList(const std::vector<TimedMessage>& messages, const std::string& path, StagedFile* file,
                               WorkProgress* progress)
{
    for (size_t first = 0; first < messages.size() || first == 0; first += kLinesPerPiece) {
        if (isCancelled(progress))
            return cancelled();
        const size_t count = std::min(kLinesPerPiece, messages.size() - first);
        const std::string text = formatMessageList({messages.data() + first, count});
        const bool ok = file ? file->append(bytesOf(text)) : writeAll(STDOUT_FILENO, bytesOf(text));
        if (!ok)
            return failure(RenderStatus::CannotWrite,
                           file ? "cannot write '" + path + "'" : std::string("cannot write to standard output"));
        reportProgress(progress, static_cast<int64_t>(first + count), static_cast<int64_t>(messages.size()),
                       kTextRunEnd, 1000);
        if (messages.empty())
            break;
    }
    return {};
}

// `bytes` into `file` piece by piece, [from, 1000] permille.
RenderOutcome writePieces(const std::string& bytes, const std::string& path, StagedFile& file, WorkProgress* progress,
                          int32_t from)
{
    for (size_t first = 0; first < bytes.size(); first += kBytesPerPiece) {
        if (isCancelled(progress))
            return cancelled();
        const size_t count = std::min(kBytesPerPiece, bytes.size() - first);
        if (!file.append(bytesOf(bytes).subspan(first, count)))
            return failure(RenderStatus::CannotWrite, "cannot write '" + path + "'");
        reportProgress(progress, static_cast<int64_t>(first + count), static_cast<int64_t>(bytes.size()), from, 1000);
    }
    return {};
}

// Leaves out the messages a MIDI device cannot take; their count, or nothing when cancelled.
std::optional<size_t> leaveOutInvalidMidi(std::vector<TimedMessage>& messages, const WorkProgress* progress)
{
    size_t kept = 0;
    for (size_t i = 0; i < messages.size(); ++i) {
        if ((i & 0xFFFFF) == 0 && isCancelled(progress))
            return std::nullopt;
        if (isValidMidiMessage(messages[i].packed))
            messages[kept++] = messages[i];
    }
    const size_t leftOut = messages.size() - kept;
    messages.resize(kept);
    return leftOut;
}

// The lowest layer's alpha event in ms, as the player computes it (tempo x duration / 96).
int32_t alphaEventMs(const SettingsRecord& settings)
{
    return static_cast<int32_t>(static_cast<int64_t>(settings.tempo) * settings.alphaDuration / 96);
}

// The renderer writes a file of its own under a temporary name, which then replaces the target.
RenderOutcome writeWav(const std::vector<TimedMessage>& messages, const std::string& path, const std::string& target,
                       WavRenderer wavRenderer, WorkProgress* progress)
{
    const std::string temporary = temporaryPathFor(target, ".wav");
    std::string error;
    const int status = wavRenderer(messages, temporary, error, progress, kWavRunEnd);
    if (status != 0 || isCancelled(progress)) {
        std::remove(temporary.c_str());
        if (status == 3 || status == 0)
            return cancelled();
        if (status == 1)
            error = "cannot write '" + path + "'";
        return failure(status == 1 ? RenderStatus::CannotWrite : RenderStatus::CannotRender, error);
    }
    if (!commitTemporaryFile(temporary, target))
        return failure(RenderStatus::CannotWrite, "cannot write '" + path + "'");
    return {};
}

}  // namespace

std::optional<RenderFormat> renderFormatFor(const std::string& path)
{
    if (path == "-" || endsWith(path, ".txt"))
        return RenderFormat::MessageList;
    if (endsWith(path, ".mid"))
        return RenderFormat::MidiFile;
    if (endsWith(path, ".wav"))
        return RenderFormat::WavAudio;
    return std::nullopt;
}

RenderOutcome renderToFile(const SettingsRecord& settings, const RenderLength& length, const std::string& path,
                           WavRenderer wavRenderer, WorkProgress* progress)
{
    const std::optional<RenderFormat> format = renderFormatFor(path);
    if (!format)
        return failure(RenderStatus::CannotRender, "'" + path + "' must be -, or end in .txt, .mid or .wav");
    if (*format == RenderFormat::WavAudio && !wavRenderer)
        return failure(RenderStatus::CannotRender, "this build has no synthesiser for .wav");

    // Refused before the run, so a long render is not wasted on a file that cannot be replaced.
    std::string target = path;
    std::string error;
    if (path != "-" && !resolveOutputTarget(path, target, error))
        return failure(RenderStatus::CannotWrite, error);

    std::vector<TimedMessage> messages;
    const int32_t runEnd = *format == RenderFormat::MessageList ? kTextRunEnd
                           : *format == RenderFormat::MidiFile  ? kMidiRunEnd
                                                                : kWavRunEnd;
    if (!renderRun(settings, length, messages, error, progress, runEnd))
        return failure(isCancelled(progress) ? RenderStatus::Cancelled : RenderStatus::CannotRender, error);

    if (*format == RenderFormat::MessageList) {
        if (path == "-")
            return writeMessageList(messages, path, nullptr, progress);
        StagedFile file(target);
        if (!file.open())
            return failure(RenderStatus::CannotWrite, "cannot write '" + path + "'");
        RenderOutcome outcome = writeMessageList(messages, path, &file, progress);
        if (outcome.status != RenderStatus::Written)
            return outcome;
        if (isCancelled(progress))  // pressed after the last piece: still nothing is written
            return cancelled();
        if (!file.commit())
            return failure(RenderStatus::CannotWrite, "cannot write '" + path + "'");
        return outcome;
    }

    // Only valid MIDI goes into a file a device or synthesiser plays.
    const std::optional<size_t> leftOut = leaveOutInvalidMidi(messages, progress);
    if (!leftOut)
        return cancelled();
    RenderOutcome outcome;
    if (*format == RenderFormat::MidiFile) {
        const int32_t layers = std::clamp(settings.layerIndex, 0, 7) + 1;
        const std::string bytes = buildMidiFile(messages, layers, alphaEventMs(settings), progress, kMidiRunEnd,
                                                kMidiBuildEnd);
        StagedFile file(target);
        if (isCancelled(progress))
            return cancelled();
        if (!file.open())
            return failure(RenderStatus::CannotWrite, "cannot write '" + path + "'");
        outcome = writePieces(bytes, path, file, progress, kMidiBuildEnd);
        if (outcome.status == RenderStatus::Written && isCancelled(progress))
            return cancelled();
        if (outcome.status == RenderStatus::Written && !file.commit())
            return failure(RenderStatus::CannotWrite, "cannot write '" + path + "'");
    } else {
        outcome = writeWav(messages, path, target, wavRenderer, progress);
    }
    outcome.leftOut = *leftOut;
    return outcome;
}
