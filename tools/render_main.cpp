// pulselattice-render: plays a rhythm against a virtual clock and writes what it sends.
#include <iostream>
#include <string>
#include <vector>

#include "app/output/render_output.h"
#include "tools/render_options.h"
#include "tools/render_settings.h"

// Set by the build when the synthesiser library is linked; a core-only build has no .wav.
#ifdef PULSELATTICE_WAV_OUTPUT
#include "platform/sound/offline_wav_render.h"
#endif

namespace {

int fail(const std::string& message, int status = 2)
{
    std::cerr << "pulselattice-render: " << message << "\n";
    return status;
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

    const std::optional<RenderFormat> format = renderFormatFor(options.output);
    if (!format)
        return fail("-o: '" + options.output + "' must be -, or end in .txt, .mid or .wav");
#ifdef PULSELATTICE_WAV_OUTPUT
    const WavRenderer wavRenderer = renderWavFile;
#else
    const WavRenderer wavRenderer = nullptr;
    if (*format == RenderFormat::WavAudio)
        return fail("-o: this build has no synthesiser for .wav; build without PULSELATTICE_CORE_ONLY");
#endif

    SettingsRecord settings;
    if (!buildRenderSettings(options, settings, error) || !checkRenderSettings(options, settings, error))
        return fail(error);

    const RenderOutcome outcome =
        renderToFile(settings, RenderLength{options.passes, options.stopAtMs}, options.output, wavRenderer);
    if (outcome.leftOut > 0)
        std::cerr << "pulselattice-render: left out " << outcome.leftOut
                  << " messages with a note or velocity outside 0..127, which MIDI cannot carry\n";
    if (outcome.status != RenderStatus::Written) {
        // A refused or failed write exits 1; a run that cannot be rendered is a bad request, 2.
        return fail(outcome.error, outcome.status == RenderStatus::CannotWrite ? 1 : 2);
    }
    return 0;
}
