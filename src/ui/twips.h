#pragma once

// Window geometry is designed in twips (1/1440 inch). Positions and sizes stay twip constants and
// become pixels only here: pixels = twips x logical dpi / 1440, that is 15 twips a pixel at 96 dpi.

#include <QRect>
#include <QSize>

class QWidget;

namespace faxlens::ui {

inline constexpr int kTwipsPerInch = 1440;

struct TwipRect {
    int left;
    int top;
    int width;
    int height;
};

struct TwipSize {
    int width;
    int height;
};

// Logical dots per inch across and down; the pixels of widget geometry.
struct LogicalDpi {
    double x;
    double y;

    static LogicalDpi Of(const QWidget& widget);
};

// Rounds to the nearest pixel, a half to the even neighbour.
int TwipsToPixels(int twips, double dotsPerInch);

QRect ToPixels(const TwipRect& rect, LogicalDpi dpi);
QSize ToPixels(const TwipSize& size, LogicalDpi dpi);

} // namespace faxlens::ui
