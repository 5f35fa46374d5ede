#include "a0_pages.h"

#include "a0_drawing.h"
#include "page/page_surface.h"
#include "row_painter.h"
#include "support/libtiff_pages.h"

#include <cstring>
#include <vector>

namespace faxlens::bench {

namespace {

// The A4 page: the tests' text-like page, packed once.
constexpr int32_t kA4Width = 1728;
constexpr int32_t kA4Height = 2200;

void A4Row(int32_t y, std::span<uint8_t> row) {
    static const std::vector<uint8_t> packed = [] {
        const test::Bitmap page = test::TextLikePage(kA4Width, kA4Height, 5);
        const std::size_t stride = page::PlaneStrideOf(kA4Width);
        std::vector<uint8_t> bits(stride * kA4Height, 0);
        for (int32_t py = 0; py < kA4Height; ++py)
            for (int32_t px = 0; px < kA4Width; ++px)
                if (page.At(px, py))
                    bits[py * stride + px / 8] |= static_cast<uint8_t>(0x80 >> (px % 8));
        return bits;
    }();
    std::memcpy(row.data(), packed.data() + static_cast<std::size_t>(y) * row.size(), row.size());
}

// The A0 text page: lines 60 pixels apart between margins of 120 pixels; now and then a
// paragraph ends in a short line, or a blank line stands between two.
constexpr int32_t kTextMargin = 120;
constexpr int32_t kLinePitch = 60;

void A0TextRow(int32_t y, std::span<uint8_t> row) {
    RowPainter painter(row, kA0Width);
    const int32_t line = (y - kTextMargin) / kLinePitch;
    const int32_t top = kTextMargin + line * kLinePitch;
    if (y < kTextMargin || top + kGlyphHeight > kA0Height - kTextMargin)
        return;
    const int32_t cells =
        (kA0Width - 2 * kTextMargin + kGlyphAdvance - kGlyphWidth) / kGlyphAdvance;
    const uint64_t kind = Mix(1, static_cast<uint64_t>(line));
    if (kind % 13 == 0)
        return;
    const int32_t count =
        kind % 13 == 1 ? cells * static_cast<int32_t>(20 + (kind >> 8) % 60) / 100 : cells;
    PaintText(painter, y, kTextMargin, top, count, kind);
}

} // namespace

const PageFormat& FormatOf(BenchPage page) {
    static const PageFormat formats[] = {
        {"A4_text", kA4Width, kA4Height, 204, 196},
        {"A0_drawing", kA0Width, kA0Height, 400, 400},
        {"A0_text", kA0Width, kA0Height, 400, 400},
    };
    return formats[static_cast<int>(page)];
}

void PageRow(BenchPage page, int32_t y, std::span<uint8_t> row) {
    switch (page) {
    case BenchPage::A4Text:
        A4Row(y, row);
        break;
    case BenchPage::A0Drawing:
        A0DrawingRow(y, row);
        break;
    case BenchPage::A0Text:
        A0TextRow(y, row);
        break;
    }
    if (const int32_t width = FormatOf(page).width; width % 8 != 0) // nothing past the width
        row[static_cast<std::size_t>(width / 8)] &= static_cast<uint8_t>(0xFF00 >> (width % 8));
}

} // namespace faxlens::bench
