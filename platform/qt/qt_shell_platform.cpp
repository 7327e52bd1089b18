#include "platform/qt/qt_shell_platform.h"

#include <QAction>
#include <QEventLoop>
#include <QFileDialog>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <thread>
#include <utility>

#include "platform/qt/qt_lattice_view.h"
#include "platform/qt/qt_main_window.h"
#include "platform/qt/qt_message_box.h"
#include "platform/qt/qt_template_dialog.h"
#include "resources/dialog_template.h"

void QtShellPlatform::enableMenuItem(int commandId, bool enabled)
{
    if (window_)
        window_->setMenuItemEnabled(commandId, enabled);
}

void QtShellPlatform::enableButton(int commandId, bool enabled)
{
    if (window_)
        window_->controls().enable(commandId, enabled);
}

void QtShellPlatform::checkMenuItem(int commandId, bool checked)
{
    if (window_)
        window_->setMenuItemChecked(commandId, checked);
}

bool QtShellPlatform::isMenuItemChecked(int commandId)
{
    const QAction* action = window_ ? window_->menuAction(commandId) : nullptr;
    return action && action->isChecked();
}

void QtShellPlatform::setCaption(const std::string& caption)
{
    if (window_)
        window_->setWindowTitle(QString::fromStdString(caption));
}

WindowRect QtShellPlatform::windowRect()
{
    if (!window_)
        return {};
    const QRect frame = window_->frameGeometry();
    return {frame.x(), frame.y(), frame.x() + frame.width(), frame.y() + frame.height()};
}

void QtShellPlatform::moveWindow(int32_t left, int32_t top, int32_t, int32_t)
{
    if (window_)
        window_->move(left, top);
}

int32_t QtShellPlatform::screenWidth()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

int32_t QtShellPlatform::screenHeight()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0;
}

std::vector<WindowRect> QtShellPlatform::screenRects()
{
    std::vector<WindowRect> rects;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        rects.push_back({area.left(), area.top(), area.left() + area.width(), area.top() + area.height()});
    }
    return rects;
}

void QtShellPlatform::postClose()
{
    // Queued, so the command that asked for it returns before the window goes.
    if (window_)
        QTimer::singleShot(0, window_, [window = window_] { window->close(); });
}

int QtShellPlatform::runDialog(int templateId, DialogLogic& logic)
{
    const DialogTemplate* tpl = findDialogTemplate(templateId);
    if (!tpl)
        return -1;
    QtTemplateDialog dialog(*tpl, logic, window_);
    return dialog.run();
}

void QtShellPlatform::showMessage(const std::string& text, const std::string& caption, bool ownedByMainWindow)
{
    showMessageBox(QString::fromStdString(text), QString::fromStdString(caption),
                   ownedByMainWindow ? window_ : nullptr);
}

QString fileDialogFilter(const std::string& label, const std::string& pattern)
{
    QString patterns = QString::fromStdString(pattern);
    patterns.replace(';', ' ');
    const QString text = QString::fromStdString(label);
    if (text.endsWith(QStringLiteral("(%1)").arg(patterns)))
        return text;
    return QStringLiteral("%1 (%2)").arg(text, patterns);
}

std::optional<std::string> QtShellPlatform::askFileName(const FileDialogRequest& request)
{
    std::optional<FileChoice> choice = askFileChoice(request);
    if (!choice)
        return std::nullopt;
    return choice->path;
}

std::optional<FileChoice> QtShellPlatform::askFileChoice(const FileDialogRequest& request)
{
    QFileDialog dialog(window_, QString::fromStdString(request.title));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(request.saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    QStringList filters;
    for (const auto& [label, pattern] : request.filters)
        filters << fileDialogFilter(label, pattern);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (request.selectedFilter >= 0 && request.selectedFilter < filters.size())
            dialog.selectNameFilter(filters[request.selectedFilter]);
    }
    if (request.defaultSuffix.empty() && request.saving) {
        // Without a fixed suffix, the chosen filter's "*.ext" gives it, so that the overwrite
        // prompt sees the name that will be written.
        const auto suffixOf = [&request](int index) {
            const bool known = index >= 0 && index < static_cast<int>(request.filters.size());
            const std::string pattern = known ? request.filters[index].second : "";
            return pattern.rfind("*.", 0) == 0 && pattern.find_first_of("*;", 1) == std::string::npos
                       ? QString::fromStdString(pattern.substr(2))
                       : QString();
        };
        dialog.setDefaultSuffix(suffixOf(request.selectedFilter));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
            dialog.setDefaultSuffix(suffixOf(static_cast<int>(filters.indexOf(filter))));
        });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FileChoice{dialog.selectedFiles().first().toStdString(),
                      static_cast<int>(filters.indexOf(dialog.selectedNameFilter()))};
}

void QtShellPlatform::runInBackground(const std::string& caption, const std::function<void(WorkProgress&)>& work)
{
    WorkProgress progress;
    std::atomic<bool> done{false};
    work_ = &progress;
    std::thread worker([&] {
        work(progress);
        done = true;
    });

    // The worker is polled: no signal has to cross from it into this loop. The window keeps its
    // input meanwhile, so Stop, Exit, the close box and the lattice window work; the commands
    // refuse what must wait for the work (the application logic decides which).
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done || progress.cancelled())
            loop.quit();
    });
    poll.start(10);
    QTimer::singleShot(500, &loop, [&] { loop.quit(); });
    loop.exec();  // the first half second: no box yet

    if (!done && !progress.cancelled()) {
        // A percentage of the whole job, which the worker reports in permille. Modeless: it only
        // shows how far the work is and offers Cancel.
        QProgressDialog box(QString::fromStdString(caption) + QStringLiteral(" ..."), QStringLiteral("Cancel"), 0, 100,
                            window_);
        box.setWindowTitle(QString::fromStdString(caption));
        box.setWindowModality(Qt::NonModal);
        box.setMinimumDuration(0);
        box.setAutoClose(false);
        box.setAutoReset(false);
        const auto showProgress = [&] {
            box.setValue(std::max(0, progress.permille.load(std::memory_order_relaxed)) / 10);
            if (done)
                loop.quit();
        };
        QObject::connect(&poll, &QTimer::timeout, &box, showProgress);
        QObject::connect(&box, &QProgressDialog::canceled, &loop, [&] {
            progress.cancel = true;
            loop.quit();
        });
        showProgress();
        box.show();
        box.activateWindow();
        while (!done && !progress.cancelled())
            loop.exec();
    }
    // Cancelled: the box is gone and the worker stops at its next check, a few milliseconds away;
    // input waits for it.
    while (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    work_ = nullptr;
    if (std::exchange(closeAfterWork_, false))
        postClose();
}

bool QtShellPlatform::deferCloseUntilWorkEnds()
{
    if (!work_)
        return false;
    work_->cancel = true;
    closeAfterWork_ = true;
    return true;
}

void QtShellPlatform::showStatus(const std::string& text)
{
    if (window_)
        window_->showStatus(QString::fromStdString(text));
}

QtShellPlatform::QtShellPlatform() = default;
QtShellPlatform::~QtShellPlatform() = default;

void QtShellPlatform::setLatticeSources(AppContext* app, LatticeFeed* feed)
{
    latticeApp_ = app;
    latticeFeed_ = feed;
}

void QtShellPlatform::showLatticeView()
{
    if (!latticeApp_ || !latticeFeed_)
        return;
    if (!lattice_)
        lattice_ = std::make_unique<QtLatticeView>(*latticeApp_, *latticeFeed_);
    lattice_->open();
}

void QtShellPlatform::closeLatticeView()
{
    if (!lattice_)
        return;
    if (lattice_->isVisible())
        lattice_->savePlacement();
    lattice_.reset();
}
