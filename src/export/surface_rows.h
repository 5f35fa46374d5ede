#pragma once

// The encoder's view of a page surface: each pixel black or white by its grey level, each row
// cut into alternating white and black runs, white first.

#include "viewer/page_surface.h"

#include <algorithm>
#include <cstdint>

namespace faxlens::modConvert_DC2TIF {

inline constexpr int32_t kGreyThreshold = 120;

// 0.2989 red + 0.5866 green + 0.1145 blue, clamped to 0..255.
float GreyLevel(int32_t red, int32_t green, int32_t blue);

// Black (0) and white (0xFFFFFF) at once; other colours black up to the threshold.
bool PixelIsBlack(ColourValue colour, int32_t threshold);

// Hands the runs of row y (pixels 0 to width - 1) to onRun(colour, length) as each closes:
// colour 0 is white, -1 black; the first run is white and may be empty. A pixel of the same
// colour value as its left neighbour extends the current run without being tested again.
template <typename OnRun>
void ScanRow(const PageSurface& surface, int32_t y, int32_t width, OnRun&& onRun) {
    int16_t current = 0;
    int32_t length = 0;
    ColourValue previous = kInvalidColour; // no pixel yet: the first one is always tested
    // Pixels are read straight from the row; those outside the surface read as invalid.
    const bool rowInside = y >= 0 && y < surface.Height();
    const int32_t inside = rowInside ? std::min(width, surface.Width()) : 0;
    const uint8_t* pixel = rowInside ? surface.Row(y) : nullptr;
    for (int32_t x = 0; x < width; ++x) {
        ColourValue c = kInvalidColour;
        if (x < inside) {
            c = pixel[0] | (pixel[1] << 8) | (ColourValue{pixel[2]} << 16);
            pixel += 3;
        }
        if (c == previous || (PixelIsBlack(c, kGreyThreshold) ? -1 : 0) == current) {
            ++length;
        } else {
            onRun(current, length);
            current = static_cast<int16_t>(~current);
            length = 1;
        }
        previous = c;
    }
    onRun(current, length);
}

} // namespace faxlens::modConvert_DC2TIF
