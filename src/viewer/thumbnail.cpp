#include "viewer/thumbnail.h"

#include "viewer/area_scaler.h"

#include <algorithm>
#include <cmath>

namespace faxlens::viewer {

namespace {

// The page's sides in the same unit of length; pixels when its resolution is not known.
QSizeF PhysicalSides(const page::ViewedPage& page) {
    const page::PageSurface& surface = *page.Surface();
    const double xDpi =
        page.XDotsPerInch() > 0 && page.YDotsPerInch() > 0 ? page.XDotsPerInch() : 1;
    const double yDpi =
        page.XDotsPerInch() > 0 && page.YDotsPerInch() > 0 ? page.YDotsPerInch() : 1;
    return {surface.Width() / xDpi, surface.Height() / yDpi};
}

} // namespace

QImage ThumbnailOf(const page::ViewedPage& page, QSize box) {
    if (page.Surface() == nullptr || box.isEmpty())
        return {};
    const QSizeF sides = PhysicalSides(page);
    const double scale = std::min(box.width() / sides.width(), box.height() / sides.height());
    const int width =
        std::clamp(static_cast<int>(std::lround(sides.width() * scale)), 1, box.width());
    const int height =
        std::clamp(static_cast<int>(std::lround(sides.height() * scale)), 1, box.height());
    QImage thumbnail(width, height, QImage::Format_RGB888);
    const page::PageSurface& surface = *page.Surface();
    const PixelTarget target{thumbnail.bits(), width, height, thumbnail.bytesPerLine()};
    ScaleAreaAverage(SourceOf(surface), 0, 0, surface.Width(), surface.Height(), target, 0, 0,
                     width, height);
    return thumbnail;
}

} // namespace faxlens::viewer
