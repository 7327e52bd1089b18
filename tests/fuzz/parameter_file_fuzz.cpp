// Fuzz target: a parameter file (pulseLattice.par) as the program reads it at start: loaded, the
// main window placed from it, the lattice view's header and preview drawn from it unchecked, and
// given to the render tool with --settings.
#include <cstdio>

#include "app/lattice/lattice_header.h"
#include "app/lattice/lattice_layout.h"
#include "app/lattice/lattice_rhythm.h"
#include "app/window_placement.h"
#include "settings/defaults.h"
#include "settings/parameter_file.h"
#include "tests/core/fake_shell_platform.h"
#include "tests/fuzz/fuzz_input_file.h"
#include "tests/fuzz/render_check.h"

namespace {

// Moves the window as the real shell does (the main window keeps its size), with no arithmetic on
// what a damaged file holds.
class MovingShell : public FakeShellPlatform {
public:
    void moveWindow(int32_t left, int32_t top, int32_t, int32_t) override { rect = {left, top, left, top}; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ParameterFile file{fuzzInputFile(data, size)};
    SettingsRecord record{};
    loadParameterFile(file, record);
    FUZZ_CHECK(file.opened);
    if (size < kParameterFileSize)
        fillBuiltInDefaults(record);  // as the program does for a short file

    MovingShell shell;
    shell.screens = {{0, 0, 1920, 1080}, {1920, 0, 4480, 1600}};
    placeMainWindow(shell, record);

    latticeHeader(record, "MIDI_MAPPER");
    const LatticeRhythm rhythm = rhythmFromSettings(record);
    previewCells(rhythm, {}, latticeSpan(rhythm, 0));

    RenderOptions options;
    options.settingsFile = file.path;
    renderAsTheToolDoes(options);
    return 0;
}
