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
