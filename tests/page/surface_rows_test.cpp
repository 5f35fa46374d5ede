// The encoder's view of a surface: grey levels, the black-or-white test of a pixel and the runs
// of a row.

#include "page/surface_rows.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace faxlens::encode {
namespace {

using Runs = std::vector<std::pair<codec::Colour, int32_t>>;

constexpr codec::Colour W = codec::kWhite;
constexpr codec::Colour B = codec::kBlack;

constexpr page::ColourValue Rgb(uint32_t red, uint32_t green, uint32_t blue) {
    return red | green << 8 | blue << 16;
}
constexpr page::ColourValue Grey(uint32_t level) {
    return Rgb(level, level, level);
}

// A one-row surface holding the colours.
std::unique_ptr<page::PageSurface> RowSurface(const std::vector<page::ColourValue>& colours) {
    auto surface =
        page::CreatePageSurface(static_cast<int32_t>(colours.size()), 2, page::kColourWhite);
    for (std::size_t x = 0; x < colours.size(); ++x)
        surface->PaintLine(static_cast<int64_t>(x), 0, static_cast<int64_t>(x), colours[x]);
    return surface;
}

Runs Scan(const page::PageSurface& surface, int32_t y, int32_t width) {
    Runs runs;
    page::ScanRow(surface, y, width,
                  [&](codec::Colour colour, int32_t run) { runs.emplace_back(colour, run); });
    return runs;
}

// --- grey level and the pixel test -------------------------------------------------------

TEST(GreyLevel, WeighsRedGreenAndBlue) {
    const struct {
        int32_t red, green, blue;
        float grey;
    } cases[] = {
        {0, 0, 0, 0.0f},         {255, 255, 255, 255.0f}, {120, 120, 120, 120.0f},
        {255, 0, 0, 76.2195f},   {0, 255, 0, 149.583f},   {0, 0, 255, 29.1975f},
        {100, 0, 0, 29.89f},     {0, 100, 0, 58.66f},     {0, 0, 100, 11.45f},
        {300, 300, 300, 255.0f}, {-5, -5, -5, 0.0f}, // clamped at both ends
    };
    for (const auto& c : cases)
        EXPECT_NEAR(page::GreyLevel(c.red, c.green, c.blue), c.grey, 0.001)
            << c.red << ", " << c.green << ", " << c.blue;
}

TEST(PixelIsBlack, GreyUpToTheThresholdIsBlack) {
    const struct {
        const char* what;
        page::ColourValue colour;
        bool black;
    } cases[] = {
        {"grey 120, equal to the threshold", Grey(120), true},
        {"grey 121", Grey(121), false},
        {"grey 128", Grey(128), false},
        {"grey 1", Grey(1), true},
        {"grey 254", Grey(254), false},
        {"pure red, 76.2", Rgb(255, 0, 0), true},
        {"pure green, 149.6", Rgb(0, 255, 0), false},
        {"pure blue, 29.2", Rgb(0, 0, 255), true},
        {"yellow, 225.8", Rgb(255, 255, 0), false},
        {"bits above blue play no part", 0xFF000000u | Grey(121), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(page::PixelIsBlack(c.colour, page::kGreyThreshold), c.black) << c.what;
}

// Red is the low byte: with a threshold between blue's 29.2 and red's 76.2 the two part.
TEST(PixelIsBlack, RedIsTheLowByte) {
    EXPECT_FALSE(page::PixelIsBlack(0x0000FF, 50));
    EXPECT_TRUE(page::PixelIsBlack(0xFF0000, 50));
    EXPECT_FALSE(page::PixelIsBlack(0x00FF00, 149));
    EXPECT_TRUE(page::PixelIsBlack(0x00FF00, 150));
}

// The two colours of a decoded page are decided before any grey level: black stays black under
// a threshold no grey reaches, white stays white under one every grey is below.
TEST(PixelIsBlack, PureBlackAndWhiteAreDecidedAtOnce) {
    for (int32_t threshold : {-1000, -1, 0, 120, 255, 1000}) {
        EXPECT_TRUE(page::PixelIsBlack(page::kColourBlack, threshold)) << threshold;
        EXPECT_FALSE(page::PixelIsBlack(page::kColourWhite, threshold)) << threshold;
    }
    EXPECT_FALSE(page::PixelIsBlack(Grey(1), 0));
    EXPECT_TRUE(page::PixelIsBlack(Grey(254), 255));
}

// --- runs of a row -----------------------------------------------------------------------

TEST(ScanRow, RunsOfDescribedRows) {
    const page::ColourValue k = page::kColourBlack, w = page::kColourWhite;
    const struct {
        const char* what;
        std::vector<page::ColourValue> row;
        Runs runs;
    } cases[] = {
        {"a white row of a fax's width", std::vector<page::ColourValue>(1728, w), {{W, 1728}}},
        {"a black row of a fax's width",
         std::vector<page::ColourValue>(1728, k),
         {{W, 0}, {B, 1728}}},
        {"three black, five white", {k, k, k, w, w, w, w, w}, {{W, 0}, {B, 3}, {W, 5}}},
        {"a black row of 8", {k, k, k, k, k, k, k, k}, {{W, 0}, {B, 8}}},
        {"white, then black to the end", {w, w, k}, {{W, 2}, {B, 1}}},
        {"one white pixel", {w}, {{W, 1}}},
        {"one black pixel", {k}, {{W, 0}, {B, 1}}},
        {"alternating pixels", {w, k, w, k}, {{W, 1}, {B, 1}, {W, 1}, {B, 1}}},
        // Equal neighbours join the run of the first of them, whichever side of the threshold.
        {"dark grey pair after black", {k, Grey(100), Grey(100), w}, {{W, 0}, {B, 3}, {W, 1}}},
        {"light grey pair after black",
         {k, Grey(200), Grey(200), k},
         {{W, 0}, {B, 1}, {W, 2}, {B, 1}}},
        {"mid-grey pair after white", {w, Grey(128), Grey(128), Grey(120)}, {{W, 3}, {B, 1}}},
        {"colours by grey level",
         {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Grey(120), Grey(121), Grey(128)},
         {{W, 0}, {B, 1}, {W, 1}, {B, 2}, {W, 2}}},
    };
    for (const auto& c : cases) {
        auto surface = RowSurface(c.row);
        EXPECT_EQ(Scan(*surface, 0, static_cast<int32_t>(c.row.size())), c.runs) << c.what;
    }
}

// Nothing carries over from the row above: a row that begins black after a row that ended
// black opens with an empty white run again.
TEST(ScanRow, EveryRowStartsWhite) {
    auto surface = page::CreatePageSurface(4, 2, page::kColourWhite);
    surface->PaintLine(2, 0, 3, page::kColourBlack);
    surface->PaintLine(0, 1, 1, page::kColourBlack);
    EXPECT_EQ(Scan(*surface, 0, 4), (Runs{{W, 2}, {B, 2}}));
    EXPECT_EQ(Scan(*surface, 1, 4), (Runs{{W, 0}, {B, 2}, {W, 2}}));
}

TEST(ScanRow, ReadsOnlyTheGivenWidth) {
    auto surface = RowSurface(
        {page::kColourWhite, page::kColourBlack, page::kColourBlack, page::kColourWhite});
    EXPECT_EQ(Scan(*surface, 0, 2), (Runs{{W, 1}, {B, 1}}));
    EXPECT_EQ(Scan(*surface, 0, 3), (Runs{{W, 1}, {B, 2}}));
}

// Random rows of black, white, greys and colours: the runs alternate white first, only the
// first may be empty, they add up to the width and each pixel lies in a run of its own colour.
TEST(ScanRow, RunsAlternateAndCoverTheRow) {
    std::mt19937 random(7);
    const page::ColourValue palette[] = {
        page::kColourBlack, page::kColourWhite, Grey(120),      Grey(121),
        Rgb(255, 0, 0),     Rgb(0, 255, 0),     Rgb(0, 0, 255), 0x123456};
    for (int trial = 0; trial < 200; ++trial) {
        const auto width = static_cast<int32_t>(1 + random() % 90);
        std::vector<page::ColourValue> row;
        for (int32_t x = 0; x < width; ++x)
            row.push_back(palette[random() % (trial % 2 ? 8 : 2)]);
        auto surface = RowSurface(row);
        const Runs runs = Scan(*surface, 0, width);
        ASSERT_FALSE(runs.empty());
        int32_t x = 0;
        int64_t total = 0;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            total += runs[i].second;
            EXPECT_EQ(runs[i].first, i % 2 == 0 ? W : B) << "run " << i;
            EXPECT_GE(runs[i].second, i == 0 ? 0 : 1) << "run " << i;
            for (int32_t end = x + runs[i].second; x < end && x < width; ++x)
                EXPECT_EQ(page::PixelIsBlack(row[x], page::kGreyThreshold), runs[i].first == B)
                    << "pixel " << x << " of trial " << trial;
        }
        EXPECT_EQ(total, width) << "trial " << trial;
    }
}

} // namespace
} // namespace faxlens::encode
