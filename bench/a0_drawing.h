#pragma once

// The A0 engineering drawing: a thick frame with zone marks, a dashed grid, circles and arcs of
// many radii and line widths, bolt circles, outlines, diagonal lines, labels and a title block
// with text; mostly white, as a real drawing is.

#include <cstdint>
#include <span>

namespace faxlens::bench {

// Paints row y of the drawing (kA0Width pixels) into `row`, cleared first.
void A0DrawingRow(int32_t y, std::span<uint8_t> row);

} // namespace faxlens::bench
