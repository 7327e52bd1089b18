#include "platform/qt/qt_close_signals.h"

#include <QSocketNotifier>

#include "platform/os/close_signals.h"

QtCloseSignals::QtCloseSignals(std::function<void(int signal)> onSignal) : onSignal_(std::move(onSignal))
{
    if (!CloseSignals::install())
        return;
    notifier_ = new QSocketNotifier(CloseSignals::readEnd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        const int signal = CloseSignals::take();
        if (signal != 0 && onSignal_)
            onSignal_(signal);
    });
}
