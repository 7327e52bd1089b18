// Fuzz target: the lattice window's placement file (pulseLattice.lattice), read and fitted to two
// screens: what it gives must fit the larger one and be reachable.
#include "app/window_placement.h"
#include "settings/lattice_placement.h"
#include "tests/fuzz/fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::optional<LatticePlacement> stored = loadLatticePlacement(fuzzInputFile(data, size));
    if (!stored)
        return 0;
    const std::vector<WindowRect> screens{{0, 0, 1920, 1080}, {1920, 0, 4480, 1600}};
    const std::optional<WindowRect> fit =
        fitPlacementToScreens(stored->left, stored->top, stored->width, stored->height, screens);
    if (fit) {
        FUZZ_CHECK(fit->right - fit->left >= 1 && fit->right - fit->left <= 2560);
        FUZZ_CHECK(fit->bottom - fit->top >= 1 && fit->bottom - fit->top <= 1600);
        FUZZ_CHECK(menuBarOnAScreen(fit->left, fit->top, fit->right - fit->left, screens));
    }
    return 0;
}
