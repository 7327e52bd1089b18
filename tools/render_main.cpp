// pulselattice-render: plays a rhythm against a virtual clock and writes what it sends.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/output/render_output.h"
#include "tools/render_options.h"
#include "tools/render_settings.h"

// Set by the build when the synthesiser library is linked; a core-only build has no .wav.
#ifdef PULSELATTICE_WAV_OUTPUT
#include "platform/sound/offline_wav_render.h"
#endif

namespace {

constexpr const char* kProgram = "pulselattice-render";

// Follows the option summary in --help.
constexpr const char* kHelpTail =
    "\n"
    "Plays the rhythm against a virtual clock, without a window or a sound device, and writes what\n"
    "it sends. Start values: the built-in defaults, then --settings, then --voices, then the options.\n"
    "  -h, --help       print this help and exit\n"
    "      --version    print the version and exit\n"
    "PULSELATTICE_SOUNDFONT names the General MIDI soundfont that .wav renders with.\n"
    "Exit status: 0 written, 1 the output could not be written, 2 a bad option or setting,\n"
    "130 or 143 interrupted by SIGINT or SIGTERM (nothing written, an old file kept).\n"
    "See pulselattice-render(1).\n";

// SIGINT and SIGTERM cancel the render: its temporary file is removed and the tool exits with
// 128 + the signal's number (130, 143), as a shell expects of an interrupted program.
WorkProgress renderProgress;
volatile std::sig_atomic_t caughtSignal = 0;

void cancelOnSignal(int signal)
{
    caughtSignal = signal;
    renderProgress.cancel.store(true);  // lock-free: safe in a handler
}

void catchInterruptions()
{
    struct sigaction action {};
    action.sa_handler = cancelOnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
}

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
        if (error == "help" || error == "version")
            return answerCommandLine({error == "help" ? CommandLineAction::ShowHelp : CommandLineAction::ShowVersion, {}},
                                     kProgram, std::string(kRenderUsage) + kHelpTail);
        const int status = fail(error);
        if (error.ends_with(": unknown option") || error.ends_with(": unexpected argument"))
            std::cerr << usageHint(kProgram);
        return status;
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

    RenderScope scope;
    scope.mutedLayers = options.mutedLayers;
    scope.startCounters = options.fromCounters;
    catchInterruptions();
    const RenderOutcome outcome = renderToFile(settings, RenderLength{options.passes, options.stopAtMs},
                                               options.output, wavRenderer, &renderProgress, scope);
    if (caughtSignal != 0)
        return 128 + caughtSignal;
    if (outcome.leftOut > 0)
        std::cerr << "pulselattice-render: left out " << outcome.leftOut
                  << " messages with a note or velocity outside 0..127, which MIDI cannot carry\n";
    if (outcome.status != RenderStatus::Written) {
        // A refused or failed write exits 1; a run that cannot be rendered is a bad request, 2.
        return fail(outcome.error, outcome.status == RenderStatus::CannotWrite ? 1 : 2);
    }
    return 0;
}
