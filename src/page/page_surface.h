#pragma once

// The off-screen picture that holds one decoded page at full resolution, one pixel for each page
// pixel. The decoder paints black runs into it, the viewer shows it and the save commands read
// it back. Whoever creates a surface owns it.
//
// A page holds two colours, so the surface keeps one bit a pixel for as long as it holds at most
// two: the fill colour (0 bits) and one ink (1 bits). Only a third colour turns it into a 24-bit
// picture, which then stays. Every reading of a pixel gives the same colour either way.

#include "base/bit_words.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

namespace faxlens::page {

// Red in the low byte, then green, then blue: 0x00BBGGRR.
using ColourValue = uint32_t;
inline constexpr ColourValue kColourBlack = 0x000000;
inline constexpr ColourValue kColourWhite = 0xFFFFFF;
// What reading a pixel outside the surface gives.
inline constexpr ColourValue kInvalidColour = 0xFFFFFFFF;

// The most bytes of pixels a surface may take; larger pages are refused rather than half made.
// A page of one bit a pixel takes width x height / 8 bytes, so the largest TIFF page
// (65535 x 65535) fits.
inline constexpr int64_t kSurfaceByteBudget = int64_t{1} << 30;

class PageSurface {
public:
    ~PageSurface();
    PageSurface(const PageSurface&) = delete;
    PageSurface& operator=(const PageSurface&) = delete;

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }

    // Colours every pixel; the surface holds one colour again.
    void Fill(ColourValue colour);
    // Paints pixels x1 to x2 (both included) of row y; what lies outside the surface, and a
    // segment whose end lies left of its start, paints nothing.
    void PaintLine(int64_t x1, int64_t y, int64_t x2, ColourValue colour);
    // Paints the spans of row y: pixels spans[2k] up to, not including, spans[2k + 1], as
    // PaintLine would paint each. A span that ends where it starts, or before, paints nothing.
    void PaintSpans(int64_t y, std::span<const int64_t> spans, ColourValue colour);

    // Paints spans of a row as they come, as PaintSpans paints them: the spans that share a
    // 64-bit word of the row are gathered into one mask, so each word is read and written once
    // (spans may come in any order; left to right, as a decoder finds them, is the fast one).
    // One painter serves many rows: Start begins a row, Finish ends it, and only Finish (or the
    // next Start) writes the row's last word. Its state is plain values and everything it does
    // often is inline, with no destructor, so that a decoder keeps it in registers.
    class RowPainter {
    public:
        // Without a surface nothing is painted.
        RowPainter(PageSurface* surface, ColourValue colour)
            : surface_(surface), colour_(colour), width_(surface ? surface->width_ : 0) {}

        void Start(int64_t y) {
            Finish();
            y_ = y;
            mode_ = surface_ && y >= 0 && y < surface_->height_ ? Mode::Undecided : Mode::Off;
        }
        void Paint(int64_t from, int64_t to) {
            if (mode_ == Mode::Off || !ClipSpan(from, to, width_))
                return;
            if (mode_ != Mode::Bits && !TakeUp(from, to))
                return;
            mask_.Add(from, to, Write{row_, set_});
        }
        void Finish() {
            mask_.Finish(Write{row_, set_});
            if (mode_ == Mode::Bits && set_)
                surface_->MarkPainted(y_, 0, width_);
            mode_ = Mode::Off;
            mask_.word = -1;
        }

    private:
        enum class Mode : uint8_t { Off, Undecided, Bits, Rgb };

        // At the first span that paints a pixel the colour is taken up; a 24-bit picture is
        // painted at once. True when the span is to be painted as bits.
        bool TakeUp(int64_t from, int64_t to) {
            if (mode_ == Mode::Undecided) {
                const int bit = surface_->BitOrRgbFor(colour_);
                mode_ = bit < 0 ? Mode::Rgb : Mode::Bits;
                set_ = bit == 1;
                row_ = surface_->plane_.get() + RowBytes(y_, surface_->stride_);
            }
            if (mode_ == Mode::Rgb)
                surface_->PaintRgb(y_, from, to, colour_);
            return mode_ == Mode::Bits;
        }

        // Sets, or clears, the bits of a mask in its word of the row.
        struct Write {
            uint8_t* row;
            bool set;
            void operator()(int64_t word, uint64_t mask) const {
                uint8_t* const at = row + (word << 3);
                const uint64_t bits = LoadBigEndian64(at);
                StoreBigEndian64(at, set ? bits | mask : bits & ~mask);
            }
        };

        PageSurface* surface_;
        ColourValue colour_;
        int64_t width_;
        Mode mode_ = Mode::Off;
        bool set_ = true; // whether the bits are set or cleared
        int64_t y_ = 0;
        uint8_t* row_ = nullptr;
        WordMask mask_;
    };

    ColourValue Pixel(int64_t x, int64_t y) const;

    // The bits of row y, for painting the colour by setting bits in them, as RowPainter paints
    // (the colour is taken up as the ink if the surface has none yet); null when the row lies
    // outside the surface or the colour is not painted by setting bits (it is the background, or
    // the surface holds 24 bits for it). Whoever sets bits in the row calls MarkRowInked after.
    uint8_t* InkBitsOfRow(int64_t y, ColourValue colour);
    void MarkRowInked(int64_t y) { MarkPainted(y, 0, width_); }

    // One bit a pixel, while the surface holds at most two colours.
    bool IsBilevel() const { return rgb_ == nullptr; }
    // The colour of 0 bits, and of 1 bits (the background while nothing else was painted).
    ColourValue Background() const { return background_; }
    ColourValue Ink() const { return ink_; }
    // Row y of the bits: PlaneStride() bytes, the first pixel in the most significant bit of the
    // first byte, bits past the width 0. Only while IsBilevel(). The plane is followed by at
    // least 8 bytes that may be read, so a word may be loaded from any byte of a row.
    const uint8_t* PlaneRow(int32_t y) const { return plane_.get() + RowBytes(y, stride_); }
    std::size_t PlaneStride() const { return stride_; }
    // Whether rows firstRow to firstRow + rows - 1 may hold a 1 bit. Rows never painted since the
    // last fill hold none, and their memory has never been touched: readers pass them over
    // instead of reading them.
    bool RowsPainted(int32_t firstRow, int32_t rows) const;
    // Row y of the 24-bit picture: three bytes a pixel, red first. Only once !IsBilevel().
    const uint8_t* RgbRow(int32_t y) const { return rgb_.get() + RowBytes(y, RgbStride()); }

private:
    struct FreeBytes {
        void operator()(uint8_t* bytes) const { std::free(bytes); }
    };
    using Bytes = std::unique_ptr<uint8_t, FreeBytes>;

    friend std::unique_ptr<PageSurface> CreatePageSurface(int32_t, int32_t, ColourValue);
    PageSurface(int32_t width, int32_t height, Bytes plane, ColourValue background);

    static std::size_t RowBytes(int64_t y, std::size_t stride) {
        return static_cast<std::size_t>(y) * stride;
    }
    std::size_t RgbStride() const { return static_cast<std::size_t>(width_) * 3; }
    // Which bit value a colour is painted as: 0, 1, or -1 when it is a third colour.
    int BitFor(ColourValue colour);
    bool BecomeRgb();
    int NearerBit(ColourValue colour) const;
    // 0 or 1 for the bit a colour is painted as, or -1 once the surface holds 24 bits for it.
    int BitOrRgbFor(ColourValue colour);
    // Notes that pixels [from, to) of row y hold ink.
    void MarkPainted(int64_t y, int64_t from, int64_t to);
    void PaintRgb(int64_t y, int64_t from, int64_t to, ColourValue colour);

    int32_t width_;
    int32_t height_;
    std::size_t stride_;
    Bytes plane_;
    ColourValue background_;
    ColourValue ink_;
    bool hasInk_ = false; // whether a second colour was painted since the last fill
    // One flag a block of the plane: whether a 1 bit was painted in it since the last fill.
    std::vector<bool> paintedBlocks_;
    Bytes rgb_;
};

// The bytes of one row of bits.
constexpr std::size_t PlaneStrideOf(int64_t width) {
    return static_cast<std::size_t>((width + 7) / 8);
}

// Whether a page of this size fits a surface: positive sides within the byte budget.
bool SurfaceSizeFits(int64_t width, int64_t height);

// A surface filled with the colour. A width or height of 0 becomes 1. Returns null when the
// size is negative or beyond the budget, or the memory cannot be had. The pixels of a new
// surface cost no memory until they are painted.
std::unique_ptr<PageSurface> CreatePageSurface(int32_t width, int32_t height,
                                               ColourValue fillColour);

} // namespace faxlens::page
