#include "app/lattice/lattice_layout.h"

#include <algorithm>

double latticeLaneWidth(const LatticeGeometry& geometry)
{
    return std::max(1.0, geometry.width - 2 * geometry.margin - geometry.labelWidth);
}

Clock::Duration latticeSpan(const LatticeRhythm& rhythm, double laneWidth)
{
    const Clock::Duration longest = std::max(rhythm.realLength(true), rhythm.realLength(false));
    const auto widthSpan = std::chrono::duration_cast<Clock::Duration>(
        std::chrono::duration<double>(std::max(0.0, laneWidth) / kLatticeMaxPixelsPerSecond));
    return std::max({12 * longest, Clock::Duration(std::chrono::seconds(1)), widthSpan});
}

LatticeWindow liveWindow(Clock::Duration now, Clock::Duration span)
{
    const Clock::Duration step = span / 2;
    if (step <= Clock::Duration::zero())
        return {now, now + span, now};
    // The page whose middle half holds `now` (floor division, so times before 0 page alike).
    Clock::Duration::rep page = now.count() / step.count();
    if (now.count() % step.count() < 0)
        --page;
    const Clock::Duration start = page * step - span / 4;
    return {start, start + span, now};
}

LatticeWindow previewWindow(Clock::Duration span)
{
    return {Clock::Duration::zero(), span, Clock::Duration::zero()};
}

LatticeScene layoutLattice(const std::vector<LatticeCell>& cells, int32_t topLayer, const LayerCounters& counters,
                           const LatticeWindow& window, const LatticeGeometry& geometry, bool live)
{
    LatticeScene scene;
    const int32_t rowCount = std::clamp(topLayer, 0, kLayerCount - 1) + 1;
    const double laneX = geometry.margin + geometry.labelWidth;
    const double laneWidth = latticeLaneWidth(geometry);
    const double top = geometry.headerHeight + geometry.margin;
    const double rowHeight = std::max(1.0, (geometry.height - top - geometry.margin) / rowCount);
    const double gap = std::clamp(rowHeight * 0.18, 2.0, 10.0);
    const double span = std::chrono::duration<double>(window.end - window.start).count();
    auto xAt = [&](Clock::Duration t) {
        const double share = span > 0 ? std::chrono::duration<double>(t - window.start).count() / span : 0.0;
        return laneX + std::clamp(share, 0.0, 1.0) * laneWidth;
    };

    for (int32_t row = 0; row < rowCount; ++row) {
        const int32_t layer = rowCount - 1 - row;
        const double y = top + row * rowHeight;
        scene.rows.push_back({layer, "layer " + std::to_string(layer + 1), std::to_string(counters[layer]),
                              {geometry.margin, y, geometry.labelWidth, rowHeight},
                              {laneX, y, laneWidth, rowHeight}});
    }

    for (const LatticeCell& cell : cells) {
        if (cell.layer < 0 || cell.layer >= rowCount)
            continue;
        if (cell.end <= window.start || cell.start >= window.end)
            continue;
        const LatticeRowView& row = scene.rows[rowCount - 1 - cell.layer];
        const double left = xAt(cell.start), right = xAt(cell.end);
        LatticeCellView view;
        view.layer = cell.layer;
        view.alpha = cell.alpha;
        view.index = cell.index;
        view.openEnd = !cell.endKnown && cell.end <= window.end;
        view.sounding = live && cell.start <= window.now && window.now < cell.end;
        view.rect = {left, row.lane.y + gap / 2, std::max(1.0, right - left), row.lane.height - gap};
        scene.cells.push_back(view);
    }

    scene.showPlayhead = live;
    scene.playheadX = xAt(window.now);
    return scene;
}
