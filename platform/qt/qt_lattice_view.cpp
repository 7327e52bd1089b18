#include "platform/qt/qt_lattice_view.h"

#include <QCloseEvent>
#include <QEvent>
#include <QPaintEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <cmath>
#include <cstring>

#include "app/lattice/lattice_header.h"
#include "app/lattice/lattice_repaint.h"
#include "app/window_placement.h"
#include "platform/qt/qt_lattice_paint.h"
#include "settings/lattice_placement.h"

namespace {

constexpr int kDefaultWidth = 760, kDefaultHeight = 440;

}  // namespace

QtLatticeView::QtLatticeView(AppContext& app, LatticeFeed& feed)
    : app_(app), model_(feed, app.player, app.working)
{
    setWindowFlags(Qt::Window);
    setWindowTitle(QStringLiteral("lattice"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 200);
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
    saveLatticePlacement(placementPath(), {x(), y(), width(), height()});
}

QtLatticeView::Frame QtLatticeView::compose()
{
    const Clock::Duration now = app_.clock.now();
    Frame f;
    f.header = model_.header(latticeDeviceName(app_.devices, get(app_.player.deviceId)));
    f.mode = model_.live(now) ? "playing" : "coming events";
    f.scene = model_.scene(now, latticeGeometryFor(font(), width(), height(), int(f.header.size())));
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
    if (rest && resting_ && shown_.valid && shown_.size == size() && restDevice_ == device &&
        std::memcmp(&restSettings_, &app_.working, sizeof restSettings_) == 0)
        return;
    resting_ = rest;
    restDevice_ = device;
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
        picture_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        picture_.setDevicePixelRatio(ratio);
        stale_ = rect();
    }
    const LatticePalette colours = latticePaletteFor(palette());
    if (!stale_.isEmpty()) {
        QPainter painter(&picture_);
        painter.setClipRegion(stale_);
        paintLattice(painter, shown_.scene, shown_.header, shown_.mode, colours, font(),
                     stale_ == QRegion(rect()) ? QRegion() : stale_, false);
        stale_ = QRegion();
    }
    QPainter painter(this);
    for (const QRect& r : event->region())
        painter.drawImage(r, picture_, QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
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
        stale_ = rect();
        update();
    }
    QWidget::changeEvent(event);
}
