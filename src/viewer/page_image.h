#pragma once

// The page as a picture for the world outside the viewer: the clipboard and the printer. One bit
// a pixel while the page holds two colours, 24 bits once it holds more, with the page's
// resolution so that other programs know its physical size.

#include "page/page_surface.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>

namespace faxlens::viewer {

QRgb ToQRgb(page::ColourValue colour);

// The page's pixels; xRes and yRes are its dots per inch, 0 when unknown.
QImage PageImage(const page::PageSurface& page, int32_t xRes, int32_t yRes);

// Where a page of pageInches (width and height in inches) goes on a printable area of
// areaInches: at its physical size, scaled down (keeping its proportions) only when larger than
// the area, and centred. In inches from the area's top-left corner.
QRectF PrintedPlace(QSizeF pageInches, QSizeF areaInches);

// The page's physical size in inches, as a PDF page gets it (see InchesOf).
QSizeF PageInches(const page::PageSurface& page, int32_t xRes, int32_t yRes);

} // namespace faxlens::viewer
