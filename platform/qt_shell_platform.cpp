#include "platform/qt_shell_platform.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "platform/qt_lattice_view.h"
#include "platform/qt_main_window.h"
#include "platform/qt_message_box.h"
#include "platform/qt_template_dialog.h"
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
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(label), patterns);
}

std::optional<std::string> QtShellPlatform::askFileName(const FileDialogRequest& request)
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
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
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
