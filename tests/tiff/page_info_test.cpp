#include "support/reading.h"
#include "support/tiff_builder.h"
#include "tiff/page_info.h"

#include <gtest/gtest.h>

namespace faxlens {
namespace {

using test::TempDir;
using test::TiffBuilder;

struct PageFile {
    TempDir dir;
    std::string path = dir.File("page.tif");
    tiff::TiffPage page;

    void Read(const TiffBuilder& builder) {
        builder.WriteTo(path);
        const int64_t ifd = builder.IfdOffsets().front();
        page = test::PageParametersOf(path, ifd);
    }
};

TiffBuilder FaxPage(bool intel) {
    TiffBuilder b(intel);
    b.Ifd()
        .Short(tiff::tag::kImageWidth, {1728})
        .Short(tiff::tag::kImageLength, {1143})
        .Short(tiff::tag::kCompression, {3})
        .Long(tiff::tag::kStripOffsets, {8})
        .Short(tiff::tag::kRowsPerStrip, {1143})
        .Long(tiff::tag::kStripByteCounts, {4992})
        .Rational(tiff::tag::kXResolution, {{204, 1}})
        .Rational(tiff::tag::kYResolution, {{98, 1}});
    return b;
}

TEST(PageInfo, OneStripGroup3PageInBothByteOrders) {
    for (bool intel : {true, false}) {
        PageFile f;
        f.Read(FaxPage(intel));
        EXPECT_EQ(f.page.width, 1728);
        EXPECT_EQ(f.page.height, 1143);
        EXPECT_EQ(f.page.xResolution, 204);
        EXPECT_EQ(f.page.yResolution, 98);
        EXPECT_EQ(f.page.compressionName, "Group3 Fax");
        EXPECT_EQ(f.page.rowsPerStrip, 1143);
        ASSERT_EQ(f.page.strips.size(), 1u);
        EXPECT_EQ(f.page.strips[0].offset, 8);
        EXPECT_EQ(f.page.strips[0].byteCount, 4992);
    }
}

TEST(PageInfo, ResolutionsRoundHalfToEven) {
    const std::pair<uint32_t, int32_t> cases[] = {{391, 196}, {393, 196}, {395, 198}, {408, 204}};
    for (auto [numerator, expected] : cases) {
        TiffBuilder b;
        b.Ifd()
            .Short(tiff::tag::kImageWidth, {8})
            .Short(tiff::tag::kImageLength, {8})
            .Rational(tiff::tag::kXResolution, {{numerator, 2}});
        PageFile f;
        f.Read(b);
        EXPECT_EQ(f.page.xResolution, expected) << numerator << "/2";
    }
}

TEST(PageInfo, MissingHeightZeroesEveryNumberAndLeavesTheName) {
    TiffBuilder b;
    b.Ifd()
        .Short(tiff::tag::kImageWidth, {1728})
        .Short(tiff::tag::kCompression, {4})
        .Rational(tiff::tag::kXResolution, {{204, 1}});
    PageFile f;
    f.Read(b);
    EXPECT_EQ(f.page.width, 0);
    EXPECT_EQ(f.page.height, 0);
    EXPECT_EQ(f.page.xResolution, 0);
    EXPECT_EQ(f.page.compressionName, "");
}

TEST(PageInfo, StripsKeepTheFilesOrderAndIgnoreExtraCounts) {
    TiffBuilder b;
    b.Ifd()
        .Short(tiff::tag::kImageWidth, {8})
        .Short(tiff::tag::kImageLength, {24})
        .Long(tiff::tag::kStripOffsets, {8, 5000, 9000})
        .Long(tiff::tag::kStripByteCounts, {4992, 4000, 100, 77});
    PageFile f;
    f.Read(b);
    EXPECT_EQ(f.page.rowsPerStrip, 0); // missing: every strip starts at row 0
    ASSERT_EQ(f.page.strips.size(), 3u);
    const tiff::StripSlot expected[] = {{8, 4992}, {5000, 4000}, {9000, 100}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(f.page.strips[i].offset, expected[i].offset);
        EXPECT_EQ(f.page.strips[i].byteCount, expected[i].byteCount);
    }
}

TEST(PageInfo, OffsetsWithoutCountsGetNoBytes) {
    TiffBuilder b;
    b.Ifd()
        .Short(tiff::tag::kImageWidth, {8})
        .Short(tiff::tag::kImageLength, {8})
        .Long(tiff::tag::kStripOffsets, {100, 200})
        .Long(tiff::tag::kStripByteCounts, {50});
    PageFile f;
    f.Read(b);
    ASSERT_EQ(f.page.strips.size(), 2u);
    EXPECT_EQ(f.page.strips[1].offset, 200);
    EXPECT_EQ(f.page.strips[1].byteCount, 0);
}

// Without StripOffsets there is no strip; without StripByteCounts every strip is there with a
// count of 0, which the decoder reads up to the next strip.
TEST(PageInfo, StripTableWithoutOffsetsOrCounts) {
    for (bool withOffsets : {true, false}) {
        TiffBuilder b;
        b.Ifd().Short(tiff::tag::kImageWidth, {8}).Short(tiff::tag::kImageLength, {8});
        if (withOffsets)
            b.Long(tiff::tag::kStripOffsets, {8, 40});
        else
            b.Long(tiff::tag::kStripByteCounts, {8});
        PageFile f;
        f.Read(b);
        if (withOffsets) {
            ASSERT_EQ(f.page.strips.size(), 2u);
            EXPECT_EQ(f.page.strips[1].offset, 40);
            EXPECT_EQ(f.page.strips[1].byteCount, 0);
        } else {
            EXPECT_TRUE(f.page.strips.empty());
        }
    }
}

TEST(PageInfo, ACountCutByTheFileLengthAddsNoSlotForTheCutMarker) {
    // StripOffsets claims 2^31 values; the reader formats as many as the file can hold and
    // marks the cut, and the marker is no strip of its own.
    TiffBuilder b;
    b.Ifd()
        .Short(tiff::tag::kImageWidth, {8})
        .Short(tiff::tag::kImageLength, {8})
        .RawField(tiff::tag::kStripOffsets, 4, 0x7FFFFFFF, 8)
        .Long(tiff::tag::kStripByteCounts, {1});
    PageFile f;
    f.Read(b);
    const std::size_t fileLength = b.Build().size();
    EXPECT_EQ(f.page.strips.size(), (fileLength + 3) / 4);
}

// LONG sizes and offsets are unsigned: RowsPerStrip 2^32 - 1 (libtiff's "all rows in one
// strip") and offsets past 2 GiB come out as the file gives them.
TEST(PageInfo, LongValuesAreUnsigned) {
    TiffBuilder b;
    b.Ifd()
        .Long(tiff::tag::kImageWidth, {0xFFFFFFFF})
        .Long(tiff::tag::kImageLength, {2})
        .Long(tiff::tag::kRowsPerStrip, {0xFFFFFFFF})
        .Long(tiff::tag::kStripOffsets, {0x80000000, 0xFFFFFFF0})
        .Long(tiff::tag::kStripByteCounts, {0xC0000000, 1});
    PageFile f;
    f.Read(b);
    EXPECT_EQ(f.page.width, 4294967295);
    EXPECT_EQ(f.page.rowsPerStrip, 4294967295);
    ASSERT_EQ(f.page.strips.size(), 2u);
    EXPECT_EQ(f.page.strips[0].offset, 2147483648);
    EXPECT_EQ(f.page.strips[0].byteCount, 3221225472);
    EXPECT_EQ(f.page.strips[1].offset, 4294967280);
}

} // namespace
} // namespace faxlens
