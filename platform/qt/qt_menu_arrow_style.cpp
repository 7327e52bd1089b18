#include "platform/qt/qt_menu_arrow_style.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace {

// A "»" of two chevrons in the text colour, 16 px.
QIcon drawnExtensionArrow(const QColor& colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 1.5));
    for (const int x : {4, 9}) {
        const QPointF chevron[] = {{double(x), 4.0}, {x + 3.5, 8.0}, {double(x), 12.0}};
        painter.drawPolyline(chevron, 3);
    }
    return QIcon(pixmap);
}

}  // namespace

QIcon QtMenuArrowStyle::standardIcon(StandardPixmap which, const QStyleOption* option, const QWidget* widget) const
{
    if (which == SP_ToolBarHorizontalExtensionButton)
        return drawnExtensionArrow((widget ? widget->palette() : standardPalette()).color(QPalette::ButtonText));
    return QProxyStyle::standardIcon(which, option, widget);
}
