// What the lattice view must paint again between two scenes: the places where they differ, so a
// view at rest paints nothing and a playing one only the playhead's path, the cells whose look
// changed and the counters that moved. No Qt, UI thread.
#pragma once

#include <optional>
#include <vector>

#include "app/lattice/lattice_layout.h"

struct LatticeRepaint {
    bool everything = false;            // the rows moved: paint it all
    std::vector<LatticeRect> rects;     // else these changed, in logical pixels (may overlap)
    std::optional<LatticeRect> playhead;  // and the playhead moved over this strip (nothing else changed there)

    bool empty() const { return !everything && rects.empty() && !playhead; }
};

// Room around a cell or the playhead for the sounding outline and the antialiased edges, pixels.
inline constexpr double kLatticeRepaintMargin = 3.0;

// A cell is drawn faded once the playhead has passed its right edge and it no longer sounds.
bool latticeCellPast(const LatticeScene& scene, const LatticeCellView& cell);

LatticeRepaint latticeRepaint(const LatticeScene& before, const LatticeScene& after);
