#include "platform/qt/qt_control_input.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "app/control/control_desk.h"
#include "platform/sound/control_ports.h"

namespace {

constexpr int kFeedbackMs = 20;               // how often the feedback looks for changes
constexpr int kTicksPerJackLook = 1000 / kFeedbackMs;  // the JACK server is looked for every second

}  // namespace

QtControlInput::QtControlInput(ControlPorts& ports, ControlDesk& desk, std::function<void()> mutesChanged)
    : ports_(ports), desk_(desk), mutesChanged_(std::move(mutesChanged))
{
    if (ports_.inbox().wakeFd() >= 0) {
        notifier_ = new QSocketNotifier(ports_.inbox().wakeFd(), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { deliver(); });
    }
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] { tick(); });
    timer_->start(kFeedbackMs);
}

void QtControlInput::deliver()
{
    ports_.inbox().drain([this](const ControlMessage& message) {
        const LayerMutes before = desk_.app().layerMutes;
        // A dialog or box is up: the menu and keys are shut, and so are the transport's commands.
        desk_.handle(message, QApplication::activeModalWidget() != nullptr);
        if (!(desk_.app().layerMutes == before) && mutesChanged_)
            mutesChanged_();
    });
}

void QtControlInput::tick()
{
    for (const uint32_t message : desk_.feedbackChanges())
        ports_.sendFeedback(message);
    if (++ticks_ % kTicksPerJackLook == 0)
        ports_.followJackServer();
}
