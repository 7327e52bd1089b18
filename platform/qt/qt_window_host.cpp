#include "platform/qt/qt_window_host.h"

#include <utility>

#include <QApplication>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>

#include "platform/qt/qt_error_reporter.h"
#include "platform/qt/qt_main_window.h"
#include "platform/qt/qt_shell_platform.h"
#include "resources/command_ids.h"
#include "resources/dialog_template.h"

QtWindowHost::QtWindowHost(QtShellPlatform& shell, QtErrorReporter* reporter, std::string lockPath)
    : shell_(shell), reporter_(reporter), lock_(lockPath), receiver_(handoverSocketPath(lockPath))
{
    deliveryRetry_.setInterval(100);
    QObject::connect(&deliveryRetry_, &QTimer::timeout, [this] { deliverFiles(); });
}

QtWindowHost::~QtWindowHost() = default;

bool QtWindowHost::acquireSingleInstance()
{
    if (!lock_.acquire())
        return false;
    listenForFiles();
    if (onInstanceAcquired)
        onInstanceAcquired();
    return true;
}

void QtWindowHost::releaseSingleInstance()
{
    notifier_.reset();
    receiver_.close();
    deliveryRetry_.stop();
    handedOver_.clear();
    lock_.release();
}

void QtWindowHost::listenForFiles()
{
    if (!receiver_.listen())
        return;  // this copy runs on; a second start's file then goes nowhere
    notifier_ = std::make_unique<QSocketNotifier>(receiver_.fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        while (std::optional<std::string> path = receiver_.receive())
            handedOver_.push_back(std::move(*path));
        deliverFiles();
    });
}

void QtWindowHost::deliverFiles()
{
    // A restore under an open dialog would be undone by the dialog's OK; a box may be the
    // start-up's own. The file waits for the window alone.
    while (!handedOver_.empty()) {
        const QtMainWindow* window = shell_.mainWindow();
        if (!window || !window->isVisible() || QApplication::activeModalWidget()) {
            deliveryRetry_.start();
            return;
        }
        const std::string path = std::move(handedOver_.front());
        handedOver_.pop_front();
        if (onFileHandedOver)
            onFileHandedOver(path);
    }
    deliveryRetry_.stop();
}

bool QtWindowHost::handFileToRunningCopy(const std::string& path)
{
    if (handFileOver(receiver_.path(), path))
        return true;
    std::fprintf(stderr, "pulselattice: another copy runs, but %s could not be handed to it\n", path.c_str());
    return false;
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
