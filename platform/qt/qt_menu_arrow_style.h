// The desktop's own style with one icon drawn instead of loaded: the menu bar's extension arrow.
// Every QMenuBar asks its style for it when it is made, and the style reads it from an image file
// through Qt's image-format plugins, which loads each plugin library: a few ms before the first
// window, for an arrow our fixed-size window never shows. UI thread.
#pragma once

#include <QProxyStyle>

class QtMenuArrowStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap which, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};
