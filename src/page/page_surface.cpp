#include "page/page_surface.h"

#include "base/bit_words.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace faxlens::page {

namespace {

// Bytes that may be read past the last row, so that a word can be loaded from any byte.
constexpr std::size_t kReadSlack = 8;
// Zeroing a larger plane takes fresh pages from the system instead of writing every byte.
constexpr std::size_t kFreshPagesFrom = std::size_t{1} << 20;
// The plane's bytes are marked as painted in blocks of a memory page.
constexpr std::size_t kBlockShift = 12;

// Grey level of a colour value, for choosing between two colours.
int32_t Luminance(ColourValue colour) {
    return 299 * static_cast<int32_t>(colour & 0xFF) +
           587 * static_cast<int32_t>((colour >> 8) & 0xFF) +
           114 * static_cast<int32_t>((colour >> 16) & 0xFF);
}

void SetPixel(uint8_t* p, ColourValue colour) {
    p[0] = colour & 0xFF;
    p[1] = (colour >> 8) & 0xFF;
    p[2] = (colour >> 16) & 0xFF;
}

bool IsGreyOfOneByte(ColourValue colour) {
    return (colour & 0xFF) == ((colour >> 8) & 0xFF) && (colour & 0xFF) == ((colour >> 16) & 0xFF);
}

void FillPixels(uint8_t* p, std::size_t count, ColourValue colour) {
    if (IsGreyOfOneByte(colour)) {
        std::memset(p, static_cast<int>(colour & 0xFF), count * 3);
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        SetPixel(p + 3 * i, colour);
}

} // namespace

PageSurface::PageSurface(int32_t width, int32_t height, Bytes plane, ColourValue background)
    : width_(width), height_(height), stride_(PlaneStrideOf(width)), plane_(std::move(plane)),
      background_(background), ink_(background),
      paintedBlocks_(((stride_ * static_cast<std::size_t>(height)) >> kBlockShift) + 1, false) {}

PageSurface::~PageSurface() = default;

void PageSurface::Fill(ColourValue colour) {
    rgb_.reset();
    background_ = colour;
    ink_ = colour;
    if (!hasInk_)
        return; // no bit was ever set
    hasInk_ = false;
    std::fill(paintedBlocks_.begin(), paintedBlocks_.end(), false);
    const std::size_t bytes = stride_ * static_cast<std::size_t>(height_) + kReadSlack;
    if (bytes >= kFreshPagesFrom) {
        if (Bytes fresh{static_cast<uint8_t*>(std::calloc(bytes, 1))}) {
            plane_ = std::move(fresh);
            return;
        }
    }
    std::memset(plane_.get(), 0, bytes);
}

int PageSurface::BitFor(ColourValue colour) {
    if (colour == background_)
        return 0;
    if (!hasInk_) {
        ink_ = colour;
        hasInk_ = true;
    }
    return colour == ink_ ? 1 : -1;
}

// The picture becomes 24-bit when a page is small enough for it; a larger one paints a third
// colour as the nearer of its two.
bool PageSurface::BecomeRgb() {
    const int64_t bytes = int64_t{width_} * height_ * 3;
    if (bytes > kSurfaceByteBudget)
        return false;
    Bytes rgb{static_cast<uint8_t*>(std::malloc(static_cast<std::size_t>(bytes)))};
    if (!rgb)
        return false;
    rgb_ = std::move(rgb);
    for (int32_t y = 0; y < height_; ++y) {
        const uint8_t* bits = PlaneRow(y);
        uint8_t* out = rgb_.get() + RowBytes(y, RgbStride());
        for (int32_t x = 0; x < width_; ++x)
            SetPixel(out + 3 * static_cast<std::size_t>(x),
                     (bits[x >> 3] >> (7 - (x & 7)) & 1) != 0 ? ink_ : background_);
    }
    return true;
}

void PageSurface::MarkPainted(int64_t y, int64_t from, int64_t to) {
    const std::size_t row = RowBytes(y, stride_);
    const std::size_t first = (row + static_cast<std::size_t>(from >> 3)) >> kBlockShift;
    const std::size_t last = (row + static_cast<std::size_t>((to - 1) >> 3)) >> kBlockShift;
    for (std::size_t block = first; block <= last; ++block)
        paintedBlocks_[block] = true;
}

bool PageSurface::RowsPainted(int32_t firstRow, int32_t rows) const {
    if (!hasInk_ || rows <= 0)
        return false;
    const std::size_t first = RowBytes(firstRow, stride_) >> kBlockShift;
    const std::size_t last = (RowBytes(int64_t{firstRow} + rows, stride_) - 1) >> kBlockShift;
    for (std::size_t block = first; block <= last; ++block)
        if (paintedBlocks_[block])
            return true;
    return false;
}

void PageSurface::PaintRgb(int64_t y, int64_t from, int64_t to, ColourValue colour) {
    FillPixels(rgb_.get() + RowBytes(y, RgbStride()) + static_cast<std::size_t>(from) * 3,
               static_cast<std::size_t>(to - from), colour);
}

void PageSurface::PaintLine(int64_t x1, int64_t y, int64_t x2, ColourValue colour) {
    if (y < 0 || y >= height_ || x2 < x1)
        return;
    x1 = std::max<int64_t>(x1, 0);
    x2 = std::min<int64_t>(x2, int64_t{width_} - 1);
    if (x2 < x1)
        return;
    const int64_t spans[2] = {x1, x2 + 1};
    PaintSpans(y, spans, colour);
}

void PageSurface::PaintSpans(int64_t y, std::span<const int64_t> spans, ColourValue colour) {
    RowPainter painter(this, colour);
    painter.Start(y);
    for (std::size_t k = 0; k + 1 < spans.size(); k += 2)
        painter.Paint(spans[k], spans[k + 1]);
    painter.Finish();
}

uint8_t* PageSurface::InkBitsOfRow(int64_t y, ColourValue colour) {
    if (y < 0 || y >= height_ || BitOrRgbFor(colour) != 1)
        return nullptr;
    return plane_.get() + RowBytes(y, stride_);
}

int PageSurface::BitOrRgbFor(ColourValue colour) {
    const int bit = rgb_ ? -1 : BitFor(colour);
    if (rgb_ || (bit < 0 && BecomeRgb()))
        return -1;
    return bit < 0 ? NearerBit(colour) : bit;
}

// A third colour on a page too large for 24 bits: the nearer of the two, by grey level.
int PageSurface::NearerBit(ColourValue colour) const {
    return std::abs(Luminance(colour) - Luminance(ink_)) <
                   std::abs(Luminance(colour) - Luminance(background_))
               ? 1
               : 0;
}

ColourValue PageSurface::Pixel(int64_t x, int64_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return kInvalidColour;
    if (rgb_) {
        const uint8_t* p = RgbRow(static_cast<int32_t>(y)) + static_cast<std::size_t>(x) * 3;
        return p[0] | (p[1] << 8) | (ColourValue{p[2]} << 16);
    }
    const uint8_t byte = PlaneRow(static_cast<int32_t>(y))[x >> 3];
    return (byte >> (7 - (x & 7)) & 1) != 0 ? ink_ : background_;
}

bool SurfaceSizeFits(int64_t width, int64_t height) {
    return width > 0 && height > 0 &&
           static_cast<int64_t>(PlaneStrideOf(width)) <= kSurfaceByteBudget / height;
}

std::unique_ptr<PageSurface> CreatePageSurface(int32_t width, int32_t height,
                                               ColourValue fillColour) {
    width = width == 0 ? 1 : width;
    height = height == 0 ? 1 : height;
    if (!SurfaceSizeFits(width, height))
        return nullptr;
    // calloc hands large blocks out as untouched zero pages: a white page costs nothing until
    // something is painted on it.
    const std::size_t bytes = PlaneStrideOf(width) * static_cast<std::size_t>(height) + kReadSlack;
    PageSurface::Bytes plane{static_cast<uint8_t*>(std::calloc(bytes, 1))};
    if (!plane)
        return nullptr;
    return std::unique_ptr<PageSurface>(
        new PageSurface(width, height, std::move(plane), fillColour));
}

} // namespace faxlens::page
