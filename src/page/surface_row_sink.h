#pragma once

// Decoded rows painted into a page surface in the ink's colour. Where the surface paints the ink
// by setting bits, the decoder sets them in the surface's own rows; otherwise (the ink is the
// background, or the surface holds 24 bits) it sets them in a row of the sink's, which is then
// painted span by span.

#include "codec/row_sink.h"
#include "page/page_surface.h"

#include <cstdint>
#include <vector>

namespace faxlens::page {

class SurfaceRowSink final : public codec::RowSink {
public:
    SurfaceRowSink(PageSurface& surface, ColourValue ink);

    uint8_t* BeginInk(int64_t row) override;
    void EndInk(int64_t row) override;

private:
    void PaintScratchRow(int64_t row);

    PageSurface& surface_;
    ColourValue ink_;
    std::vector<uint8_t> scratch_; // the row's bits, when they are not the surface's
    bool inScratch_ = false;
    std::vector<int64_t> spans_;
};

} // namespace faxlens::page
