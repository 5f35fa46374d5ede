#pragma once

// Where the rows of a page that could not be decoded lie in the page as shown, and in the view:
// a page turned a quarter turn shows the file's rows as columns. The file's rows are those the
// damage and a trace of the page count; the page shown may be turned any number of quarter turns.

#include "viewer/render_geometry.h"

#include <QRectF>
#include <cstdint>

namespace faxlens::viewer {

// A stretch of the page as shown: rows from..to (to excluded) across the page, or columns down
// it.
struct ShownStretch {
    bool columns = false;
    int32_t from = 0;
    int32_t to = 0;
    bool operator==(const ShownStretch&) const = default;
};

// The file's rows from..to (from 0, to excluded) in the page as shown after `quarterTurns`
// clockwise (0 to 3); fileHeight is the page's height in the file.
ShownStretch ShownStretchOfRows(int32_t from, int32_t to, int quarterTurns, int32_t fileHeight);

// The file's row of the page pixel (column, row) as shown.
int32_t FileRowAt(int32_t column, int32_t row, int quarterTurns, int32_t fileHeight);

// The stretch in view pixels as the plan draws the page (width x height as shown): a band across
// or down the page, empty when the drawing does not reach it.
QRectF ViewRectOf(const ShownStretch& stretch, const RenderPlan& plan, int32_t width,
                  int32_t height);

} // namespace faxlens::viewer
