// A page's small picture: the page's physical proportions within the box, and the page's
// pixels averaged into it.

#include "page/viewed_page.h"
#include "support/libtiff_pages.h"
#include "support/reading.h"
#include "support/tiff_builder.h"
#include "viewer/thumbnail.h"

#include <gtest/gtest.h>

namespace faxlens::test {
namespace {

TEST(Thumbnail, KeepsThePhysicalProportionsAndAveragesThePixels) {
    TempDir dir;
    // A fax page of normal resolution: 1728 x 1100 pixels at 204 x 98 dpi, 8.5 x 11.2 inches.
    Bitmap page(1728, 1100);
    for (int32_t y = 0; y < 550; ++y)
        for (int32_t x = 0; x < 1728; ++x)
            page.At(x, y) = 1; // the top half black
    WriteFaxPages(dir.File("fax.tif"), {page}, {.xResolution = 204, .yResolution = 98});
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(dir.File("fax.tif"));
    ASSERT_TRUE(file);
    const Result<page::ViewedPage> viewed =
        page::ViewedPage::Open(*file, ImageOffsetsOf(dir.File("fax.tif")).at(0));
    ASSERT_TRUE(viewed && viewed->Surface());

    const QImage picture = viewer::ThumbnailOf(*viewed, QSize(96, 96));
    EXPECT_EQ(picture.size(), QSize(72, 96)) << "8.5 by 11.2 inches, not 1728 by 1100 pixels";
    EXPECT_EQ(qGray(picture.pixel(36, 10)), 0);
    EXPECT_EQ(qGray(picture.pixel(36, 90)), 255);
    EXPECT_TRUE(viewer::ThumbnailOf(page::ViewedPage(), QSize(96, 96)).isNull());
}

} // namespace
} // namespace faxlens::test
