#pragma once

// Smoothed scaling of a page region: every destination pixel is the average of the source
// pixels it covers, each weighted by the part of it that is covered. Used to draw the page
// into the viewer at any zoom (shrinking and enlarging).

#include "page/page_surface.h"

#include <cstddef>
#include <cstdint>

namespace faxlens::viewer {

// A source of one bit a pixel, the first pixel of a row in the top bit of its first byte.
inline constexpr int kOneBitAPixel = 0;

// Source pixels: rows of `channels` bytes a pixel, 1 (grey) or 3 (red, green, blue), or rows of
// bits (kOneBitAPixel) that stand for two colours.
struct PixelSource {
    const uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    std::ptrdiff_t stride = 0; // bytes from one row to the next
    int channels = 3;
    page::ColourValue zeroColour = page::kColourWhite; // bits only: the colours of 0 and of 1 bits
    page::ColourValue oneColour = page::kColourBlack;
};

// Destination pixels: rows of three bytes a pixel, red first.
struct PixelTarget {
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    std::ptrdiff_t stride = 0;
};

// The surface's own pixels as a source: its bits while it holds two colours, else its 24-bit
// picture. Scaling reads only the part of it that it draws.
PixelSource SourceOf(const page::PageSurface& surface);

// Scales source pixels (sx, sy, sw, sh) onto target pixels (tx, ty, tw, th). The source
// rectangle is clamped to the source, and what remains of it fills the whole target rectangle;
// target pixels outside the target are skipped without changing where the others come from.
// Empty rectangles draw nothing. A region of one colour keeps it exactly at any scale; other
// results are the exact average rounded to the nearest level (a half goes up).
void ScaleAreaAverage(const PixelSource& source, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                      const PixelTarget& target, int32_t tx, int32_t ty, int32_t tw, int32_t th);

} // namespace faxlens::viewer
