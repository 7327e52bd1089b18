// Fuzz target: the render tool's command line, one argument per line of the input: parsed, and
// when it parses, the settings built, checked and played for a few seconds.
#include <string>
#include <vector>

#include "app/output/render_output.h"
#include "tests/fuzz/render_check.h"
#include "tools/render_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(args, options, error))
        return 0;
    renderFormatFor(options.output);
    renderAsTheToolDoes(options);
    return 0;
}
