// The Qt implementation of ShellPlatform over the main window: command states, caption, window
// rectangle, dialogs, message boxes and file dialogs. UI thread only.
#pragma once

#include <QString>

#include <memory>

#include "app/shell_platform.h"

class QtMainWindow;
class QtLatticeView;
class LatticeFeed;
struct AppContext;

class QtShellPlatform : public ShellPlatform {
public:
    void setMainWindow(QtMainWindow* window) { window_ = window; }
    QtMainWindow* mainWindow() const { return window_; }

    void enableMenuItem(int commandId, bool enabled) override;
    void enableButton(int commandId, bool enabled) override;
    void checkMenuItem(int commandId, bool checked) override;
    bool isMenuItemChecked(int commandId) override;
    void setCaption(const std::string& caption) override;
    WindowRect windowRect() override;
    // Moves the outer frame to left, top; the size stays the window's fixed size.
    void moveWindow(int32_t left, int32_t top, int32_t width, int32_t height) override;
    int32_t screenWidth() override;
    int32_t screenHeight() override;
    std::vector<WindowRect> screenRects() override;
    void postClose() override;
    int runDialog(int templateId, DialogLogic& logic) override;  // -1 for an unknown template
    void showMessage(const std::string& text, const std::string& caption, bool ownedByMainWindow) override;
    std::optional<std::string> askFileName(const FileDialogRequest& request) override;
    std::optional<FileChoice> askFileChoice(const FileDialogRequest& request) override;
    // The main window takes no input meanwhile; the progress box is modal over it.
    void runInBackground(const std::string& caption, const std::function<void(WorkProgress&)>& work) override;
    bool deferCloseUntilWorkEnds() override;
    void showStatus(const std::string& text) override;
    // Created at the first call; nothing happens before setLatticeSources.
    void showLatticeView() override;

    // What the lattice view reads: the program's records and the playback thread's feed.
    void setLatticeSources(AppContext* app, LatticeFeed* feed);
    QtLatticeView* latticeView() const { return lattice_.get(); }
    // Keeps its placement and closes it (the program is closing).
    void closeLatticeView();

    QtShellPlatform();
    ~QtShellPlatform() override;

private:
    QtMainWindow* window_ = nullptr;
    AppContext* latticeApp_ = nullptr;
    LatticeFeed* latticeFeed_ = nullptr;
    std::unique_ptr<QtLatticeView> lattice_;
    WorkProgress* work_ = nullptr;  // the background work under way
    bool closeAfterWork_ = false;
};

// "label (pattern)" as QFileDialog shows a filter; Windows' ";" between patterns becomes a space.
// A label that already ends in its patterns is taken as it is.
QString fileDialogFilter(const std::string& label, const std::string& pattern);
