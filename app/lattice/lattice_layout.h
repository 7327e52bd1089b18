// Where the lattice view draws what: rows per layer over a shared time axis, the cells, the
// sounding event of each layer, the counters and the header lines. Pure geometry, no Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/lattice/lattice_rhythm.h"

struct LatticeRect {
    double x = 0, y = 0, width = 0, height = 0;  // logical pixels
};

// The stretch of time the lanes show, and the playhead inside it.
struct LatticeWindow {
    Clock::Duration start{};
    Clock::Duration end{};
    Clock::Duration now{};  // where the playhead stands
};

// What the widget measured: its size and the room its texts take (from its fonts).
struct LatticeGeometry {
    double width = 0, height = 0;
    double headerHeight = 0;  // the header lines above the rows
    double labelWidth = 0;    // the label column left of the lanes
    double margin = 8;
};

struct LatticeRowView {
    int32_t layer = 0;
    std::string label;    // "layer 3"
    std::string counter;  // the layer's counter: events played so far
    LatticeRect labelBox;
    LatticeRect lane;
    bool muted = false;   // not heard: muted, or another layer soloed
    bool soloed = false;
};

struct LatticeCellView {
    int32_t layer = 0;
    bool alpha = false;
    bool sounding = false;  // the event now sounding on its layer
    bool openEnd = false;   // it goes on beyond what is known
    uint32_t index = 0;
    LatticeRect rect;
};

struct LatticeScene {
    std::vector<LatticeRowView> rows;  // top layer first
    std::vector<LatticeCellView> cells;
    double playheadX = 0;
    bool showPlayhead = false;
};

// The lanes' width in logical pixels, right of the label column.
double latticeLaneWidth(const LatticeGeometry& geometry);

// The most pixels a second of the lanes takes: a wider window shows more time instead of ever
// wider cells, so what moves on screen (playhead, page turns, cells lighting up) stays as costly
// to paint at 2560 pixels as at 800.
inline constexpr double kLatticeMaxPixelsPerSecond = 480.0;

// The time the lanes span: twelve of the longer layer-0 events, at least one second, and at least
// the lane width at the densest scale above.
Clock::Duration latticeSpan(const LatticeRhythm& rhythm, double laneWidth);

// While playing: pages that stand still while the playhead sweeps from a quarter to three quarters
// of the lanes, what was played to its left; then the page turns by half a span. Cells that stand
// still need no painting, only the playhead's path does.
LatticeWindow liveWindow(Clock::Duration now, Clock::Duration span);
// Before Play: the coming events from the left edge, where Play would start them.
LatticeWindow previewWindow(Clock::Duration span);

// One row per layer 0..topLayer, the top layer at the top. Cells outside the window are left out,
// cells crossing its edges are cut at them. With `live`, a cell with start <= now < end is
// marked sounding and the playhead is shown.
LatticeScene layoutLattice(const std::vector<LatticeCell>& cells, int32_t topLayer, const LayerCounters& counters,
                           const LatticeWindow& window, const LatticeGeometry& geometry, bool live);
