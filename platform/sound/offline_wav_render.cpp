#include "platform/sound/offline_wav_render.h"

#include <fcntl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <fluidsynth.h>

#include "app/output/render_output.h"
#include "platform/sound/fluid_support.h"
#include "platform/sound/placed_render.h"
#include "platform/sound/soundfont_load.h"

namespace {

constexpr int kChannels = 2;
constexpr int kBytesPerFrame = kChannels * 2;
constexpr int kBlockFrames = 4096;
// After the last message: render until no voice sounds (at most this long), then let the reverb
// ring out for a little more.
constexpr int64_t kMaxReleaseFrames = 10LL * kWavSampleRate;
constexpr int64_t kReverbTailFrames = kWavSampleRate;
constexpr int64_t kSyncBytes = 16 << 20;

void putLittleEndian(unsigned char* at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

void fillHeader(unsigned char (&header)[44], uint32_t dataBytes)
{
    std::memcpy(header, "RIFF", 4);
    putLittleEndian(header + 4, 36 + dataBytes, 4);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    putLittleEndian(header + 16, 16, 4);  // PCM format chunk
    putLittleEndian(header + 20, 1, 2);   // PCM
    putLittleEndian(header + 22, kChannels, 2);
    putLittleEndian(header + 24, kWavSampleRate, 4);
    putLittleEndian(header + 28, kWavSampleRate * kBytesPerFrame, 4);
    putLittleEndian(header + 32, kBytesPerFrame, 2);
    putLittleEndian(header + 34, 16, 2);
    std::memcpy(header + 36, "data", 4);
    putLittleEndian(header + 40, dataBytes, 4);
}

// The frame a message is placed at: its intended time (the time it was sent when none is known),
// with no latency: offline, every message is there before its frame is rendered.
int64_t frameOf(const TimedMessage& message)
{
    const int64_t ns = (message.intended != kSendAtOnce ? message.intended : message.time).count();
    if (ns <= 0)
        return 0;
    constexpr int64_t kNsPerSecond = 1'000'000'000;
    return ns / kNsPerSecond * kWavSampleRate + ns % kNsPerSecond * kWavSampleRate / kNsPerSecond;
}

// The run's messages in order, for renderPlaced.
struct RunSource {
    const std::vector<TimedMessage>& messages;
    size_t next = 0;
    bool peek(PlacedMessage& message) const
    {
        if (next >= messages.size())
            return false;
        message = {frameOf(messages[next]), messages[next].packed};
        return true;
    }
    void pop() { ++next; }
    bool done() const { return next >= messages.size(); }
};

// Renders the next block of frames into the file, placing the messages that fall in it.
bool renderBlock(fluid_synth_t* synth, RunSource& source, std::vector<int16_t>& buffer, std::FILE* file,
                 int64_t& written)
{
    int16_t* block = buffer.data();
    renderPlaced(synth, source, written, kBlockFrames, [&](int offset, int count) {
        fluid_synth_write_s16(synth, count, block, offset * kChannels, kChannels, block, offset * kChannels + 1,
                              kChannels);
    });
    written += kBlockFrames;
    return std::fwrite(block, kBytesPerFrame, kBlockFrames, file) == static_cast<size_t>(kBlockFrames);
}

}  // namespace

int renderWavFile(const std::vector<TimedMessage>& messages, const std::string& path, std::string& error,
                  WorkProgress* progress, int32_t progressFrom)
{
    const int64_t lastFrame = messages.empty() ? 0 : frameOf(messages.back());
    const int64_t maxBytes = (lastFrame + kMaxReleaseFrames + kReverbTailFrames) * kBytesPerFrame;
    if (maxBytes > 0xFFFFFFFFLL - 36) {
        error = "-o: the run is too long for a WAV file (at most about 6 hours); use .mid or .txt";
        return RenderStatus::CannotRender;
    }

    // The target first: a file that cannot be written is refused before the soundfont loads.
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        error = "cannot write '" + path + "'";
        return RenderStatus::CannotWrite;
    }
    const auto leaveNothing = [&] {
        std::fclose(file);
        std::remove(temporary.c_str());
    };
    const std::string soundfont = findSoundfont(nullptr);
    if (soundfont.empty()) {
        leaveNothing();
        error = "-o: no General MIDI soundfont found for .wav (install timgm6mb-soundfont)";
        return RenderStatus::CannotRender;
    }
    // FluidSynth cannot interrupt a load: a Cancel meanwhile returns at once, and the load's
    // thread throws its synthesiser away when it ends.
    const SoundfontLoad load(soundfont, kWavSampleRate, false);
    if (!load.wait([&] { return isCancelled(progress); })) {
        leaveNothing();
        if (isCancelled(progress)) {
            error = "cancelled";
            return RenderStatus::Cancelled;
        }
        error = "-o: cannot load the soundfont " + soundfont;
        return RenderStatus::CannotRender;
    }
    fluid_synth_t* const synth = load.synth();

    unsigned char header[44];
    fillHeader(header, 0);
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;

    int64_t written = 0;
    std::vector<int16_t> buffer(kBlockFrames * kChannels);
    RunSource source{messages};
    // Before every block: the cancel flag, and how far the audio is (the release is not known
    // ahead, so the share counts up to the last message plus the reverb's tail).
    bool cancelled = false;
    // Every 16 MB the file's pages are sent to the disk and the ones sent before are waited for,
    // so the final flush (and a cancel during it) never waits on the whole file.
    int64_t sentUpTo = 0;
    const auto goOn = [&] {
        cancelled = cancelled || isCancelled(progress);
        reportProgress(progress, written, lastFrame + kReverbTailFrames, progressFrom, 1000);
        const int64_t bytes = 44 + written * kBytesPerFrame;
        if (ok && bytes - sentUpTo >= kSyncBytes && std::fflush(file) == 0) {
            const int fd = fileno(file);
            ::sync_file_range(fd, 0, sentUpTo, SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
            ::sync_file_range(fd, sentUpTo, bytes - sentUpTo, SYNC_FILE_RANGE_WRITE);
            sentUpTo = bytes;
        }
        return ok && !cancelled;
    };
    while (goOn() && !source.done())
        ok = renderBlock(synth, source, buffer, file, written);
    for (int64_t release = 0;
         goOn() && release < kMaxReleaseFrames && fluid_synth_get_active_voice_count(synth) > 0;
         release += kBlockFrames)
        ok = renderBlock(synth, source, buffer, file, written);
    for (int64_t tail = 0; goOn() && tail < kReverbTailFrames; tail += kBlockFrames)
        ok = renderBlock(synth, source, buffer, file, written);
    if (cancelled) {
        std::fclose(file);
        std::remove(temporary.c_str());
        error = "cancelled";
        return RenderStatus::Cancelled;
    }

    fillHeader(header, static_cast<uint32_t>(written * kBytesPerFrame));
    ok = ok && std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(header, 1, sizeof header, file) == sizeof header;
    ok = std::fclose(file) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        error = "cannot write '" + path + "'";
        return RenderStatus::CannotWrite;
    }
    return RenderStatus::Written;
}
