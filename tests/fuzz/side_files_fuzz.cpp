// Fuzz target: the small side files beside the parameter file that hold the chosen port's name
// (pulseLattice.port), the Link and clock switches (pulseLattice.link) and the output offsets
// (pulseLattice.offsets). The first input byte picks the file; a name read back is one line of
// printable characters, an offset within -50..200 ms.
#include "settings/output_offsets.h"
#include "settings/port_name_file.h"
#include "settings/session_switches.h"
#include "tests/fuzz/fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string path = fuzzInputFile(data + 1, size - 1);
    if (data[0] & 1) {
        (void)loadSessionSwitches(path);
        return 0;
    }
    if (data[0] & 2) {
        for (const auto& [name, ms] : loadOutputOffsets(path).ms) {
            FUZZ_CHECK(ms >= kMinOutputOffsetMs && ms <= kMaxOutputOffsetMs && ms != 0);
            FUZZ_CHECK(!name.empty() && name.size() <= 255 && name.find('\n') == std::string::npos);
        }
        return 0;
    }
    if (const std::optional<std::string> name = loadPortName(path)) {
        FUZZ_CHECK(!name->empty() && name->size() <= 255);
        for (const char c : *name)
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    }
    return 0;
}
