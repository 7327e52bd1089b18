// The window system's part of start-up and closing: the single-instance lock, the main window's
// creation, showing and destruction, and the release of boxes the playback thread waits on.
#pragma once

#include <QTimer>

#include <functional>
#include <string>

#include "app/lifecycle.h"
#include "platform/os/single_instance.h"

class QtShellPlatform;
class QtErrorReporter;

class QtWindowHost : public WindowHost {
public:
    QtWindowHost(QtShellPlatform& shell, QtErrorReporter* reporter, std::string lockPath);

    // Where the main window's commands and close requests go.
    std::function<void(int commandId)> onCommand;
    std::function<void()> onClose;
    // Runs once this copy holds the single-instance lock, before the output opens.
    std::function<void()> onInstanceAcquired;

    bool acquireSingleInstance() override;
    void releaseSingleInstance() override;
    bool createMainWindow() override;
    void showMainWindow() override;
    // Runs `step` from the event loop once the window shown has been painted (200 ms at the latest).
    void whenWindowShown(std::function<void()> step) override;
    void destroyMainWindow() override;   // also ends the event loop with exit code 0
    void releaseWaitingThreads() override;

private:
    QtShellPlatform& shell_;
    QtErrorReporter* reporter_;
    SingleInstanceLock lock_;
    std::function<void()> afterShown_;
    QTimer afterShownTimer_;  // owned here: it never fires after the host has gone
};
