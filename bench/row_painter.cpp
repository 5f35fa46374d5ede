#include "row_painter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace faxlens::bench {

namespace {

// Letter-like glyphs: 3 to 6 strokes, 4 pixels thick, between the nodes of a 3 x 3 grid.
constexpr int32_t kPen = 4;
constexpr int kGlyphCount = 64;

using Glyph = std::array<uint64_t, kGlyphHeight>; // each row's bits, column 0 in the top bit

void DrawGlyphStroke(Glyph& glyph, int c0, int r0, int c1, int r1) {
    const int32_t x0 = c0 * (kGlyphWidth - kPen) / 2, y0 = r0 * (kGlyphHeight - kPen) / 2;
    const int32_t dx = (c1 - c0) * (kGlyphWidth - kPen) / 2,
                  dy = (r1 - r0) * (kGlyphHeight - kPen) / 2;
    const int32_t steps = std::max(std::abs(dx), std::abs(dy));
    for (int32_t s = 0; s <= steps; ++s)
        for (int32_t py = 0; py < kPen; ++py)
            glyph[static_cast<std::size_t>(y0 + dy * s / steps + py)] |=
                (~uint64_t{0} << (64 - kPen)) >> (x0 + dx * s / steps);
}

const std::array<Glyph, kGlyphCount>& Glyphs() {
    static const std::array<Glyph, kGlyphCount> glyphs = [] {
        std::array<Glyph, kGlyphCount> made{};
        std::mt19937 random(11);
        for (Glyph& glyph : made) {
            const int strokes = Between(random, 3, 6);
            for (int s = 0; s < strokes; ++s) {
                const int kind = Between(random, 0, 5);
                const int c = Between(random, 0, kind < 2 ? 1 : 2);
                const int r = Between(random, 0, kind < 2 ? 2 : 1);
                if (kind < 2) // across
                    DrawGlyphStroke(glyph, c, r, c + 1, r);
                else if (kind < 4) // down
                    DrawGlyphStroke(glyph, c, r, c, r + 1);
                else if (kind == 4) // diagonals
                    DrawGlyphStroke(glyph, c % 2, r, c % 2 + 1, r + 1);
                else
                    DrawGlyphStroke(glyph, c % 2 + 1, r, c % 2, r + 1);
            }
        }
        return made;
    }();
    return glyphs;
}

} // namespace

int32_t Between(std::mt19937& random, int32_t low, int32_t high) {
    return low + static_cast<int32_t>(random() % static_cast<uint32_t>(high - low + 1));
}

uint64_t Mix(uint64_t a, uint64_t b) {
    uint64_t z = a * 0x9E3779B97F4A7C15u + b + 0x632BE59BD9B4E5Bu;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

RowPainter::RowPainter(std::span<uint8_t> row, int32_t width) : row_(row), width_(width) {
    std::memset(row.data(), 0, row.size());
}

void RowPainter::Span(double from, double to) {
    Bits(std::lround(from), std::lround(to));
}

void RowPainter::Bits(int64_t from, int64_t to) {
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, width_);
    for (; from < to && from % 8 != 0; ++from)
        row_[from / 8] |= static_cast<uint8_t>(0x80 >> (from % 8));
    if (to - from >= 8) {
        std::memset(row_.data() + from / 8, 0xFF, static_cast<std::size_t>((to - from) / 8));
        from += (to - from) / 8 * 8;
    }
    for (; from < to; ++from)
        row_[from / 8] |= static_cast<uint8_t>(0x80 >> (from % 8));
}

void RowPainter::Word(int64_t x, uint64_t bits) {
    if (x < 0 || x >= width_)
        return;
    uint64_t shifted = bits >> (x % 8);
    for (std::size_t at = static_cast<std::size_t>(x / 8); shifted != 0 && at < row_.size();
         ++at, shifted <<= 8)
        row_[at] |= static_cast<uint8_t>(shifted >> 56);
}

void PaintText(RowPainter& painter, int32_t y, int32_t x, int32_t top, int32_t count,
               uint64_t seed) {
    if (y < top || y >= top + kGlyphHeight)
        return;
    for (int32_t i = 0; i < count; ++i) {
        const uint64_t pick = Mix(seed, static_cast<uint64_t>(i));
        if (pick % 6 != 0)
            painter.Word(x + i * kGlyphAdvance,
                         Glyphs()[(pick >> 8) % kGlyphCount][static_cast<std::size_t>(y - top)]);
    }
}

} // namespace faxlens::bench
