#include "page/page_rotation.h"
#include "support/export_pages.h"
#include "support/libtiff_pages.h"

#include <gtest/gtest.h>

namespace faxlens::test {
namespace {

// The page turned pixel by pixel: clockwise, pixel (x, y) goes to (height - 1 - y, x).
Bitmap TurnedByHand(const Bitmap& page, page::QuarterTurn turn) {
    Bitmap turned(page.height, page.width);
    for (int32_t y = 0; y < page.height; ++y)
        for (int32_t x = 0; x < page.width; ++x) {
            const bool clockwise = turn == page::QuarterTurn::Clockwise;
            turned.At(clockwise ? page.height - 1 - y : y, clockwise ? x : page.width - 1 - x) =
                page.At(x, y);
        }
    return turned;
}

TEST(PageRotation, BothTurnsMoveEveryPixelWhereAHandTurnPutsIt) {
    const struct {
        int32_t width, height, blackPercent;
    } sizes[] = {{1, 1, 100},  {7, 3, 50},     {13, 21, 50},
                 {64, 8, 100}, {1001, 300, 5}, {600, 1100, 50}};
    for (const auto& size : sizes)
        for (const page::QuarterTurn turn :
             {page::QuarterTurn::Clockwise, page::QuarterTurn::CounterClockwise}) {
            SCOPED_TRACE(testing::Message()
                         << size.width << " x " << size.height
                         << (turn == page::QuarterTurn::Clockwise ? " right" : " left"));
            const Bitmap page = NoisePage(size.width, size.height, 7, size.blackPercent);
            const auto surface = SurfaceFrom(page);
            const auto turned = page::TurnedQuarter(*surface, turn);
            ASSERT_NE(turned, nullptr);
            EXPECT_EQ(turned->Width(), size.height);
            EXPECT_EQ(turned->Height(), size.width);
            const Bitmap expected = TurnedByHand(page, turn);
            const Bitmap actual = BitmapOf(*turned);
            EXPECT_TRUE(actual == expected) << DescribeDifferences(expected, actual);
        }
}

// Half a turn in one step: pixel (x, y) goes to (width - 1 - x, height - 1 - y), on pages of
// two colours and of more.
TEST(PageRotation, AHalfTurnPutsEveryPixelWhereTwoQuarterTurnsPutIt) {
    for (const auto& [width, height] : {std::pair{1, 1}, {7, 3}, {65, 9}, {1001, 300}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        const Bitmap page = NoisePage(width, height, 5, 40);
        const auto surface = SurfaceFrom(page);
        const auto half = page::TurnedHalf(*surface);
        ASSERT_NE(half, nullptr);
        const auto twice =
            page::TurnedQuarter(*page::TurnedQuarter(*surface, page::QuarterTurn::Clockwise),
                                page::QuarterTurn::Clockwise);
        EXPECT_TRUE(BitmapOf(*half) == BitmapOf(*twice));
    }
    auto colours = page::CreatePageSurface(5, 3, page::kColourWhite);
    colours->PaintLine(0, 0, 1, 0x0000FF);
    colours->PaintLine(4, 2, 4, 0x00FF00);
    const auto half = page::TurnedHalf(*colours);
    EXPECT_EQ(half->Pixel(4, 2), 0x0000FFu);
    EXPECT_EQ(half->Pixel(3, 2), 0x0000FFu);
    EXPECT_EQ(half->Pixel(0, 0), 0x00FF00u);
    EXPECT_EQ(half->Pixel(2, 1), page::kColourWhite);
}

TEST(PageRotation, FourTurnsGiveThePageBackAndABlankPageStaysBlank) {
    const Bitmap page = TextLikePage(1728, 500, 4);
    auto surface = SurfaceFrom(page);
    for (int turn = 0; turn < 4; ++turn)
        surface = page::TurnedQuarter(*surface, page::QuarterTurn::CounterClockwise);
    EXPECT_TRUE(BitmapOf(*surface) == page);

    const auto blank = page::CreatePageSurface(300, 200, page::kColourWhite);
    const auto turnedBlank = page::TurnedQuarter(*blank, page::QuarterTurn::Clockwise);
    EXPECT_FALSE(turnedBlank->RowsPainted(0, 300));
    EXPECT_EQ(turnedBlank->Pixel(199, 299), page::kColourWhite);
}

} // namespace
} // namespace faxlens::test
