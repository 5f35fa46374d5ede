#pragma once

// The pages the benchmarks work on, made a row at a time: even an A0 page at 400 dpi (13244 x
// 18722 pixels) never exists as more than the rows asked for. Every run makes the same pixels.

#include <cstdint>
#include <span>

namespace faxlens::bench {

enum class BenchPage {
    A4Text,    // 1728 x 2200 at 204 x 196 dpi: the tests' text-like page
    A0Drawing, // an engineering drawing: frame, grid, circles, arcs, lines, a title block
    A0Text,    // lines of letter-like glyphs from margin to margin
};

// A0 (841 x 1189 mm) at 400 dpi.
inline constexpr int32_t kA0Width = 13244;
inline constexpr int32_t kA0Height = 18722;

inline constexpr BenchPage kBenchPages[] = {BenchPage::A4Text, BenchPage::A0Drawing,
                                            BenchPage::A0Text};

struct PageFormat {
    const char* name;
    int32_t width;
    int32_t height;
    int32_t xResolution; // dots per inch
    int32_t yResolution;
};

const PageFormat& FormatOf(BenchPage page);

// Paints row y of the page into `row`, PlaneStrideOf(width) bytes: 1 for black, the first pixel
// in the most significant bit of the first byte, the bits past the width 0.
void PageRow(BenchPage page, int32_t y, std::span<uint8_t> row);

} // namespace faxlens::bench
