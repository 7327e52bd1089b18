// Dialog templates as data: controls with numeric ids, kinds, texts and rectangles in dialog units.
#pragma once

#include <string>
#include <vector>

// A spin's id is the id of the edit it steps plus this.
inline constexpr int kSpinIdOffset = 10;

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    GroupBox,
    StaticText,          // left-aligned unless `centred`
    Edit,                // bordered, scrolls horizontally
    ReadOnlyEdit,        // borderless, read-only, centred (the about line)
    DropDownList,        // a combo box; `dropHeight` in dialog units
    CheckBox,            // auto check box
    Spin,                // up-down control paired with the edit whose id is its own minus kSpinIdOffset
};

struct ControlTemplate {
    int id;              // -1 for controls without an id
    ControlKind kind;
    std::string text;
    int x, y, width, height;  // dialog units
    int dropHeight = 0;       // lists only
    bool centred = false;     // static text only
};

struct DialogTemplate {
    int id;
    std::string caption;
    int width, height;        // dialog units
    std::string fontFamily;   // "Arial"
    int fontPointSize;        // 9
    bool centredOnScreen;     // dialogs yes, the main window no
    std::vector<ControlTemplate> controls;  // template order = tab order
};

struct MenuItemTemplate {
    int commandId;           // 0 for a separator
    std::string text;        // label, then a tab and the shortcut shown at the right
    bool checkable = false;  // shows a check mark that the program sets
};

struct MenuTemplate {
    std::string title;       // "File(&F)": "&" marks the mnemonic
    std::vector<MenuItemTemplate> items;
};

struct Accelerator {
    char key;                // upper-case letter
    bool shift;              // Ctrl is always held
    int commandId;
};

// Lookups; nullptr for an unknown id.
const DialogTemplate* findDialogTemplate(int templateId);
const std::vector<MenuTemplate>& mainMenu();
const std::vector<Accelerator>& acceleratorTable();
