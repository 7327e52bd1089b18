// An in-memory main window for tests: records every call in order, answers from its fields.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/shell_platform.h"
#include "dialogs/dialog_logic.h"

struct ShownMessage {
    std::string text;
    std::string caption;
    bool ownedByMainWindow;
};

class FakeShellPlatform : public ShellPlatform {
public:
    void enableMenuItem(int commandId, bool enabled) override
    {
        menuEnabled[commandId] = enabled;
        log.push_back("menu " + std::to_string(commandId) + (enabled ? " on" : " off"));
    }
    void enableButton(int commandId, bool enabled) override
    {
        buttonEnabled[commandId] = enabled;
        log.push_back("button " + std::to_string(commandId) + (enabled ? " on" : " off"));
    }
    void checkMenuItem(int commandId, bool checked) override
    {
        menuChecked[commandId] = checked;
        log.push_back("check " + std::to_string(commandId) + (checked ? " on" : " off"));
    }
    bool isMenuItemChecked(int commandId) override { return menuChecked.count(commandId) && menuChecked[commandId]; }
    void setCaption(const std::string& text) override
    {
        caption = text;
        log.push_back("caption " + text);
    }
    WindowRect windowRect() override { return rect; }
    void moveWindow(int32_t left, int32_t top, int32_t width, int32_t height) override
    {
        rect = {left, top, left + width, top + height};
        log.push_back("move " + std::to_string(left) + "," + std::to_string(top) + " " + std::to_string(width) +
                      "x" + std::to_string(height));
    }
    int32_t screenWidth() override { return screenW; }
    int32_t screenHeight() override { return screenH; }
    std::vector<WindowRect> screenRects() override
    {
        return screens.empty() ? ShellPlatform::screenRects() : screens;
    }
    void postClose() override
    {
        ++closeRequests;
        log.push_back("close");
    }
    int runDialog(int templateId, DialogLogic& logic) override
    {
        log.push_back("dialog " + std::to_string(templateId));
        dialogsRun.push_back(templateId);
        if (onDialog)
            return onDialog(templateId, logic);
        return nextDialogResult;
    }
    void showMessage(const std::string& text, const std::string& boxCaption, bool owned) override
    {
        messages.push_back({text, boxCaption, owned});
        log.push_back("message " + boxCaption + ": " + text);
    }
    std::optional<std::string> askFileName(const FileDialogRequest& request) override
    {
        fileRequests.push_back(request);
        log.push_back("ask file " + request.title);
        return nextFileName;
    }
    void showLatticeView() override
    {
        ++latticeShown;
        log.push_back("lattice");
    }
    bool deferCloseUntilWorkEnds() override
    {
        if (!workRunning)
            return false;
        log.push_back("work cancelled, close deferred");
        return true;
    }

    // Answers.
    WindowRect rect{0, 0, 300, 400};
    int32_t screenW = 1920, screenH = 1080;
    std::vector<WindowRect> screens;  // empty: the primary screen of screenW x screenH alone
    int nextDialogResult = 2;
    std::function<int(int, DialogLogic&)> onDialog;  // runs the dialog logic when set
    std::optional<std::string> nextFileName;
    bool workRunning = false;  // an Export's worker runs: a close is deferred until it ends

    // What happened.
    std::vector<std::string> log;
    std::map<int, bool> menuEnabled, buttonEnabled, menuChecked;
    std::string caption = "pulseLattice";
    std::vector<int> dialogsRun;
    std::vector<ShownMessage> messages;
    std::vector<FileDialogRequest> fileRequests;
    int closeRequests = 0;
    int latticeShown = 0;
};
