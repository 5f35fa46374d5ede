#include "page/page_rotation.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace faxlens::page {

namespace {

// Source columns turned at a time: their rows of bits, one row for each source column, are
// gathered first and then painted as runs into the turned page.
constexpr int32_t kColumnsAtATime = 512;

// Transposes an 8 x 8 block of bits, the first row in the most significant byte and the first
// column in each byte's most significant bit: bit j of row i becomes bit i of row j.
uint64_t TransposeBlock(uint64_t x) {
    uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAULL;
    x ^= t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCULL;
    x ^= t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ULL;
    x ^= t ^ (t << 28);
    return x;
}

// The bits of source columns [first, first + count), each as a row of bits indexed by source row
// (the first row in the most significant bit of the first byte).
class ColumnRows {
public:
    ColumnRows(int32_t count, int32_t sourceHeight)
        : stride_(PlaneStrideOf(sourceHeight) + 8), bits_(stride_ * count, 0) {}

    void Gather(const PageSurface& page, int32_t first, int32_t count) {
        std::fill(bits_.begin(), bits_.end(), 0);
        const int32_t height = page.Height();
        const int32_t firstByte = first / 8;
        const int32_t bytes = (count + 7) / 8;
        for (int32_t y0 = 0; y0 < height; y0 += 8) {
            const int32_t rows = std::min(8, height - y0);
            if (!page.RowsPainted(y0, rows))
                continue;
            for (int32_t b = 0; b < bytes; ++b)
                GatherBlock(page, y0, rows, firstByte + b, b * 8, count);
        }
    }

    // Row k: the bits of source column first + k.
    const uint8_t* Row(int32_t k) const { return bits_.data() + stride_ * k; }

private:
    void GatherBlock(const PageSurface& page, int32_t y0, int32_t rows, int32_t byte, int32_t k0,
                     int32_t count) {
        uint64_t block = 0;
        for (int32_t i = 0; i < rows; ++i)
            block |= uint64_t{page.PlaneRow(y0 + i)[byte]} << (56 - 8 * i);
        if (block == 0)
            return;
        const uint64_t turned = TransposeBlock(block);
        for (int32_t j = 0; j < 8 && k0 + j < count; ++j)
            bits_[stride_ * (k0 + j) + y0 / 8] = static_cast<uint8_t>(turned >> (56 - 8 * j));
    }

    std::size_t stride_;
    std::vector<uint8_t> bits_;
};

// Calls paint(from, to) for every run of 1 bits among the first `length` bits of a row.
template <typename Paint>
void ForEachRun(const uint8_t* bits, int32_t length, Paint paint) {
    int32_t x = 0;
    while (x < length) {
        const int32_t byte = x / 8;
        const uint8_t rest = static_cast<uint8_t>(bits[byte] << (x % 8));
        if (rest == 0) {
            x = (byte + 1) * 8;
            continue;
        }
        const int32_t from = x + std::countl_zero(rest);
        int32_t to = from;
        while (to < length) {
            if (to % 8 == 0 && bits[to / 8] == 0xFF)
                to += 8;
            else if (bits[to / 8] >> (7 - to % 8) & 1)
                ++to;
            else
                break;
        }
        paint(from, std::min(to, length));
        x = to;
    }
}

std::unique_ptr<PageSurface> TurnBits(const PageSurface& page, QuarterTurn turn) {
    const int32_t width = page.Width();
    const int32_t height = page.Height();
    auto turned = CreatePageSurface(height, width, page.Background());
    if (!turned)
        return nullptr;
    PageSurface::RowPainter painter(turned.get(), page.Ink());
    ColumnRows columns(std::min(kColumnsAtATime, width), height);
    for (int32_t first = 0; first < width; first += kColumnsAtATime) {
        const int32_t count = std::min(kColumnsAtATime, width - first);
        columns.Gather(page, first, count);
        for (int32_t k = 0; k < count; ++k) {
            const int32_t x = first + k;
            // Clockwise, source column x becomes row x read from the bottom up; counter-
            // clockwise it becomes row width - 1 - x read from the top down.
            const bool clockwise = turn == QuarterTurn::Clockwise;
            painter.Start(clockwise ? x : width - 1 - x);
            ForEachRun(columns.Row(k), height, [&](int32_t from, int32_t to) {
                if (clockwise)
                    painter.Paint(height - to, height - from);
                else
                    painter.Paint(from, to);
            });
        }
    }
    painter.Finish();
    return turned;
}

// A page of more than two colours is turned pixel by pixel.
std::unique_ptr<PageSurface> TurnColours(const PageSurface& page, QuarterTurn turn) {
    const int32_t width = page.Width();
    const int32_t height = page.Height();
    auto turned = CreatePageSurface(height, width, page.Background());
    if (!turned)
        return nullptr;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const ColourValue colour = page.Pixel(x, y);
            if (colour == page.Background())
                continue;
            const int32_t tx = turn == QuarterTurn::Clockwise ? height - 1 - y : y;
            const int32_t ty = turn == QuarterTurn::Clockwise ? x : width - 1 - x;
            turned->PaintLine(tx, ty, tx, colour);
        }
    return turned;
}

// Half a turn: row y becomes row height - 1 - y read from the right.
std::unique_ptr<PageSurface> TurnBitsHalf(const PageSurface& page) {
    const int32_t width = page.Width();
    const int32_t height = page.Height();
    auto turned = CreatePageSurface(width, height, page.Background());
    if (!turned)
        return nullptr;
    PageSurface::RowPainter painter(turned.get(), page.Ink());
    for (int32_t y = 0; y < height; ++y) {
        if (!page.RowsPainted(y, 1))
            continue;
        painter.Start(height - 1 - y);
        ForEachRun(page.PlaneRow(y), width,
                   [&](int32_t from, int32_t to) { painter.Paint(width - to, width - from); });
    }
    painter.Finish();
    return turned;
}

std::unique_ptr<PageSurface> TurnColoursHalf(const PageSurface& page) {
    const int32_t width = page.Width();
    const int32_t height = page.Height();
    auto turned = CreatePageSurface(width, height, page.Background());
    if (!turned)
        return nullptr;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if (const ColourValue colour = page.Pixel(x, y); colour != page.Background())
                turned->PaintLine(width - 1 - x, height - 1 - y, width - 1 - x, colour);
    return turned;
}

} // namespace

std::unique_ptr<PageSurface> TurnedHalf(const PageSurface& page) {
    return page.IsBilevel() ? TurnBitsHalf(page) : TurnColoursHalf(page);
}

std::unique_ptr<PageSurface> TurnedQuarter(const PageSurface& page, QuarterTurn turn) {
    return page.IsBilevel() ? TurnBits(page, turn) : TurnColours(page, turn);
}

} // namespace faxlens::page
