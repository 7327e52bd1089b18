// The id-addressed controls of an open dialog, as the dialog logic sees them. The Qt template
// renderer implements it; tests use an in-memory fake. UI thread only.
#pragma once

#include <string>

class Controls {
public:
    virtual ~Controls() = default;

    virtual void setText(int id, const std::string& text) = 0;
    virtual std::string text(int id) = 0;                         // "" for an id without a control

    virtual void addListItem(int id, const std::string& text) = 0;
    virtual void selectListItem(int id, int index) = 0;          // index outside the list: no selection
    virtual int selectedListItem(int id) = 0;                    // -1 when nothing is selected

    virtual void setChecked(int id, bool checked) = 0;
    virtual bool isChecked(int id) = 0;

    virtual void enable(int id, bool enabled) = 0;
    // Pairs a spin with its edit (the renderer pairs spin id = edit id + 10 already).
    virtual void pairSpin(int spinId, int editId) = 0;

    virtual void endDialog(int result) = 0;                      // 1 confirmed, 2 cancelled
    // A modal message box with caption "error", one OK button, no owner window.
    virtual void showError(const std::string& text) = 0;
};
