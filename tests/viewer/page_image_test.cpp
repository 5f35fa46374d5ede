#include "support/export_pages.h"
#include "support/libtiff_pages.h"
#include "viewer/page_image.h"

#include <gtest/gtest.h>

namespace faxlens::test {
namespace {

TEST(PrintedPlace, PhysicalSizeCentredAndScaledDownOnlyWhenTooLarge) {
    const struct {
        QSizeF page, area;
        QRectF place;
    } cases[] = {
        {{8.5, 11}, {8, 10.5}, {{0, 0}, QSizeF(8.5, 11) * (8 / 8.5)}}, // the width limits
        {{4, 2}, {8, 10}, {{2, 4}, QSizeF(4, 2)}},
        {{16, 2}, {8, 10}, {{0, 4.5}, QSizeF(8, 1)}},
        {{0, 2}, {8, 10}, {}},
    };
    for (const auto& c : cases) {
        const QRectF place = viewer::PrintedPlace(c.page, c.area);
        EXPECT_NEAR(place.width(), c.place.width(), 1e-9);
        EXPECT_NEAR(place.height(), c.place.height(), 1e-9);
        if (!c.place.isEmpty()) {
            EXPECT_NEAR(place.center().x(), c.area.width() / 2, 1e-9);
            EXPECT_NEAR(place.center().y(), c.area.height() / 2, 1e-9);
        }
    }
}

TEST(PageImage, HoldsThePixelsAndTheResolutionAndAFaxSizeWithoutOne) {
    const Bitmap page = TextLikePage(1001, 77, 3);
    const auto surface = SurfaceFrom(page);
    const QImage image = viewer::PageImage(*surface, 204, 98);
    ASSERT_EQ(image.size(), QSize(1001, 77));
    for (int32_t y = 0; y < page.height; ++y)
        for (int32_t x = 0; x < page.width; ++x)
            ASSERT_EQ(qGray(image.pixel(x, y)) < 128, page.At(x, y) == 1) << x << "," << y;
    EXPECT_NEAR(image.dotsPerMeterY() * 0.0254, 98, 0.5);
    const QSizeF inches = viewer::PageInches(*surface, 0, 0);
    EXPECT_DOUBLE_EQ(inches.width(), 1001.0 / 204);
    EXPECT_DOUBLE_EQ(inches.height(), 77.0 / 196);
}

} // namespace
} // namespace faxlens::test
