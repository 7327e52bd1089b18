// Fuzz target: the control bindings file beside the parameter file (pulseLattice.controls). What
// it reads back is bindings the program can run, and writing and reading them again gives them.
#include "settings/control_bindings.h"
#include "tests/fuzz/fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ControlBindings bindings = loadControlBindings(fuzzInputFile(data, size));
    for (const ControlBinding& binding : bindings) {
        FUZZ_CHECK(binding.action >= 0 && binding.action < kControlActionCount);
        FUZZ_CHECK(binding.source.kind <= ControlSource::ProgramChange);
        FUZZ_CHECK(binding.source.channel < 16 && binding.source.number < 128);
        FUZZ_CHECK(bindingOfAction(bindings, binding.action) == &binding);
        FUZZ_CHECK(bindingOfSource(bindings, binding.source) == &binding);
    }
    if (!bindings.empty()) {
        static const std::string again = "/dev/shm/pulselattice-fuzz-controls-" + std::to_string(getpid());
        FUZZ_CHECK(saveControlBindings(again, bindings));
        FUZZ_CHECK(loadControlBindings(again) == bindings);
    }
    return 0;
}
