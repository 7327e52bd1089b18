#include "app/output/render_output.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <span>

#include "app/output/message_list.h"
#include "app/output/midi_file_writer.h"
#include "app/output/output_target.h"
#include "engine/generator.h"
#include "engine/midi_port.h"
#include "settings/atomic_file.h"
#include "settings/rhythm_units.h"

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
constexpr int32_t kTextRunEnd = 950;   // message list: the run, written as it is played; the flush
constexpr int32_t kMidiRunEnd = 800;   // MIDI file: the run, built as it is played; then written
constexpr int32_t kWavRunEnd = 100;    // audio: the run, then the synthesiser (most of the work)

// Pieces of the text and of the MIDI file between two reads of the cancel flag: a few ms each.
constexpr size_t kLinesPerPiece = 65536;
constexpr size_t kBytesPerPiece = 4 << 20;

std::span<const uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The message list for standard output, piece by piece.
RenderOutcome writeMessageListToStandardOutput(const std::vector<TimedMessage>& messages, WorkProgress* progress)
{
    for (size_t first = 0; first < messages.size(); first += kLinesPerPiece) {
        if (isCancelled(progress))
            return cancelled();
        const size_t count = std::min(kLinesPerPiece, messages.size() - first);
        if (!writeAll(STDOUT_FILENO, bytesOf(formatMessageList({messages.data() + first, count}))))
            return failure(RenderStatus::CannotWrite, "cannot write to standard output");
    }
    return {};
}

// The message list written into the temporary file as the run is played.
class TextFileSink : public RenderSink {
public:
    TextFileSink(StagedFile& file, WorkProgress* progress) : file_(file), progress_(progress) {}
    bool take(std::span<const TimedMessage> messages) override
    {
        if (isCancelled(progress_))
            return false;
        failed = !file_.append(bytesOf(formatMessageList(messages)));
        return !failed;
    }
    bool failed = false;

private:
    StagedFile& file_;
    WorkProgress* progress_;
};

// The MIDI file built as the run is played.
class MidiFileSink : public RenderSink {
public:
    MidiFileSink(MidiFileBuilder& builder, WorkProgress* progress) : builder_(builder), progress_(progress) {}
    bool take(std::span<const TimedMessage> messages) override
    {
        if (isCancelled(progress_))
            return false;
        builder_.add(messages);
        return true;
    }

private:
    MidiFileBuilder& builder_;
    WorkProgress* progress_;
};

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

// The run's end when it went into a sink: cancelled, refused by a failed write, or not renderable.
RenderOutcome runFailure(const std::string& path, const std::string& error, bool writeFailed, WorkProgress* progress)
{
    if (isCancelled(progress))
        return cancelled();
    if (writeFailed)
        return failure(RenderStatus::CannotWrite, "cannot write '" + path + "'");
    return failure(RenderStatus::CannotRender, error);
}

// A staged file finished: cancelled at the last moment, or committed over the target.
RenderOutcome commitStaged(StagedFile& file, const std::string& path, WorkProgress* progress)
{
    if (isCancelled(progress))
        return cancelled();
    if (!file.commit())
        return failure(RenderStatus::CannotWrite, "cannot write '" + path + "'");
    reportProgress(progress, 1, 1, 0, 1000);
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

// The renderer writes a file of its own under a temporary name, which then replaces the target.
RenderOutcome writeWav(const std::vector<TimedMessage>& messages, const std::string& path, const std::string& target,
                       WavRenderer wavRenderer, WorkProgress* progress)
{
    const std::string temporary = temporaryPathFor(target, ".wav");
    std::string error;
    const int status = wavRenderer(messages, temporary, error, progress, kWavRunEnd);
    if (status != RenderStatus::Written || isCancelled(progress)) {
        std::remove(temporary.c_str());
        // Written but cancelled at the last moment counts as cancelled: nothing is left behind.
        if (status == RenderStatus::Cancelled || status == RenderStatus::Written)
            return cancelled();
        if (status == RenderStatus::CannotWrite)
            return failure(status, "cannot write '" + path + "'");
        return failure(RenderStatus::CannotRender, error);
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
                           WavRenderer wavRenderer, WorkProgress* progress, const RenderScope& scope)
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

    // A file is written as the run is played; standard output gets nothing unless the run succeeds.
    if (*format == RenderFormat::MessageList && path != "-") {
        StagedFile file(target);
        if (!file.open())
            return failure(RenderStatus::CannotWrite, "cannot write '" + path + "'");
        TextFileSink sink(file, progress);
        if (!renderRun(settings, length, sink, error, progress, kTextRunEnd, scope))
            return runFailure(path, error, sink.failed, progress);
        return commitStaged(file, path, progress);
    }
    if (*format == RenderFormat::MidiFile) {
        // A beat is the lowest layer's alpha event, in ms as the player plays it.
        MidiFileBuilder builder(topLayerForPass(settings.layerIndex) + 1,
                                scaledDurationMs(settings.tempo, settings.alphaDuration));
        MidiFileSink sink(builder, progress);
        if (!renderRun(settings, length, sink, error, progress, kMidiRunEnd, scope))
            return runFailure(path, error, false, progress);
        RenderOutcome outcome;
        outcome.leftOut = builder.leftOut();
        const std::string bytes = builder.finish();
        StagedFile file(target);
        if (!file.open())
            return failure(RenderStatus::CannotWrite, "cannot write '" + path + "'");
        RenderOutcome written = writePieces(bytes, path, file, progress, kMidiRunEnd);
        if (written.status != RenderStatus::Written)
            return written;
        written = commitStaged(file, path, progress);
        written.leftOut = outcome.leftOut;
        return written;
    }

    std::vector<TimedMessage> messages;
    const int32_t runEnd = *format == RenderFormat::MessageList ? 1000 : kWavRunEnd;
    if (!renderRun(settings, length, messages, error, progress, runEnd, scope))
        return failure(isCancelled(progress) ? RenderStatus::Cancelled : RenderStatus::CannotRender, error);
    if (*format == RenderFormat::MessageList)
        return writeMessageListToStandardOutput(messages, progress);

    // Only valid MIDI goes into audio.
    const std::optional<size_t> leftOut = leaveOutInvalidMidi(messages, progress);
    if (!leftOut)
        return cancelled();
    RenderOutcome outcome = writeWav(messages, path, target, wavRenderer, progress);
    outcome.leftOut = *leftOut;
    return outcome;
}
