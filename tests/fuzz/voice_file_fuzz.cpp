// Fuzz target: a voice file (.gms) as Restore reads it into the settings, and as the render tool
// takes it with --voices.
#include "settings/defaults.h"
#include "settings/midi_setting_file.h"
#include "tests/fuzz/fuzz_input_file.h"
#include "tests/fuzz/render_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzzInputFile(data, size);
    SettingsRecord record{};
    fillBuiltInDefaults(record);
    FUZZ_CHECK(readMidiSettingFile(path, record));

    RenderOptions options;
    options.voicesFile = path;
    renderAsTheToolDoes(options);
    return 0;
}
