#include "page/page_surface.h"

#include <gtest/gtest.h>

namespace faxlens {
namespace {

TEST(PageSurface, ZeroSidesBecomeOnePixel) {
    auto surface = page::CreatePageSurface(0, 0, page::kColourWhite);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->Width(), 1);
    EXPECT_EQ(surface->Height(), 1);
    EXPECT_EQ(surface->Pixel(0, 0), page::kColourWhite);
}

TEST(PageSurface, NewSurfaceReadsBackItsFillColourAtEveryCorner) {
    const page::ColourValue teal = 0x00804020;
    auto surface = page::CreatePageSurface(1728, 3, teal);
    ASSERT_NE(surface, nullptr);
    for (auto [x, y] : {std::pair{0, 0}, {1727, 0}, {0, 2}, {1727, 2}, {864, 1}})
        EXPECT_EQ(surface->Pixel(x, y), teal) << x << "," << y;
    EXPECT_TRUE(surface->IsBilevel());
    EXPECT_EQ(surface->PlaneStride(), 216u);
}

// One bit a pixel counts: the largest TIFF page fits, a page of eight times the budget's bits
// does not, and neither does a row of more than the budget's bytes.
TEST(PageSurface, RefusesNegativeAndOversizedPages) {
    EXPECT_EQ(page::CreatePageSurface(-1, 10, page::kColourWhite), nullptr);
    EXPECT_EQ(page::CreatePageSurface(10, -5, page::kColourWhite), nullptr);
    EXPECT_EQ(page::CreatePageSurface(INT32_MAX, 5, page::kColourWhite), nullptr);
    EXPECT_FALSE(page::SurfaceSizeFits(0, 5));
    EXPECT_TRUE(page::SurfaceSizeFits(65535, 65535));
    EXPECT_TRUE(page::SurfaceSizeFits(1, 350'000'000));
    EXPECT_TRUE(page::SurfaceSizeFits(8, page::kSurfaceByteBudget));
    EXPECT_FALSE(page::SurfaceSizeFits(8, page::kSurfaceByteBudget + 1));
    EXPECT_FALSE(page::SurfaceSizeFits(9, page::kSurfaceByteBudget));
}

// Two colours stay bits whichever they are; a third turns the surface into a 24-bit picture that
// keeps every pixel, and a fill makes it one colour of bits again.
TEST(PageSurface, KeepsBitsUntilAThirdColour) {
    auto surface = page::CreatePageSurface(20, 3, page::kColourBlack);
    surface->PaintLine(3, 1, 12, page::kColourWhite);
    surface->PaintLine(5, 1, 6, page::kColourBlack);
    ASSERT_TRUE(surface->IsBilevel());
    EXPECT_EQ(surface->Background(), page::kColourBlack);
    EXPECT_EQ(surface->Ink(), page::kColourWhite);
    EXPECT_EQ(surface->PlaneRow(1)[0], 0b00011001);
    EXPECT_EQ(surface->PlaneRow(1)[1], 0b11111000);
    surface->PaintLine(19, 2, 19, 0x00336699);
    ASSERT_FALSE(surface->IsBilevel());
    for (int x = 0; x < 20; ++x) {
        const bool white = x >= 3 && x <= 12 && (x < 5 || x > 6);
        EXPECT_EQ(surface->Pixel(x, 1), white ? page::kColourWhite : page::kColourBlack) << x;
        EXPECT_EQ(surface->Pixel(x, 2), x == 19 ? 0x00336699u : page::kColourBlack) << x;
    }
    EXPECT_EQ(surface->RgbRow(2)[19 * 3], 0x99); // red first
    surface->Fill(page::kColourWhite);
    EXPECT_TRUE(surface->IsBilevel());
    EXPECT_EQ(surface->Pixel(19, 2), page::kColourWhite);
    EXPECT_EQ(surface->PlaneRow(1)[1], 0);
}

// Rows never painted are known as such, so readers need not touch their memory; a span that
// lies wholly outside the row paints nothing and makes no ink.
TEST(PageSurface, KnowsWhichRowsWerePainted) {
    auto surface = page::CreatePageSurface(40000, 12, page::kColourWhite); // 5000 bytes a row
    EXPECT_FALSE(surface->RowsPainted(0, 12));
    const int64_t outside[] = {40000, 40010};
    surface->PaintSpans(3, outside, 0x00123456);
    EXPECT_EQ(surface->Ink(), page::kColourWhite);
    EXPECT_FALSE(surface->RowsPainted(0, 12));
    surface->PaintLine(39990, 7, 39999, page::kColourBlack);
    EXPECT_TRUE(surface->RowsPainted(7, 1));
    EXPECT_TRUE(surface->RowsPainted(0, 12));
    EXPECT_FALSE(surface->RowsPainted(0, 6));
    EXPECT_FALSE(surface->RowsPainted(9, 3));
    surface->Fill(page::kColourWhite);
    EXPECT_FALSE(surface->RowsPainted(0, 12));
}

// Spans paint as PaintLine paints each of them, clipped to the row.
TEST(PageSurface, PaintSpansPaintsEachSpan) {
    auto surface = page::CreatePageSurface(70, 2, page::kColourWhite);
    const int64_t spans[] = {-5, 2, 4, 4, 9, 8, 10, 66, 68, 1000};
    surface->PaintSpans(1, spans, page::kColourBlack);
    surface->PaintSpans(2, spans, page::kColourBlack); // outside
    for (int x = 0; x < 70; ++x) {
        const bool black = x < 2 || (x >= 10 && x < 66) || x >= 68;
        EXPECT_EQ(surface->Pixel(x, 1), black ? page::kColourBlack : page::kColourWhite) << x;
        EXPECT_EQ(surface->Pixel(x, 0), page::kColourWhite) << x;
    }
}

TEST(PageSurface, PaintLineColoursBothEndsAndNothingElse) {
    auto surface = page::CreatePageSurface(10, 2, page::kColourWhite);
    surface->PaintLine(2, 1, 5, page::kColourBlack);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(surface->Pixel(x, 0), page::kColourWhite);
        EXPECT_EQ(surface->Pixel(x, 1),
                  (x >= 2 && x <= 5) ? page::kColourBlack : page::kColourWhite)
            << x;
    }
}

TEST(PageSurface, PaintLineClipsToTheSurface) {
    auto surface = page::CreatePageSurface(8, 2, page::kColourWhite);
    surface->PaintLine(-100, 0, 2, page::kColourBlack);      // cut on the left
    surface->PaintLine(6, 0, INT64_MAX, page::kColourBlack); // cut on the right
    surface->PaintLine(0, -1, 7, page::kColourBlack);        // rows outside paint nothing
    surface->PaintLine(0, 2, 7, page::kColourBlack);
    surface->PaintLine(5, 1, 3, page::kColourBlack);   // end left of start: nothing
    surface->PaintLine(20, 1, 30, page::kColourBlack); // wholly right of the page
    const page::ColourValue row0[8] = {page::kColourBlack, page::kColourBlack, page::kColourBlack,
                                       page::kColourWhite, page::kColourWhite, page::kColourWhite,
                                       page::kColourBlack, page::kColourBlack};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(surface->Pixel(x, 0), row0[x]) << x;
        EXPECT_EQ(surface->Pixel(x, 1), page::kColourWhite) << x;
    }
}

TEST(PageSurface, ColouredLinesKeepTheirChannels) {
    auto surface = page::CreatePageSurface(4, 1, page::kColourWhite);
    surface->PaintLine(1, 0, 2, 0x000000FF); // pure red
    EXPECT_EQ(surface->Pixel(1, 0), 0x000000FFu);
    EXPECT_EQ(surface->Pixel(2, 0), 0x000000FFu);
    EXPECT_EQ(surface->Pixel(3, 0), page::kColourWhite);
}

TEST(PageSurface, FillRecoloursEveryPixel) {
    auto surface = page::CreatePageSurface(3, 3, page::kColourWhite);
    surface->PaintLine(0, 1, 2, page::kColourBlack);
    surface->Fill(0x00112233);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(surface->Pixel(x, y), 0x00112233u);
}

TEST(PageSurface, PixelsOutsideReadAsInvalid) {
    auto surface = page::CreatePageSurface(2, 2, page::kColourWhite);
    EXPECT_EQ(surface->Pixel(-1, 0), page::kInvalidColour);
    EXPECT_EQ(surface->Pixel(2, 0), page::kInvalidColour);
    EXPECT_EQ(surface->Pixel(0, 2), page::kInvalidColour);
}

} // namespace
} // namespace faxlens
