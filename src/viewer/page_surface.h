#pragma once

// The off-screen picture that holds one decoded page at full resolution: 24-bit RGB pixels, one
// for each page pixel. The decoder paints black runs into it, the viewer shows it and the save
// commands read it back. Whoever creates a surface owns it.

#include <cstdint>
#include <memory>
#include <vector>

namespace faxlens {

// Red in the low byte, then green, then blue: 0x00BBGGRR.
using ColourValue = uint32_t;
inline constexpr ColourValue kColourBlack = 0x000000;
inline constexpr ColourValue kColourWhite = 0xFFFFFF;
// What reading a pixel outside the surface gives.
inline constexpr ColourValue kInvalidColour = 0xFFFFFFFF;

// The most pixel bytes a surface may take; larger pages are refused rather than half made.
inline constexpr int64_t kSurfaceByteBudget = int64_t{1} << 30;

class PageSurface {
public:
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }

    // Colours every pixel.
    void Fill(ColourValue colour);
    // Paints pixels x1 to x2 (both included) of row y; what lies outside the surface, and a
    // segment whose end lies left of its start, paints nothing.
    void PaintLine(int64_t x1, int64_t y, int64_t x2, ColourValue colour);
    ColourValue Pixel(int64_t x, int64_t y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_)
            return kInvalidColour;
        const uint8_t* p = pixels_.data() + RowOffset(y) + static_cast<std::size_t>(x) * 3;
        return p[0] | (p[1] << 8) | (ColourValue{p[2]} << 16);
    }

    // Three bytes a pixel, red first, rows top to bottom without padding.
    const uint8_t* Row(int32_t y) const { return pixels_.data() + RowOffset(y); }

private:
    friend std::unique_ptr<PageSurface> CreatePageSurface(int32_t, int32_t, ColourValue);
    PageSurface(int32_t width, int32_t height);
    std::size_t RowOffset(int64_t y) const { return static_cast<std::size_t>(y) * width_ * 3; }

    int32_t width_;
    int32_t height_;
    std::vector<uint8_t> pixels_;
};

// Whether a page of this size fits a surface: positive sides within the byte budget.
bool SurfaceSizeFits(int64_t width, int64_t height);

// A surface filled with the colour. A width or height of 0 becomes 1. Returns null when the
// size is negative or beyond the budget, or the memory cannot be had.
std::unique_ptr<PageSurface> CreatePageSurface(int32_t width, int32_t height,
                                               ColourValue fillColour);

} // namespace faxlens
