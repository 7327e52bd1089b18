// Painting of the lattice scene: colours for light and dark palettes, the cell shapes that tell
// alpha from beta without colour, the header, rows, counters and playhead.
#pragma once

#include <QPainter>
#include <QRegion>

#include <string>
#include <vector>

#include "app/lattice/lattice_layout.h"

struct LatticePalette {
    QColor background, lane, text, faintText, alpha, beta, outline, playhead;
};

// Dark when the window's own palette is dark.
LatticePalette latticePaletteFor(const QPalette& palette);

// Room the texts need, from the fonts in use: the header's height and the label column's width.
LatticeGeometry latticeGeometryFor(const QFont& font, int width, int height, int headerLines);

// Paints what lies in `area` (the whole window when it is empty), clipped to it; the rest is left as
// it is.
// Without `withPlayhead` the red line is left out, for a picture the playhead is drawn over.
void paintLattice(QPainter& painter, const LatticeScene& scene, const std::vector<std::string>& header,
                  const std::string& mode, const LatticePalette& colours, const QFont& font,
                  const QRegion& area = QRegion(), bool withPlayhead = true);

// The playhead alone, over a picture painted without it.
void paintPlayhead(QPainter& painter, const LatticeScene& scene, const LatticePalette& colours);
