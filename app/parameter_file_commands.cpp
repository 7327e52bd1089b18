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

// The one box when the file can be kept nowhere: the places tried, and that the run goes on.
std::string nowhereToKeepText(const ParameterFile& file)
{
    std::string text = "failed to open .par file\n\nThe settings can be kept in none of these places:";
    const std::vector<std::string> places = file.placesTried.empty() ? std::vector<std::string>{file.path}
                                                                      : file.placesTried;
    for (const std::string& place : places)
        text += "\n" + place;
    text += "\n\npulseLattice runs, but nothing it changes is kept after it closes.";
    return text;
}

}  // namespace

int commitParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults, SettingsRecord& working)
{
    // Written before placing: a placement computed now reaches the file only at close.
    int result = 0;
    if (!writeParameterFile(file, defaults)) {
        shell.showMessage(nowhereToKeepText(file), "alert", true);
        file.keepsSettings = false;
        result = -1;
    }
    placeMainWindow(shell, defaults);
    std::memcpy(&working, &defaults, sizeof(SettingsRecord));
    return result;
}

int saveParameterFile(ParameterFile& file, ShellPlatform& shell, SettingsRecord& defaults, bool report)
{
    if (!file.keepsSettings)
        return -1;  // said once at start-up
    const WindowRect rect = shell.windowRect();
    defaults.windowRect[0] = rect.left;
    defaults.windowRect[1] = rect.top;
    defaults.windowRect[2] = rect.right;
    defaults.windowRect[3] = rect.bottom;
    if (!report)
        return writeParameterFile(file, defaults) ? 0 : -1;
    return writeOrReport(file, shell, defaults);
}
