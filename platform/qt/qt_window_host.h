// The window system's part of start-up and closing: the single-instance lock with the files a
// second start hands over, the main window's creation, showing and destruction, and the release
// of boxes the playback thread waits on.
#pragma once

#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "app/lifecycle.h"
#include "platform/os/file_handover.h"
#include "platform/os/single_instance.h"

class QSocketNotifier;

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
    // A file a second start handed over, given once the main window is shown and no box or dialog
    // is up (until then it waits). UI thread.
    std::function<void(const std::string& path)> onFileHandedOver;

    ~QtWindowHost() override;

    bool acquireSingleInstance() override;
    void releaseSingleInstance() override;
    bool createMainWindow() override;
    void showMainWindow() override;
    // Runs `step` from the event loop once the window shown has been painted (200 ms at the latest).
    void whenWindowShown(std::function<void()> step) override;
    void destroyMainWindow() override;   // also ends the event loop with exit code 0
    void releaseWaitingThreads() override;
    bool handFileToRunningCopy(const std::string& path) override;

private:
    QtShellPlatform& shell_;
    QtErrorReporter* reporter_;
    SingleInstanceLock lock_;
    std::function<void()> afterShown_;
    QTimer afterShownTimer_;  // owned here: it never fires after the host has gone
    FileHandoverReceiver receiver_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::deque<std::string> handedOver_;  // received, not yet given to onFileHandedOver
    QTimer deliveryRetry_;                // while a box or dialog is up

    void listenForFiles();
    void deliverFiles();
};
