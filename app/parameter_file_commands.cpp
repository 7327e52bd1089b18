#include "app/parameter_file_commands.h"

#include <cstring>

#include "app/shell_platform.h"
#include "app/window_placement.h"

namespace {

int writeOrReport(const ParameterFile& file, ShellPlatform& shell, const SettingsRecord& defaults)
{
    if (writeParameterFile(file, defaults))
        return 0;
    shell.showMessage("failed to open .par file", "alert", true);
    return -1;
}

}  // namespace

int commitParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults, SettingsRecord& working)
{
    // Written before placing: a placement computed now reaches the file only at close.
    if (writeOrReport(file, shell, defaults) != 0)
        return -1;
    placeMainWindow(shell, defaults);
    std::memcpy(&working, &defaults, sizeof(SettingsRecord));
    return 0;
}

int saveParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults)
{
    const WindowRect rect = shell.windowRect();
    defaults.windowRect[0] = rect.left;
    defaults.windowRect[1] = rect.top;
    defaults.windowRect[2] = rect.right;
    defaults.windowRect[3] = rect.bottom;
    return writeOrReport(file, shell, defaults);
}
