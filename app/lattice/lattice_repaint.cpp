#include "app/lattice/lattice_repaint.h"

#include <algorithm>
#include <iterator>
#include <tuple>

namespace {

// Everything that decides how a cell is drawn, so equal keys paint equal pixels.
using CellLook = std::tuple<int32_t, uint32_t, bool, bool, bool, bool, double, double, double, double>;

std::vector<CellLook> looks(const LatticeScene& scene)
{
    std::vector<CellLook> result;
    result.reserve(scene.cells.size());
    for (const LatticeCellView& c : scene.cells)
        result.emplace_back(c.layer, c.index, c.alpha, c.sounding, c.openEnd, latticeCellPast(scene, c), c.rect.x,
                            c.rect.y, c.rect.width, c.rect.height);
    std::sort(result.begin(), result.end());
    return result;
}

LatticeRect grown(double x, double y, double width, double height)
{
    return {x - kLatticeRepaintMargin, y - kLatticeRepaintMargin, width + 2 * kLatticeRepaintMargin,
            height + 2 * kLatticeRepaintMargin};
}

bool sameRect(const LatticeRect& a, const LatticeRect& b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// The playhead's column from the top row to the bottom one.
LatticeRect playheadStrip(const LatticeScene& scene)
{
    const double top = scene.rows.front().lane.y;
    const double bottom = scene.rows.back().lane.y + scene.rows.back().lane.height;
    return grown(scene.playheadX, top, 0, bottom - top);
}

}  // namespace

bool latticeCellPast(const LatticeScene& scene, const LatticeCellView& cell)
{
    return scene.showPlayhead && cell.rect.x + cell.rect.width <= scene.playheadX && !cell.sounding;
}

LatticeRepaint latticeRepaint(const LatticeScene& before, const LatticeScene& after)
{
    LatticeRepaint repaint;
    if (before.rows.size() != after.rows.size()) {
        repaint.everything = true;
        return repaint;
    }
    for (size_t i = 0; i < after.rows.size(); ++i) {
        const LatticeRowView &a = before.rows[i], &b = after.rows[i];
        if (a.layer != b.layer || !sameRect(a.lane, b.lane) || !sameRect(a.labelBox, b.labelBox)) {
            repaint.everything = true;
            return repaint;
        }
        if (a.label != b.label || a.counter != b.counter)
            repaint.rects.push_back(b.labelBox);
    }

    if (!after.rows.empty() && (before.showPlayhead != after.showPlayhead || before.playheadX != after.playheadX)) {
        // One strip from where it stood to where it stands: a few pixels apart, painted at once.
        if (before.showPlayhead && after.showPlayhead) {
            const LatticeRect a = playheadStrip(before), b = playheadStrip(after);
            const double left = std::min(a.x, b.x), right = std::max(a.x + a.width, b.x + b.width);
            repaint.playhead = LatticeRect{left, a.y, right - left, a.height};
        } else {
            repaint.playhead = playheadStrip(before.showPlayhead ? before : after);
        }
    }

    // A cell without an identical twin in the other scene is painted again where it was and where
    // it is.
    const std::vector<CellLook> old = looks(before), now = looks(after);
    std::vector<CellLook> changed;
    std::set_symmetric_difference(old.begin(), old.end(), now.begin(), now.end(), std::back_inserter(changed));
    for (const CellLook& c : changed)
        repaint.rects.push_back(grown(std::get<6>(c), std::get<7>(c), std::get<8>(c), std::get<9>(c)));
    return repaint;
}
