#include "platform/qt/qt_lattice_view.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "app/lattice/lattice_header.h"
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

void QtLatticeView::frame()
{
    model_.poll(app_.clock.now());
    update();
}

void QtLatticeView::paintEvent(QPaintEvent*)
{
    const Clock::Duration now = app_.clock.now();
    const std::vector<std::string> header = model_.header(latticeDeviceName(app_.devices, get(app_.player.deviceId)));
    const LatticeScene scene = model_.scene(now, latticeGeometryFor(font(), width(), height(), int(header.size())));
    QPainter painter(this);
    paintLattice(painter, scene, header, model_.live(now) ? "playing" : "coming events", latticePaletteFor(palette()),
                 font());
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
