#pragma once

// Smoothed scaling of a page of one bit a pixel: every target pixel is the mix of the two
// colours in the share of its area that the 1 bits cover. The coverage is summed exactly in
// integers and only the share is rounded, so a region of one colour keeps it exactly.

#include "viewer/area_scaler.h"

#include <cstddef>
#include <cstdint>

namespace faxlens::viewer {

// A source rectangle of bits onto a target rectangle, of which only the visible part is drawn.
struct BitScale {
    PixelSource source; // one bit a pixel
    int64_t sourceX;    // the rectangle's first column and row, inside the source
    int64_t sourceY;
    int64_t sourceWidth; // n across and down: the source pixels of the rectangle
    int64_t sourceHeight;
    int64_t targetWidth; // m across and down: the target pixels of the whole rectangle
    int64_t targetHeight;
    int64_t visibleFrom; // the visible target columns and rows, counted in the rectangle
    int64_t visibleTo;
    int64_t visibleTop;
    int64_t visibleBottom;
    uint8_t* target; // the first visible target pixel, three bytes a pixel
    std::ptrdiff_t targetStride;
};

void ScaleBits(const BitScale& scale);

} // namespace faxlens::viewer
