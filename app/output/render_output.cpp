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

bool writeToStandardOutput(const std::string& bytes)
{
    return writeAll(STDOUT_FILENO, {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

bool writeBytes(const std::string& target, const std::string& bytes)
{
    return writeFileAtomically(target, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

// The lowest layer's alpha event in ms, as the player computes it (tempo x duration / 96).
int32_t alphaEventMs(const SettingsRecord& settings)
{
    return static_cast<int32_t>(static_cast<int64_t>(settings.tempo) * settings.alphaDuration / 96);
}

// The renderer writes a file of its own under a temporary name, which then replaces the target.
RenderOutcome writeWav(const std::vector<TimedMessage>& messages, const std::string& path, const std::string& target,
                       WavRenderer wavRenderer, const std::atomic<bool>* cancel)
{
    const std::string temporary = temporaryPathFor(target, ".wav");
    std::string error;
    const int status = wavRenderer(messages, temporary, error);
    if (status != 0) {
        std::remove(temporary.c_str());
        if (status == 1)
            error = "cannot write '" + path + "'";
        return failure(status == 1 ? RenderStatus::CannotWrite : RenderStatus::CannotRender, error);
    }
    if (cancel && cancel->load()) {
        std::remove(temporary.c_str());
        return failure(RenderStatus::Cancelled, "cancelled");
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
                           WavRenderer wavRenderer, const std::atomic<bool>* cancel, const RenderScope& scope)
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
    const auto cancelled = [cancel] { return cancel && cancel->load(); };
    if (!renderRun(settings, length, messages, error, cancel, scope))
        return failure(cancelled() ? RenderStatus::Cancelled : RenderStatus::CannotRender, error);
    if (cancelled())  // pressed after the last message: still nothing is written
        return failure(RenderStatus::Cancelled, "cancelled");

    RenderOutcome outcome;
    if (*format == RenderFormat::MessageList) {
        const std::string text = formatMessageList(messages);
        if (path == "-") {
            if (!writeToStandardOutput(text))
                return failure(RenderStatus::CannotWrite, "cannot write to standard output");
        } else if (!writeBytes(target, text)) {
            return failure(RenderStatus::CannotWrite, "cannot write '" + path + "'");
        }
        return outcome;
    }

    // Only valid MIDI goes into a file a device or synthesiser plays.
    const size_t before = messages.size();
    std::erase_if(messages, [](const TimedMessage& m) { return !isValidMidiMessage(m.packed); });
    outcome.leftOut = before - messages.size();
    if (*format == RenderFormat::MidiFile) {
        const int32_t layers = std::clamp(settings.layerIndex, 0, 7) + 1;
        if (!writeBytes(target, buildMidiFile(messages, layers, alphaEventMs(settings))))
            return failure(RenderStatus::CannotWrite, "cannot write '" + path + "'");
        return outcome;
    }
    RenderOutcome wav = writeWav(messages, path, target, wavRenderer, cancel);
    wav.leftOut = outcome.leftOut;
    return wav;
}
