// The main window: template 100 rendered under a menu bar, with the accelerator table. Every
// button, menu item and accelerator reaches `onCommand` with its command id. UI thread only.
#pragma once

#include <QMainWindow>

#include <functional>
#include <map>

#include "platform/qt/qt_template_renderer.h"

class QAction;
class QLabel;
class QShortcut;
class QTimer;

class QtMainWindow : public QMainWindow {
public:
    QtMainWindow(const DialogTemplate& tpl, const std::vector<MenuTemplate>& menus,
                 const std::vector<Accelerator>& accelerators);

    std::function<void(int commandId)> onCommand;
    // The close box (and QWidget::close) ask for the closing sequence; the window stays until
    // it is destroyed by that sequence.
    std::function<void()> onClose;

    QtControls& controls() { return *controls_; }
    QWidget* surface() const { return surface_; }
    QAction* menuAction(int commandId) const;  // nullptr: no menu item with this id
    const std::vector<QShortcut*>& shortcuts() const { return shortcuts_; }
    void setMenuItemEnabled(int commandId, bool enabled);
    void setMenuItemChecked(int commandId, bool checked);
    // A one-line note in the empty strip below the Exit button, gone after a few seconds; a long
    // path is shortened in the middle (the whole text is its tooltip).
    void showStatus(const QString& text);
    QLabel* statusLabel() const { return status_; }
    // Called once, after the window's first paint.
    void onFirstPaint(std::function<void()> painted) { firstPaint_ = std::move(painted); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void deliver(int commandId);
    void acceleratorFired(int commandId);

    QWidget* surface_;
    QtControls* controls_;
    std::map<int, QAction*> actions_;
    std::vector<QShortcut*> shortcuts_;
    QLabel* status_;
    QTimer* statusTimer_;
    std::function<void()> firstPaint_;
};
