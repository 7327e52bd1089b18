#include "platform/qt/qt_lattice_view.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "app/lattice/lattice_header.h"
#include "app/session/session_commands.h"
#include "platform/qt/qt_lattice_paint.h"
#include "settings/lattice_placement.h"

namespace {

constexpr int kDefaultWidth = 760, kDefaultHeight = 440;

// The digit of a key on the top row or the keypad, also with Shift held, which types a symbol on
// most layouts; -1 for any other key. Under X the key's code names the digit on every layout.
int digitOfKey(const QKeyEvent& event)
{
    constexpr int kX11DigitRowFirst = 10, kX11DigitRowLast = 19;  // the keys "1" .. "9", "0"
    const int code = static_cast<int>(event.nativeScanCode());
    const bool onX = QGuiApplication::platformName() == QStringLiteral("xcb");
    if (onX && code >= kX11DigitRowFirst && code <= kX11DigitRowLast)
        return (code - kX11DigitRowFirst + 1) % 10;
    const int key = event.key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key - Qt::Key_0;
    // Shift with the digits on a US layout, where the code above is not known.
    static constexpr int kShifted[] = {Qt::Key_ParenRight, Qt::Key_Exclam, Qt::Key_At, Qt::Key_NumberSign,
                                       Qt::Key_Dollar, Qt::Key_Percent, Qt::Key_AsciiCircum, Qt::Key_Ampersand,
                                       Qt::Key_Asterisk, Qt::Key_ParenLeft};
    for (int digit = 0; digit < 10; ++digit)
        if (key == kShifted[digit])
            return digit;
    return -1;
}

}  // namespace

QtLatticeView::QtLatticeView(AppContext& app, LatticeFeed& feed)
    : app_(app), model_(feed, app.player, app.working)
{
    setWindowFlags(Qt::Window);
    setWindowTitle(QStringLiteral("lattice"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 200);
    setFocusPolicy(Qt::StrongFocus);  // the number keys reach it while it is the active window
    resize(kDefaultWidth, kDefaultHeight);
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kFrameMs);
    connect(&timer_, &QTimer::timeout, this, [this] { frame(); });
}

std::string QtLatticeView::placementPath() const
{
    return latticePlacementPath(app_.parameterFile.path);
}

void QtLatticeView::open()
{
    if (!placed_) {
        placed_ = true;
        if (std::optional<LatticePlacement> stored = loadLatticePlacement(placementPath())) {
            // A place off every screen (a screen since removed) is left to the default.
            const QRect rect(stored->left, stored->top, stored->width, stored->height);
            if (QGuiApplication::screenAt(rect.center())) {
                resize(stored->width, stored->height);
                move(stored->left, stored->top);
            }
        }
    }
    show();
    raise();
    activateWindow();
}

void QtLatticeView::savePlacement()
{
    if (!placed_ || app_.parameterFile.path.empty())
        return;
    saveLatticePlacement(placementPath(), LatticePlacement{x(), y(), width(), height()}, app_.layerMutes);
}

void QtLatticeView::changeMutes(const LayerMutes& mutes)
{
    setLayerMutes(app_, mutes);
    update();  // the marks change at once, also before Play
}

void QtLatticeView::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers others = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const int digit = others ? -1 : digitOfKey(*event);
    const std::optional<LayerMutes> mutes =
        digit < 0 ? std::nullopt : mutesAfterKey(app_.layerMutes, digit, event->modifiers() & Qt::ShiftModifier);
    if (!mutes) {
        QWidget::keyPressEvent(event);
        return;
    }
    changeMutes(*mutes);
    event->accept();
}

void QtLatticeView::mousePressEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    const int32_t layer = layerAtLabel(painted_, at.x(), at.y());
    if (event->button() != Qt::LeftButton || layer < 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    changeMutes(shift ? toggledSolo(app_.layerMutes, layer) : toggledMute(app_.layerMutes, layer));
    event->accept();
}

void QtLatticeView::frame()
{
    model_.poll(app_.clock.now());
    update();
}

void QtLatticeView::paintEvent(QPaintEvent*)
{
    const Clock::Duration now = app_.clock.now();
    std::vector<std::string> header = model_.header(latticeDeviceName(app_.devices, get(app_.player.deviceId)));
    if (std::string session = sessionHeaderLine(app_); !session.empty())
        header.push_back(session);  // peers and the session's tempo, while Link is on
    LatticeScene scene = model_.scene(now, latticeGeometryFor(font(), width(), height(), int(header.size())));
    markMutedRows(scene, app_.layerMutes);
    QPainter painter(this);
    paintLattice(painter, scene, header, model_.live(now) ? "playing" : "coming events", latticePaletteFor(palette()),
                 font());
    painted_ = std::move(scene);
}

void QtLatticeView::closeEvent(QCloseEvent* event)
{
    savePlacement();
    event->accept();  // hides it; the next Ctrl+L shows it again
}

void QtLatticeView::showEvent(QShowEvent*)
{
    frame();
    timer_.start();
}

void QtLatticeView::hideEvent(QHideEvent*)
{
    timer_.stop();
}
