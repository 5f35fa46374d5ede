#include "viewer/page_surface.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace faxlens {

namespace {

void SetPixel(uint8_t* p, ColourValue colour) {
    p[0] = colour & 0xFF;
    p[1] = (colour >> 8) & 0xFF;
    p[2] = (colour >> 16) & 0xFF;
}

// Black and white have three equal bytes, so a run of them is one memset.
bool IsGreyOfOneByte(ColourValue colour) {
    return (colour & 0xFF) == ((colour >> 8) & 0xFF) && (colour & 0xFF) == ((colour >> 16) & 0xFF);
}

void FillPixels(uint8_t* p, std::size_t count, ColourValue colour) {
    if (IsGreyOfOneByte(colour)) {
        std::memset(p, static_cast<int>(colour & 0xFF), count * 3);
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        SetPixel(p + 3 * i, colour);
}

} // namespace

PageSurface::PageSurface(int32_t width, int32_t height)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {}

void PageSurface::Fill(ColourValue colour) {
    FillPixels(pixels_.data(), pixels_.size() / 3, colour);
}

void PageSurface::PaintLine(int64_t x1, int64_t y, int64_t x2, ColourValue colour) {
    if (y < 0 || y >= height_ || x2 < x1)
        return;
    x1 = std::max<int64_t>(x1, 0);
    x2 = std::min<int64_t>(x2, int64_t{width_} - 1);
    if (x2 < x1)
        return;
    FillPixels(pixels_.data() + RowOffset(y) + static_cast<std::size_t>(x1) * 3,
               static_cast<std::size_t>(x2 - x1 + 1), colour);
}

bool SurfaceSizeFits(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kSurfaceByteBudget / 3 &&
           width * height * 3 <= kSurfaceByteBudget;
}

std::unique_ptr<PageSurface> CreatePageSurface(int32_t width, int32_t height,
                                               ColourValue fillColour) {
    width = width == 0 ? 1 : width;
    height = height == 0 ? 1 : height;
    if (!SurfaceSizeFits(width, height))
        return nullptr;
    std::unique_ptr<PageSurface> surface;
    try {
        surface.reset(new PageSurface(width, height));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    surface->Fill(fillColour);
    return surface;
}

} // namespace faxlens
