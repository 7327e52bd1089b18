// What the application logic needs of the window system: the main window, dialogs, message boxes
// and file dialogs. The Qt shell implements it; tests use a fake. UI thread only, except where
// noted.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/work_progress.h"

class DialogLogic;

struct WindowRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // screen pixels
};

struct FileDialogRequest {
    std::string title;                                          // "save file as ..." / "open file selected"
    std::vector<std::pair<std::string, std::string>> filters;  // label, pattern
    int selectedFilter = 0;                                     // index into filters
    std::string defaultSuffix;                                  // "gms"
    bool saving = false;                                        // save dialog, else open dialog
    bool overwritePrompt = false;                               // ask before replacing a file
    bool fileMustExist = false;
};

struct FileChoice {
    std::string path;
    int filter = 0;  // index of the filter chosen in the dialog
};

class ShellPlatform {
public:
    virtual ~ShellPlatform() = default;

    // Main window.
    virtual void enableMenuItem(int commandId, bool enabled) = 0;
    virtual void enableButton(int commandId, bool enabled) = 0;
    // Sets the check mark of a checkable menu item.
    virtual void checkMenuItem(int commandId, bool checked)
    {
        (void)commandId;
        (void)checked;
    }
    // Whether a checkable menu item shows its check mark.
    virtual bool isMenuItemChecked(int commandId)
    {
        (void)commandId;
        return false;
    }
    virtual void setCaption(const std::string& caption) = 0;
    virtual WindowRect windowRect() = 0;                       // outer rectangle, screen pixels
    virtual void moveWindow(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
    virtual int32_t screenWidth() = 0;                         // primary screen, pixels
    virtual int32_t screenHeight() = 0;
    // Every screen's available area in the virtual desktop; by default the primary screen alone.
    virtual std::vector<WindowRect> screenRects() { return {{0, 0, screenWidth(), screenHeight()}}; }
    virtual void postClose() = 0;                              // the closing sequence, as the close box does

    // Runs the dialog of `templateId` modally over the main window and returns its result
    // (1 confirmed, 2 cancelled).
    virtual int runDialog(int templateId, DialogLogic& logic) = 0;

    // A modal message box with one OK button. `ownedByMainWindow` false: no owner, the main window
    // stays usable.
    virtual void showMessage(const std::string& text, const std::string& caption, bool ownedByMainWindow) = 0;

    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> askFileName(const FileDialogRequest& request) = 0;

    // Opens the modeless "lattice" window, or raises it when it is open.
    virtual void showLatticeView() = 0;

    // The chosen path with the filter the user chose. By default the request's selected filter.
    virtual std::optional<FileChoice> askFileChoice(const FileDialogRequest& request)
    {
        std::optional<std::string> path = askFileName(request);
        if (!path)
            return std::nullopt;
        return FileChoice{*path, request.selectedFilter};
    }

    // Runs `work` to its end off the UI thread while the window keeps taking input (the commands
    // decide what they refuse meanwhile); when it takes longer than half a second a modeless
    // progress box titled `caption` shows how far it is (the permille `work` reports, as a
    // percentage) and offers Cancel, which sets the cancel flag `work` is given. By default runs
    // it here, at once.
    virtual void runInBackground(const std::string& caption, const std::function<void(WorkProgress&)>& work)
    {
        (void)caption;
        WorkProgress progress;
        work(progress);
    }

    // The program is closing while work runs in the background: cancels the work and closes
    // (postClose) once it has ended; true then. False when no work runs.
    virtual bool deferCloseUntilWorkEnds() { return false; }

    // A short note on the main window that goes by itself (where an exported file went).
    virtual void showStatus(const std::string& text) { (void)text; }
};
