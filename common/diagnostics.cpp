#include "common/diagnostics.h"

#include <unistd.h>

void logDiagnostic(const std::string& text)
{
    // One write call per line, so lines from two threads never interleave.
    const std::string line = "pulselattice: " + text + "\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
}
