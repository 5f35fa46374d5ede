#pragma once

// Painting one row of bits of a benchmark page: spans of pixels, and letter-like glyphs of
// 36 x 44 pixels drawn with strokes 4 pixels thick, each the same on every run.

#include <cstdint>
#include <random>
#include <span>

namespace faxlens::bench {

// A number from low to high, both included; the same on every platform, unlike the standard
// distributions.
int32_t Between(std::mt19937& random, int32_t low, int32_t high);

// Two numbers mixed into one that looks random.
uint64_t Mix(uint64_t a, uint64_t b);

// Sets bits of one row (1 for black, the first pixel in the top bit), cleared first, clipped to
// the width.
class RowPainter {
public:
    RowPainter(std::span<uint8_t> row, int32_t width);

    // Pixels from `from` up to, not including, `to`, each end rounded to the nearest pixel.
    void Span(double from, double to);
    void Bits(int64_t from, int64_t to);
    // Sets the 1 bits of `bits` (at most 57 of them, the first pixel in the top bit) from x on.
    void Word(int64_t x, uint64_t bits);

private:
    std::span<uint8_t> row_;
    int32_t width_;
};

inline constexpr int32_t kGlyphWidth = 36;
inline constexpr int32_t kGlyphHeight = 44;
inline constexpr int32_t kGlyphAdvance = kGlyphWidth + 6; // from one glyph cell to the next

// Row y of a line of `count` glyph cells whose top left corner is (x, top); about one cell in
// six is a blank between words. Which glyphs stand there follows from the seed.
void PaintText(RowPainter& painter, int32_t y, int32_t x, int32_t top, int32_t count,
               uint64_t seed);

} // namespace faxlens::bench
