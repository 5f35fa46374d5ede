#include "ui/twips.h"

#include <QWidget>
#include <cmath>

namespace faxlens::ui {

LogicalDpi LogicalDpi::Of(const QWidget& widget) {
    return {static_cast<double>(widget.logicalDpiX()), static_cast<double>(widget.logicalDpiY())};
}

int TwipsToPixels(int twips, double dotsPerInch) {
    return static_cast<int>(std::nearbyint(twips * dotsPerInch / kTwipsPerInch));
}

QRect ToPixels(const TwipRect& rect, LogicalDpi dpi) {
    return {TwipsToPixels(rect.left, dpi.x), TwipsToPixels(rect.top, dpi.y),
            TwipsToPixels(rect.width, dpi.x), TwipsToPixels(rect.height, dpi.y)};
}

QSize ToPixels(const TwipSize& size, LogicalDpi dpi) {
    return {TwipsToPixels(size.width, dpi.x), TwipsToPixels(size.height, dpi.y)};
}

} // namespace faxlens::ui
