#include "platform/qt/qt_window_host.h"

#include <utility>

#include <QCoreApplication>

#include "platform/qt/qt_error_reporter.h"
#include "platform/qt/qt_main_window.h"
#include "platform/qt/qt_shell_platform.h"
#include "resources/command_ids.h"
#include "resources/dialog_template.h"

QtWindowHost::QtWindowHost(QtShellPlatform& shell, QtErrorReporter* reporter, std::string lockPath)
    : shell_(shell), reporter_(reporter), lock_(std::move(lockPath))
{
}

bool QtWindowHost::acquireSingleInstance()
{
    if (!lock_.acquire())
        return false;
    if (onInstanceAcquired)
        onInstanceAcquired();
    return true;
}

void QtWindowHost::releaseSingleInstance()
{
    lock_.release();
}

bool QtWindowHost::createMainWindow()
{
    const DialogTemplate* tpl = findDialogTemplate(Template::MainWindow);
    if (!tpl)
        return false;
    auto* window = new QtMainWindow(*tpl, mainMenu(), acceleratorTable());
    window->onCommand = [this](int id) {
        if (onCommand)
            onCommand(id);
    };
    window->onClose = [this] {
        if (onClose)
            onClose();
    };
    window->move(0, 0);  // until the parameter file places it
    shell_.setMainWindow(window);
    return true;
}

void QtWindowHost::showMainWindow()
{
    if (QtMainWindow* window = shell_.mainWindow()) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void QtWindowHost::whenWindowShown(std::function<void()> step)
{
    // A window is painted in the event loop's first rounds after it is shown: the step waits for
    // the first paint, so nothing it does holds up the window on the screen.
    afterShown_ = std::move(step);
    afterShownTimer_.setSingleShot(true);
    QObject::connect(&afterShownTimer_, &QTimer::timeout, [this] {
        if (auto step = std::exchange(afterShown_, nullptr))
            step();
    });
    afterShownTimer_.start(200);
    if (QtMainWindow* window = shell_.mainWindow())
        window->onFirstPaint([this] { afterShownTimer_.start(0); });
}

void QtWindowHost::destroyMainWindow()
{
    shell_.closeLatticeView();
    if (QtMainWindow* window = shell_.mainWindow()) {
        shell_.setMainWindow(nullptr);
        window->hide();
        window->deleteLater();
    }
    QCoreApplication::exit(0);
}

void QtWindowHost::releaseWaitingThreads()
{
    if (reporter_)
        reporter_->closeForeignBoxes();
}
