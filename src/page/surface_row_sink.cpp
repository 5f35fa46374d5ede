#include "page/surface_row_sink.h"

#include "base/bit_words.h"

#include <algorithm>

namespace faxlens::page {

namespace {

// A decoder reads and writes whole words: the row's bytes and the 8 after them.
constexpr std::size_t kWordSlack = 8;

} // namespace

SurfaceRowSink::SurfaceRowSink(PageSurface& surface, ColourValue ink)
    : codec::RowSink(surface.Width()), surface_(surface), ink_(ink) {}

uint8_t* SurfaceRowSink::BeginInk(int64_t row) {
    if (row < 0 || row >= surface_.Height())
        return nullptr;
    inScratch_ = false;
    if (uint8_t* bits = surface_.InkBitsOfRow(row, ink_))
        return bits;
    inScratch_ = true;
    scratch_.assign(PlaneStrideOf(surface_.Width()) + kWordSlack, 0);
    return scratch_.data();
}

void SurfaceRowSink::EndInk(int64_t row) {
    if (inScratch_)
        PaintScratchRow(row);
    else
        surface_.MarkRowInked(row);
}

// The runs of set bits of the scratch row, painted as PaintSpans paints them.
void SurfaceRowSink::PaintScratchRow(int64_t row) {
    spans_.clear();
    const int64_t width = surface_.Width();
    for (int64_t x = 0; x < width;) {
        const int64_t start = NextBitOf(scratch_.data(), x, width, true);
        if (start >= width)
            break;
        const int64_t end = NextBitOf(scratch_.data(), start, width, false);
        spans_.push_back(start);
        spans_.push_back(end);
        x = end;
    }
    surface_.PaintSpans(row, spans_, ink_);
}

} // namespace faxlens::page
