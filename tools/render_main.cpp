// pulselattice-render: plays a rhythm against a virtual clock and writes what it sends.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "tools/message_list.h"
#include "tools/midi_file_writer.h"
#include "tools/render_options.h"
#include "tools/render_run.h"
#include "tools/render_settings.h"

// Set by the build when the synthesiser library is linked; a core-only build has no .wav.
#ifdef PULSELATTICE_WAV_OUTPUT
#include "platform/offline_wav_render.h"
#endif

namespace {

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

int fail(const std::string& message)
{
    std::cerr << "pulselattice-render: " << message << "\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(args, options, error)) {
        if (error == "help") {
            std::cout << kRenderUsage;
            return 0;
        }
        return fail(error);
    }

    const std::string& out = options.output;
    const bool text = out == "-" || endsWith(out, ".txt");
    const bool midi = endsWith(out, ".mid");
    const bool wav = endsWith(out, ".wav");
    if (!text && !midi && !wav)
        return fail("-o: '" + out + "' must be -, or end in .txt, .mid or .wav");
#ifndef PULSELATTICE_WAV_OUTPUT
    if (wav)
        return fail("-o: this build has no synthesiser for .wav; build without PULSELATTICE_CORE_ONLY");
#endif

    SettingsRecord settings;
    if (!buildRenderSettings(options, settings, error))
        return fail(error);

    std::vector<TimedMessage> messages;
    if (!renderRun(settings, RenderLength{options.passes, options.stopAtMs}, messages, error))
        return fail(error);

    if (midi) {
        std::string bytes;
        if (!buildMidiFile(messages, bytes, error))
            return fail(error);
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            std::cerr << "pulselattice-render: cannot write '" << out << "'\n";
            return 1;
        }
        return 0;
    }
#ifdef PULSELATTICE_WAV_OUTPUT
    if (wav) {
        const int status = renderWavFile(messages, out, error);
        if (status != 0)
            std::cerr << "pulselattice-render: " << error << "\n";
        return status;
    }
#endif
    if (out == "-") {
        writeMessageList(std::cout, messages);
        return std::cout.good() ? 0 : 1;
    }
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    writeMessageList(file, messages);
    file.close();
    if (!file) {
        std::cerr << "pulselattice-render: cannot write '" << out << "'\n";
        return 1;
    }
    return 0;
}
