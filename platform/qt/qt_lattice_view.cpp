#include "platform/qt/qt_lattice_view.h"

#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <cmath>
#include <cstring>

#include "app/commands.h"
#include "app/lattice/lattice_header.h"
#include "app/lattice/lattice_repaint.h"
#include "app/session/session_commands.h"
#include "app/window_placement.h"
#include "engine/midi_port.h"
#include "platform/qt/qt_lattice_paint.h"
#include "resources/command_ids.h"
#include "settings/lattice_placement.h"
#include "settings/side_file.h"

namespace {

// "latency 10.7 ms + offset 5 ms": what the open output's messages are sent early by.
std::string compensationItem(AppContext& app)
{
    return compensationHeaderItem(portReportedLatency(app.player), portOutputOffset(app.player));
}

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
    : app_(app), model_(feed, app.player, app.working, app.transport.session)
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
    return sideFilePath(app_.parameterFile.path, kLatticePlacementFile);
}

void QtLatticeView::open()
{
    if (!placed_) {
        placed_ = true;
        if (std::optional<LatticePlacement> stored = loadLatticePlacement(placementPath())) {
            // A place off every screen (a screen since removed) is left to the default; a size
            // beyond the largest screen is cut to it.
            if (const std::optional<WindowRect> fit = fitPlacementToScreens(stored->left, stored->top, stored->width,
                                                                            stored->height, app_.shell.screenRects())) {
                resize(fit->right - fit->left, fit->bottom - fit->top);
                move(fit->left, fit->top);
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
    // The marks change at once, also before Play and at rest: everything is painted again.
    resting_ = false;
    shown_.valid = false;
    stale_ = rect();
    update();
}


void QtLatticeView::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers others = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (event->key() == Qt::Key_T && event->modifiers() == Qt::NoModifier) {  // the Tap key
        dispatchCommand(app_, Command::TapTempo);
        event->accept();
        return;
    }
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
    const int32_t layer = layerAtLabel(shown_.scene, at.x(), at.y());
    if (event->button() != Qt::LeftButton || layer < 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    changeMutes(shift ? toggledSolo(app_.layerMutes, layer) : toggledMute(app_.layerMutes, layer));
    event->accept();
}

QtLatticeView::Frame QtLatticeView::compose()
{
    const Clock::Duration now = app_.clock.now();
    Frame f;
    f.header = model_.header(latticeDeviceName(app_.devices, get(app_.player.deviceId)));
    if (std::string session = sessionHeaderLine(app_); !session.empty())
        f.header.push_back(session);  // peers and the session's tempo, while Link is on
    if (std::string compensation = compensationItem(app_); !compensation.empty())
        f.header.push_back(compensation);  // what the output's messages are sent early by
    f.mode = model_.live(now) ? "playing" : "coming events";
    // Measuring the texts shapes them with the font: done again only when the size or the header's
    // line count changed, or the font did (changeEvent).
    if (!geometry_ || geometry_->width != width() || geometry_->height != height() ||
        geometryHeaderLines_ != int(f.header.size())) {
        geometry_ = latticeGeometryFor(font(), width(), height(), int(f.header.size()));
        geometryHeaderLines_ = int(f.header.size());
    }
    f.scene = model_.scene(now, *geometry_);
    markMutedRows(f.scene, app_.layerMutes);
    // The playhead stands on whole pixels, so it moves (and is painted again) one pixel at a time.
    f.scene.playheadX = std::round(f.scene.playheadX);
    f.size = size();
    f.valid = true;
    return f;
}

void QtLatticeView::frame()
{
    const Clock::Duration now = app_.clock.now();
    const bool fed = model_.poll(now);
    const bool rest = !fed && !model_.live(now);
    const int32_t device = get(app_.player.deviceId);
    std::string session = sessionHeaderLine(app_) + compensationItem(app_);  // these may change at rest
    if (rest && resting_ && shown_.valid && shown_.size == size() && restDevice_ == device &&
        restSession_ == session && std::memcmp(&restSettings_, &app_.working, sizeof restSettings_) == 0)
        return;
    resting_ = rest;
    restDevice_ = device;
    restSession_ = std::move(session);
    std::memcpy(&restSettings_, &app_.working, sizeof restSettings_);
    Frame next = compose();
    if (!shown_.valid || next.size != shown_.size || next.header != shown_.header || next.mode != shown_.mode) {
        stale_ = rect();
        update();
    } else {
        const LatticeRepaint repaint = latticeRepaint(shown_.scene, next.scene);
        if (repaint.everything) {
            stale_ = rect();
            update();
        }
        for (const LatticeRect& r : repaint.rects) {
            const QRect area = QRectF(r.x, r.y, r.width, r.height).toAlignedRect();
            stale_ += area;
            update(area);
        }
        if (repaint.playhead)
            update(QRectF(repaint.playhead->x, repaint.playhead->y, repaint.playhead->width, repaint.playhead->height)
                       .toAlignedRect());
    }
    shown_ = std::move(next);
}

void QtLatticeView::paintEvent(QPaintEvent* event)
{
    // A whole painting (a resize, a first showing, a grab) is made from a fresh scene.
    if (!shown_.valid || shown_.size != size() || QRegion(rect()).subtracted(event->region()).isEmpty()) {
        shown_ = compose();
        stale_ = rect();
    }
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (picture_.size() != pixels || picture_.devicePixelRatioF() != ratio) {
        picture_ = QImage(pixels, QImage::Format_RGB32);
        picture_.setDevicePixelRatio(ratio);
        stale_ = rect();
    }
    const LatticePalette colours = latticePaletteFor(palette());
    if (!stale_.isEmpty()) {
        QPainter painter(&picture_);
        paintLattice(painter, shown_.scene, shown_.header, shown_.mode, colours, font(),
                     stale_ == QRegion(rect()) ? QRegion() : stale_, false);
        stale_ = QRegion();
    }
    QPainter painter(this);
    for (const QRect& r : event->region()) {
        painter.setClipRect(r);  // a one-rectangle clip lets the copy be a plain blit
        painter.drawImage(r, picture_, QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
    }
    painter.setClipRegion(event->region());
    paintPlayhead(painter, shown_.scene, colours);
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
    shown_.valid = false;
}

void QtLatticeView::changeEvent(QEvent* event)
{
    // A new palette or font: everything is painted again from a scene measured with it.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::StyleChange) {
        shown_.valid = false;
        geometry_.reset();
        stale_ = rect();
        update();
    }
    QWidget::changeEvent(event);
}
