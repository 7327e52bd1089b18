#include "platform/qt/qt_lattice_paint.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QPalette>

#include "app/lattice/lattice_repaint.h"

namespace {

QFont scaled(const QFont& font, double factor, bool bold = false)
{
    QFont f = font;
    f.setPointSizeF(font.pointSizeF() * factor);
    f.setBold(bold);
    return f;
}

// `top` seen at `alpha` over `bottom`: the opaque colour that blending would give. Cells are painted
// in such colours over their known backdrop, because an opaque fill is a plain memory fill, several
// times cheaper than blending on the wide cells of a large window.
QColor over(const QColor& top, const QColor& bottom, double alpha)
{
    const auto mix = [alpha](double a, double b) { return a * alpha + b * (1.0 - alpha); };
    return QColor::fromRgbF(float(mix(top.redF(), bottom.redF())), float(mix(top.greenF(), bottom.greenF())),
                            float(mix(top.blueF(), bottom.blueF())));
}

// A bar cut short a little outside `clip`, so that drawing it costs what the clip shows and not its
// whole length (a lane or a high layer's cell is up to a window wide, and a playhead's strip a few
// pixels). Its ends, beyond the clip by `reach` (more than twice a corner's radius, so the corners
// keep their shape), are never seen; its straight edges inside are the same. A null clip leaves the
// bar whole.
QRectF trimmed(const QRectF& bar, const QRect& clip, double reach)
{
    if (clip.isNull())
        return bar;
    QRectF r = bar;
    r.setLeft(std::max(r.left(), clip.left() - reach));
    r.setRight(std::min(r.right(), clip.right() + 1 + reach));
    return r.width() > 0 ? r : bar;
}

// Alpha: a rounded bar with a round mark at its start. Beta, which closes each cycle: a square bar
// with a diamond mark. Both keep their shapes in grey. Played cells are faded, coming ones a little,
// and a silenced layer's cells are seen at `opacity` over `backdrop`.
void paintCell(QPainter& p, const LatticeCellView& cell, const LatticePalette& c, bool past, const QColor& backdrop,
               double opacity = 1.0, const QRect& clip = QRect())
{
    const QRectF r(cell.rect.x, cell.rect.y, cell.rect.width, cell.rect.height);
    const QColor base = cell.alpha ? c.alpha : c.beta;
    const double strength = opacity * (past ? 0.35 : cell.sounding ? 1.0 : 0.7);
    const QColor fill = over(base, backdrop, strength);
    p.setPen(cell.sounding ? QPen(over(c.outline, backdrop, opacity), 2.5)
                           : QPen(over(base.darker(140), backdrop, strength), 1.0));
    p.setBrush(fill);
    const double radius = std::min(r.height(), r.width()) * 0.35;
    const QRectF body = trimmed(r.adjusted(0.5, 0.5, -0.5, -0.5), clip, 2 * radius + 4.0);
    if (cell.alpha)
        p.drawRoundedRect(body, radius, radius);
    else
        p.drawRect(body);

    const double mark = std::min(r.height() * 0.42, 14.0);
    if (r.width() < mark * 1.6)
        return;
    const QPointF centre(r.left() + mark * 0.5 + 4.0, r.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(over(cell.sounding ? c.outline : c.background, fill, opacity));
    if (cell.alpha) {
        p.drawEllipse(centre, mark * 0.4, mark * 0.4);
    } else {
        QPainterPath diamond;
        diamond.moveTo(centre + QPointF(0, -mark * 0.5));
        diamond.lineTo(centre + QPointF(mark * 0.5, 0));
        diamond.lineTo(centre + QPointF(0, mark * 0.5));
        diamond.lineTo(centre + QPointF(-mark * 0.5, 0));
        diamond.closeSubpath();
        p.drawPath(diamond);
    }
}

// A badge at the left of a row's label: "M" on a muted (or, during a solo, silenced) layer, "S" on
// the soloed one, so the state reads without colour too.
void paintMuteMark(QPainter& p, const LatticeRowView& row, const LatticePalette& c, const QFont& font)
{
    if (!row.muted && !row.soloed)
        return;
    const QFontMetricsF m(font);
    const double size = std::min(row.labelBox.height - 4.0, m.height() + 4.0);
    if (size < 6.0)
        return;
    const QRectF badge(row.labelBox.x, row.labelBox.y + (row.labelBox.height - size) / 2, size, size);
    p.setPen(QPen(row.soloed ? c.playhead : c.faintText, 1.5));
    p.setBrush(row.soloed ? c.playhead : c.background);
    p.drawRoundedRect(badge, 3, 3);
    p.setFont(font);
    p.setPen(row.soloed ? c.background : c.faintText);
    p.drawText(badge, Qt::AlignCenter, row.soloed ? QStringLiteral("S") : QStringLiteral("M"));
}

void paintLegend(QPainter& p, const LatticePalette& c, const QFont& font, double right, double baseline)
{
    p.setFont(font);
    const QFontMetricsF m(font);
    double x = right;
    for (bool alpha : {false, true}) {
        const QString label = alpha ? QStringLiteral("alpha") : QStringLiteral("beta");
        x -= m.horizontalAdvance(label);
        p.setPen(c.text);
        p.drawText(QPointF(x, baseline), label);
        const double h = m.ascent();
        x -= h * 1.6 + 4;
        LatticeCellView sample;
        sample.alpha = alpha;
        sample.rect = {x, baseline - h, h * 1.6, h};
        paintCell(p, sample, c, false, c.background);
        x -= 14;
    }
}

}  // namespace

LatticePalette latticePaletteFor(const QPalette& palette)
{
    if (palette.color(QPalette::Window).lightness() < 128)
        return {QColor(24, 26, 31), QColor(36, 39, 46), QColor(230, 232, 236), QColor(150, 156, 168),
                QColor(64, 196, 214), QColor(242, 160, 60), QColor(255, 255, 255), QColor(255, 92, 120)};
    return {QColor(250, 250, 247), QColor(236, 237, 240), QColor(28, 30, 36), QColor(105, 110, 122),
            QColor(22, 140, 170), QColor(222, 120, 20), QColor(20, 22, 28), QColor(214, 40, 70)};
}

LatticeGeometry latticeGeometryFor(const QFont& font, int width, int height, int headerLines)
{
    const QFontMetricsF body(font), title(scaled(font, 1.25, true));
    LatticeGeometry g;
    g.width = width;
    g.height = height;
    g.margin = std::max(8.0, body.height() * 0.6);
    g.headerHeight = title.height() + (headerLines - 1) * body.height() + g.margin;
    g.labelWidth = body.horizontalAdvance(QStringLiteral("layer 8  #0000000")) + g.margin;
    return g;
}

void paintPlayhead(QPainter& p, const LatticeScene& scene, const LatticePalette& c)
{
    if (!scene.showPlayhead || scene.rows.empty())
        return;
    const double top = scene.rows.front().lane.y - 2;
    const double bottom = scene.rows.back().lane.y + scene.rows.back().lane.height + 2;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(c.playhead, 2.0));
    p.drawLine(QPointF(scene.playheadX, top), QPointF(scene.playheadX, bottom));
}

void paintLattice(QPainter& p, const LatticeScene& scene, const std::vector<std::string>& header,
                  const std::string& mode, const LatticePalette& c, const QFont& font, const QRegion& area,
                  bool withPlayhead)
{
    if (area.rectCount() > 1) {
        // One rectangle at a time: a clip of one rectangle is cheap, while a clip of many makes
        // every span of every shape be cut against all of them.
        for (const QRect& r : area)
            paintLattice(p, scene, header, mode, c, font, QRegion(r), false);
        p.setClipRegion(area);
        if (withPlayhead)
            paintPlayhead(p, scene, c);
        return;
    }
    const QRect clip = area.boundingRect();  // null for the whole window
    if (!area.isEmpty())
        p.setClipRect(clip);
    // Only what reaches into the area is drawn: a view that changed in a few places repaints those.
    const auto inArea = [&](const QRectF& r) {
        return area.isEmpty() || area.intersects(r.adjusted(-kLatticeRepaintMargin, -kLatticeRepaintMargin,
                                                            kLatticeRepaintMargin, kLatticeRepaintMargin)
                                                     .toAlignedRect());
    };
    p.setRenderHint(QPainter::Antialiasing);
    if (area.isEmpty())
        p.fillRect(p.window(), c.background);
    else
        for (const QRect& r : area)
            p.fillRect(r, c.background);
    const QFont titleFont = scaled(font, 1.25, true);
    const QFont smallFont = scaled(font, 0.85);
    const QFontMetricsF titleMetrics(titleFont), bodyMetrics(font);
    const double margin = std::max(8.0, bodyMetrics.height() * 0.6);
    const double right = p.window().width() - margin;

    // Header: the numeral large, then the settings; the mode and the legend at the right.
    const double headerBottom = scene.rows.empty() ? p.window().height() : scene.rows.front().lane.y;
    const bool headerInArea = inArea(QRectF(0, 0, p.window().width(), headerBottom));
    double y = margin + titleMetrics.ascent();
    for (size_t i = 0; i < header.size() && headerInArea; ++i) {
        p.setFont(i == 0 ? titleFont : font);
        p.setPen(i == 0 ? c.text : c.faintText);
        p.drawText(QPointF(margin, y), QString::fromStdString(header[i]));
        y += i == 0 ? titleMetrics.descent() + bodyMetrics.ascent() + 2 : bodyMetrics.height();
    }
    if (headerInArea) {
        p.setFont(font);
        p.setPen(c.text);
        const QString modeText = QString::fromStdString(mode);
        p.drawText(QPointF(right - bodyMetrics.horizontalAdvance(modeText), margin + titleMetrics.ascent()), modeText);
        paintLegend(p, c, smallFont, right, margin + titleMetrics.height() + bodyMetrics.ascent());
    }

    // Rows: label and counter at the left, the lane behind the cells. A silenced row is faded.
    uint32_t silenced = 0;
    for (const LatticeRowView& row : scene.rows) {
        if (row.muted && row.layer >= 0 && row.layer < 32)
            silenced |= 1u << row.layer;
        const QRectF lane(row.lane.x, row.lane.y + 1, row.lane.width, row.lane.height - 2);
        if (inArea(lane)) {
            p.setPen(Qt::NoPen);
            p.setBrush(row.muted ? over(c.lane, c.background, 0.45) : c.lane);
            p.drawRoundedRect(trimmed(lane, clip, 12.0), 4, 4);
        }
        if (!inArea(QRectF(row.labelBox.x, row.labelBox.y, row.labelBox.width, row.labelBox.height)))
            continue;
        paintMuteMark(p, row, c, smallFont);
        const QRectF label(row.labelBox.x, row.labelBox.y, row.labelBox.width - margin * 0.5, row.labelBox.height);
        p.setFont(font);
        p.setPen(row.muted ? c.faintText : c.text);
        const bool twoLines = label.height() >= bodyMetrics.height() * 2;
        const QString name = QString::fromStdString(row.label);
        const QString counter = QStringLiteral("#") + QString::fromStdString(row.counter);
        if (twoLines) {
            const QRectF upper(label.x(), label.center().y() - bodyMetrics.height(), label.width(), bodyMetrics.height());
            p.drawText(upper, Qt::AlignRight | Qt::AlignVCenter, name);
            p.setFont(smallFont);
            p.setPen(c.faintText);
            p.drawText(upper.translated(0, bodyMetrics.height()), Qt::AlignRight | Qt::AlignVCenter, counter);
        } else {
            p.drawText(label, Qt::AlignRight | Qt::AlignVCenter, name + QStringLiteral("  ") + counter);
        }
    }

    const QColor mutedLane = over(c.lane, c.background, 0.45);
    for (const LatticeCellView& cell : scene.cells) {
        if (!inArea(QRectF(cell.rect.x, cell.rect.y, cell.rect.width, cell.rect.height)))
            continue;
        const bool muted = cell.layer >= 0 && cell.layer < 32 && ((silenced >> cell.layer) & 1u) != 0;
        if (muted)
            paintCell(p, cell, c, latticeCellPast(scene, cell), mutedLane, 0.3, clip);
        else
            paintCell(p, cell, c, latticeCellPast(scene, cell), c.lane, 1.0, clip);
    }

    if (withPlayhead)
        paintPlayhead(p, scene, c);
}
