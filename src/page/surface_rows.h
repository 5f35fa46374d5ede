#pragma once

// A page surface as the encoders read it: each pixel black or white by its grey level, each row
// cut into alternating white and black runs, white first.

#include "codec/codec_types.h"
#include "encode/row_source.h"
#include "page/page_surface.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace faxlens::page {

inline constexpr int32_t kGreyThreshold = 120;

// 0.2989 red + 0.5866 green + 0.1145 blue, clamped to 0..255.
float GreyLevel(int32_t red, int32_t green, int32_t blue);

// Black (0) and white (0xFFFFFF) at once; other colours black up to the threshold.
bool PixelIsBlack(ColourValue colour, int32_t threshold);

namespace detail {

// Hands on the runs of one row, a pixel at a time: the rule of ScanRow for any surface.
template <typename OnRun>
void ScanRowByPixel(const PageSurface& surface, int32_t y, int32_t width, OnRun& onRun) {
    codec::Colour current = codec::kWhite;
    int32_t length = 0;
    ColourValue previous = kInvalidColour; // no pixel yet: the first one is always tested
    for (int32_t x = 0; x < width; ++x) {
        const ColourValue c = surface.Pixel(x, y);
        if (c == previous ||
            (PixelIsBlack(c, kGreyThreshold) ? codec::kBlack : codec::kWhite) == current) {
            ++length;
        } else {
            onRun(current, length);
            current = codec::OppositeColour(current);
            length = 1;
        }
        previous = c;
    }
    onRun(current, length);
}

// The same for a row of bits: runs end where a bit differs from the one left of it, which a
// word shifted by one bit against itself shows for 64 pixels at once. A 1 bit is black when
// blackBit is true, a 0 bit when it is false. Rows are read a word at a time, so the 8 bytes
// after the byte of the last pixel must be readable.
template <typename OnRun>
void ScanBits(const uint8_t* row, int32_t width, bool blackBit, OnRun& onRun) {
    constexpr uint64_t kFirst = uint64_t{1} << 63;
    codec::Colour current = codec::kWhite;
    int64_t start = 0;
    uint64_t left = blackBit ? 0 : 1; // the bit left of the word's first pixel: white's at first
    for (int64_t first = 0; first < width; first += 64) {
        const uint64_t bits = LoadBigEndian64(row + first / 8);
        // A whole word of the colour left of it holds no change, as most words of a page: it is
        // passed over at the cost of one comparison.
        if (bits == 0 - left && width - first >= 64)
            continue;
        uint64_t changes = bits ^ (bits >> 1 | left << 63);
        left = bits & 1;
        if (width - first < 64) // pixels past the width do not count
            changes &= ~(~uint64_t{0} >> (width - first));
        while (changes != 0) {
            const int lead = std::countl_zero(changes);
            changes ^= kFirst >> lead;
            onRun(current, static_cast<int32_t>(first + lead - start));
            current = codec::OppositeColour(current);
            start = first + lead;
        }
    }
    onRun(current, static_cast<int32_t>(width - start));
}

} // namespace detail

// Hands the runs of row y (pixels 0 to width - 1) to onRun(colour, length) as each closes; the
// first run is white and may be empty. A pixel of the same
// colour value as its left neighbour extends the current run without being tested again.
template <typename OnRun>
void ScanRow(const PageSurface& surface, int32_t y, int32_t width, OnRun&& onRun) {
    const bool rowInside = y >= 0 && y < surface.Height() && width <= surface.Width();
    if (!rowInside || !surface.IsBilevel()) {
        detail::ScanRowByPixel(surface, y, width, onRun);
        return;
    }
    // Two colours: each is black or white once and for all, and the bits say which.
    const bool zeroIsBlack = PixelIsBlack(surface.Background(), kGreyThreshold);
    const bool oneIsBlack = PixelIsBlack(surface.Ink(), kGreyThreshold);
    // A row never painted holds only 0 bits; it is not read.
    if (zeroIsBlack == oneIsBlack || !surface.RowsPainted(y, 1)) {
        if (zeroIsBlack && width > 0)
            onRun(codec::kWhite, 0);
        onRun(zeroIsBlack && width > 0 ? codec::kBlack : codec::kWhite, width);
        return;
    }
    detail::ScanBits(surface.PlaneRow(y), width, oneIsBlack, onRun);
}

// The rows of a surface for the encoders.
class SurfaceRows final : public encode::RowSource {
public:
    explicit SurfaceRows(const PageSurface& surface) : surface_(surface) {}

    int32_t Width() const override { return surface_.Width(); }
    int32_t Height() const override { return surface_.Height(); }
    void RowChanges(int32_t y, int32_t width, codec::ChangeList& changes) const override;

private:
    const PageSurface& surface_;
};

} // namespace faxlens::page
