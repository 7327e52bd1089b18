#include "app/voice_set_opening.h"

#include "app/midi_setting_commands.h"

namespace {

std::string fileName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void openVoiceSet(AppContext& app, const std::string& path)
{
    if (app.working.playState == Playing) {
        app.voiceSetAfterStop = path;
        app.shell.showMessage("the voice set \"" + fileName(path) + "\" will be restored after Stop", "voice set",
                              true);
        return;
    }
    restoreMidiSettingFileFrom(app.shell, app.working, app.player, path);
}

void restoreVoiceSetAfterStop(AppContext& app)
{
    if (app.voiceSetAfterStop.empty() || app.working.playState == Playing)
        return;
    const std::string path = std::move(app.voiceSetAfterStop);
    app.voiceSetAfterStop.clear();
    restoreMidiSettingFileFrom(app.shell, app.working, app.player, path);
}
