#pragma once

// What the strip decoders share: the colour flag, saturating columns and painting runs.

#include "base/numbers.h"
#include "base/work_check.h"
#include "codec/codec_types.h"
#include "page/page_surface.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace faxlens::reference {

inline constexpr int32_t kEolZeros = 11;
inline constexpr int32_t kEolLength = 12;

// Where a strip decoder paints: the surface, the row width, the rows it may decode, the place of
// the strip on the surface and the ink of black runs.
struct StripTarget {
    page::PageSurface& surface;
    int32_t width;
    int32_t rowLimit;
    int64_t xOffset;
    int64_t yOffset;
    page::ColourValue ink;
    const WorkCheck& check;

    // Paints a black run of a row; white runs need nothing, the surface starts white.
    void PaintRun(codec::Colour colour, int64_t column, int64_t run, int64_t row) const {
        if (colour != codec::kWhite && run > 0)
            surface.PaintLine(column + xOffset, row + yOffset, column + xOffset + run - 1, ink);
    }
};

} // namespace faxlens::reference
