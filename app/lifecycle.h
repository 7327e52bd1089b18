// Start-up and the closing sequence of the program, written against the window system's seams so
// they run on fakes.
#pragma once

#include <functional>

#include <string>

#include "app/app_context.h"

// What only the window system can do at start-up and closing. UI thread only.
class WindowHost {
public:
    virtual ~WindowHost() = default;
    virtual bool acquireSingleInstance() = 0;   // false: another copy of the program holds it
    virtual void releaseSingleInstance() = 0;
    virtual bool createMainWindow() = 0;        // hidden, at 0,0; false when it cannot be made
    virtual void showMainWindow() = 0;
    // Runs `step` once the shown window is on the screen; by default at once.
    virtual void whenWindowShown(std::function<void()> step) { step(); }
    virtual void destroyMainWindow() = 0;
    // Closes the boxes the playback thread raised and drops later ones: no box outlives the
    // program's window.
    virtual void releaseWaitingThreads() = 0;
    // A second start's file for the copy that runs (the one holding the single-instance lock);
    // false when it could not be handed over.
    virtual bool handFileToRunningCopy(const std::string& /*path*/) { return false; }
};

enum class StartupResult {
    Running,          // the window is shown and Idle (also without any sound output: its box said why)
    SecondInstance,   // another copy runs: nothing was shown or written (a file was handed to it)
    Failed,           // the main window cannot be made at all (the program exits with status 1)
    Closed,           // closed (a signal) while a start-up box was up: the closing sequence has run
};

class Lifecycle {
public:
    Lifecycle(AppContext& app, WindowHost& host) : app_(app), host_(host) {}

    // Parameter file path and load, single instance, window creation (defaults without a file,
    // commit, port and playback thread), then show, Idle and the command states. A saved device
    // that cannot be opened falls back to MIDI_MAPPER with one box; when no output opens at all,
    // or the parameter file can be written nowhere, one box says so and the window still opens.
    // `voiceSetPath` (a .gms named on the command line, absolute; "" for none) is restored once the
    // window is shown, as Restore would; when another copy runs, it is handed to that copy.
    StartupResult start(const std::string& executablePath, const std::string& voiceSetPath = {});

    // The one closing sequence for every way of closing (the close box, Exit, a signal): Stop when
    // playing, the playback thread's end, the parameter file, the window. While work runs in the
    // background (Export), it is cancelled and the closing comes again once it has ended. A call
    // during the sequence does nothing. The exit code is always 0.
    void close();

    // What of the closing sequence needs no window system, for when it has gone (the display's
    // server died and the process is ending): the playback thread's end, a sweep for what may
    // sound, the port, and the parameter file with the window's last known place. No box.
    void closeWithoutDisplay();

    bool isClosed() const { return closed_; }
    bool isWindowCreated() const { return windowCreated_; }

private:
    void openOutputAndSession();  // the part of start-up that comes once the window is shown

    AppContext& app_;
    WindowHost& host_;
    bool windowCreated_ = false;
    bool closing_ = false;
    bool closed_ = false;
    std::string voiceSetPath_;  // the .gms named on the command line, opened once the window is shown
};
