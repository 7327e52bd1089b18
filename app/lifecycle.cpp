#include "app/lifecycle.h"

#include "app/commands.h"
#include "resources/command_ids.h"
#include "settings/defaults.h"

StartupResult Lifecycle::start(const std::string& executablePath)
{
    app_.parameterFile.path = parameterFilePathFor(executablePath);
    loadParameterFile(app_.parameterFile, app_.defaults);

    if (!host_.acquireSingleInstance())
        return StartupResult::SecondInstance;

    if (!host_.createMainWindow()) {
        host_.releaseSingleInstance();
        return StartupResult::Failed;
    }
    windowCreated_ = true;

    if (!app_.parameterFile.opened)
        fillBuiltInDefaults(app_.defaults);
    if (commitParameterFile(app_.parameterFile, app_.shell, app_.defaults, app_.working) != 0) {
        close();
        return StartupResult::Failed;
    }
    if (startPlaybackThread(app_.transport, app_.player, app_.working, app_.clock) != 0) {
        close();
        return StartupResult::Failed;
    }

    host_.showMainWindow();
    app_.working.playState = Idle;
    updateCommandStates(app_.shell, Idle);
    return StartupResult::Running;
}

void Lifecycle::close()
{
    // A box of the closing sequence runs its own message loop, in which the close box may be
    // pressed again.
    if (closing_ || closed_)
        return;
    closing_ = true;

    // The thread leaves its pass at once, so the closing sweep is the last thing the port gets.
    host_.releaseWaitingThreads();
    const bool passLeft = haltPlaybackThread(app_.transport);
    if (app_.working.playState == Playing)
        dispatchCommand(app_, Command::Stop);
    else if (passLeft)
        sendNoteOffSweep(app_.player);  // closed while a stopped pass was still draining
    shutdownPlayback(app_.transport, app_.player);
    saveParameterFile(app_.parameterFile, app_.shell, app_.defaults);

    host_.destroyMainWindow();
    host_.releaseSingleInstance();
    closed_ = true;
}
