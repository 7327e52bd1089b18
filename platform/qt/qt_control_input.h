// The control input on the UI thread: a socket notifier on the inbox's eventfd hands each queued
// message to the ControlDesk (also inside a dialog's or box's own loop); a timer sends the
// feedback for what changed and keeps the JACK ports following the server. UI thread only.
#pragma once

#include <QObject>

#include <functional>

class ControlDesk;
class ControlPorts;
class QSocketNotifier;
class QTimer;

class QtControlInput : public QObject {
public:
    // `mutesChanged` runs after a message changed the layer mutes (the lattice window repaints).
    QtControlInput(ControlPorts& ports, ControlDesk& desk, std::function<void()> mutesChanged);

private:
    void deliver();
    void tick();

    ControlPorts& ports_;
    ControlDesk& desk_;
    std::function<void()> mutesChanged_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* timer_ = nullptr;
    int ticks_ = 0;
};
