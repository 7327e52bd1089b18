// A modal dialog built from a template and driven by its DialogLogic. UI thread only.
#pragma once

#include <QDialog>

#include "dialogs/dialog_logic.h"
#include "platform/qt/qt_template_renderer.h"

class QtTemplateDialog : public QDialog {
public:
    // `owner` is disabled while the dialog runs; the dialog is centred on the screen when the
    // template asks for it, else over its owner.
    QtTemplateDialog(const DialogTemplate& tpl, DialogLogic& logic, QWidget* owner);

    // Initialises the logic, shows the dialog modally and returns the result the logic ended it
    // with (1 confirmed, 2 cancelled).
    int run();
    QtControls& controls() { return *controls_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Escape: the cancel command, id 2

private:
    DialogLogic& logic_;
    QtControls* controls_;
    bool centred_;
    bool ended_ = false;
    int result_ = 2;
};
