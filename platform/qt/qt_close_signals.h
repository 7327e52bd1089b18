// Delivers SIGTERM, SIGINT and SIGHUP to the UI thread: a socket notifier on the signals' pipe
// calls `onSignal` from the event loop (also from a dialog's or a box's own loop).
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

class QtCloseSignals : public QObject {
public:
    // Installs the handlers (CloseSignals::install); without a pipe nothing is delivered and the
    // signals keep their default action.
    explicit QtCloseSignals(std::function<void(int signal)> onSignal);

private:
    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};
