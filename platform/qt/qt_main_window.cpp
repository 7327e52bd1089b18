#include "platform/qt/qt_main_window.h"

#include <utility>

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

namespace {

// The light-grey stock brush of the window class.
const QColor kBackground(192, 192, 192);
// How long a status note stays.
constexpr int kStatusMs = 8000;

}  // namespace

QtMainWindow::QtMainWindow(const DialogTemplate& tpl, const std::vector<MenuTemplate>& menus,
                           const std::vector<Accelerator>& accelerators)
{
    // A caption with system menu and close box; no minimise or maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromStdString(tpl.caption));

    surface_ = new QWidget(this);
    QPalette palette = surface_->palette();
    palette.setColor(QPalette::Window, kBackground);
    surface_->setPalette(palette);
    surface_->setAutoFillBackground(true);
    controls_ = new QtControls(tpl, surface_);
    surface_->setFixedSize(controls_->clientSize());
    setCentralWidget(surface_);
    controls_->onCommand = [this](int id) { deliver(id); };

    QMenuBar* bar = menuBar();
    bar->setFont(controls_->font());
    for (const MenuTemplate& menuTemplate : menus) {
        QMenu* menu = bar->addMenu(QString::fromStdString(menuTemplate.title));
        menu->setFont(controls_->font());
        for (const MenuItemTemplate& item : menuTemplate.items) {
            if (item.commandId == 0) {
                menu->addSeparator();
                continue;
            }
            // The text after the tab is shown at the right as the shortcut.
            QAction* action = menu->addAction(QString::fromStdString(item.text));
            action->setCheckable(item.checkable);
            const int id = item.commandId;
            connect(action, &QAction::triggered, this, [this, id] { deliver(id); });
            actions_[id] = action;
        }
    }

    for (const Accelerator& accelerator : accelerators) {
        QKeyCombination keys(Qt::ControlModifier | (accelerator.shift ? Qt::ShiftModifier : Qt::NoModifier),
                             static_cast<Qt::Key>(Qt::Key_A + (accelerator.key - 'A')));
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(false);
        const int id = accelerator.commandId;
        connect(shortcut, &QShortcut::activated, this, [this, id] { acceleratorFired(id); });
        shortcuts_.push_back(shortcut);
    }

    // The status note lives in the strip below the last button, which the template leaves empty,
    // so the window keeps its size; hidden until there is something to say.
    status_ = new QLabel(surface_);
    status_->setFont(controls_->font());
    const int statusHeight = status_->fontMetrics().height() + 4;
    status_->setGeometry(6, controls_->clientSize().height() - statusHeight - 4, controls_->clientSize().width() - 12,
                         statusHeight);
    status_->hide();
    statusTimer_ = new QTimer(this);
    statusTimer_->setSingleShot(true);
    connect(statusTimer_, &QTimer::timeout, status_, &QLabel::hide);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // Take the fixed size now: the placement reads the window's rectangle before it is shown.
    layout()->activate();
    adjustSize();
}

QAction* QtMainWindow::menuAction(int commandId) const
{
    auto found = actions_.find(commandId);
    return found == actions_.end() ? nullptr : found->second;
}

void QtMainWindow::setMenuItemEnabled(int commandId, bool enabled)
{
    if (QAction* action = menuAction(commandId))
        action->setEnabled(enabled);
}

void QtMainWindow::setMenuItemChecked(int commandId, bool checked)
{
    if (QAction* action = menuAction(commandId))
        action->setChecked(checked);
}

void QtMainWindow::showStatus(const QString& text)
{
    status_->setText(status_->fontMetrics().elidedText(text, Qt::ElideMiddle, status_->width()));
    status_->setToolTip(text);
    status_->show();
    status_->raise();
    statusTimer_->start(kStatusMs);
}

void QtMainWindow::deliver(int commandId)
{
    if (onCommand)
        onCommand(commandId);
}

void QtMainWindow::acceleratorFired(int commandId)
{
    // An accelerator acts only while its menu item is enabled; one without a menu item always.
    QAction* action = menuAction(commandId);
    if (action && !action->isEnabled())
        return;
    deliver(commandId);
}

void QtMainWindow::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    if (auto painted = std::exchange(firstPaint_, nullptr))
        painted();
}

void QtMainWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (onClose)
        onClose();
}
