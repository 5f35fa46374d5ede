// Decoded rows painted into a surface through its row sink, whichever way the surface paints the
// ink: by setting its bits, by clearing them (the ink is the background) or in 24 bits.

#include "codec/page_decode.h"
#include "codec/reference/run_encoder.h"
#include "page/surface_row_sink.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace faxlens::page {
namespace {

constexpr int32_t kWidth = 12;
constexpr ColourValue kRed = 0x000000FF;

// A Group 3 strip of rows, each given as its runs (white first) and closed by an EOL.
std::vector<uint8_t> Group3Strip(std::initializer_list<std::initializer_list<int32_t>> rows) {
    codec::BitString bits;
    for (const auto& runs : rows) {
        codec::Colour colour = codec::kWhite;
        for (const int32_t run : runs) {
            reference::AppendRun(bits, run, colour);
            colour = codec::OppositeColour(colour);
        }
        bits += reference::EncodeRun(-1, codec::kWhite, bits);
    }
    std::vector<uint8_t> bytes;
    reference::BitsToBytes(bits + std::string(7, '0'), bytes);
    return bytes;
}

// One text a row: '#' for black, '.' for white, 'r' for red, '?' for anything else.
std::vector<std::string> Picture(const PageSurface& surface) {
    std::vector<std::string> rows;
    for (int32_t y = 0; y < surface.Height(); ++y) {
        std::string row;
        for (int32_t x = 0; x < surface.Width(); ++x) {
            const ColourValue c = surface.Pixel(x, y);
            row += c == kColourBlack ? '#' : c == kColourWhite ? '.' : c == kRed ? 'r' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(SurfaceRowSink, PaintsTheInkHoweverTheSurfacePaintsIt) {
    const std::vector<uint8_t> strip = Group3Strip({{2, 3, 7}, {12}, {0, 12}});
    const struct {
        const char* name;
        ColourValue fill;
        ColourValue ink;
        std::vector<std::pair<int32_t, ColourValue>> before; // whole rows painted first
        std::vector<std::string> expected;
    } cases[] = {
        {"bits set",
         kColourWhite,
         kColourBlack,
         {},
         {"..###.......", "............", "############"}},
        {"bits cleared: the ink is the background",
         kColourWhite,
         kColourWhite,
         {{0, kColourBlack}, {1, kColourBlack}, {2, kColourBlack}},
         {"##...#######", "############", "............"}},
        {"24 bits: a third colour came first",
         kColourWhite,
         kColourBlack,
         {{1, kRed}, {2, kRed}},
         {"..###.......", "rrrrrrrrrrrr", "############"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto surface = CreatePageSurface(kWidth, 3, c.fill);
        ASSERT_NE(surface, nullptr);
        for (const auto& [row, colour] : c.before)
            surface->PaintLine(0, row, kWidth - 1, colour);
        SurfaceRowSink sink(*surface, c.ink);
        EXPECT_EQ(
            codec::DecodeFaxStrip(codec::FaxCoding::Group3, &sink, strip, false, kWidth, 3, 0), 3);
        EXPECT_EQ(Picture(*surface), c.expected);
    }
}

// Rows beyond the surface, and runs beyond its width, are not painted; a strip placed further
// down lands there.
TEST(SurfaceRowSink, ClipsToTheSurface) {
    auto surface = CreatePageSurface(kWidth, 2, kColourWhite);
    ASSERT_NE(surface, nullptr);
    SurfaceRowSink sink(*surface, kColourBlack);
    const std::vector<uint8_t> strip = Group3Strip({{10, 6}, {0, 16}, {0, 16}});
    EXPECT_EQ(codec::DecodeFaxStrip(codec::FaxCoding::Group3, &sink, strip, false, 16, 3, 1), 3);
    EXPECT_EQ(Picture(*surface), (std::vector<std::string>{"............", "..........##"}));
}

} // namespace
} // namespace faxlens::page
