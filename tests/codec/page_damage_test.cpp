// What decoding reports of a page: nothing for sound pages, and for damaged ones the rows it
// could not decode, the first bad code, and the strips that are cut short, missing, outside the
// file or followed by data that belongs to no row.

#include "codec/page_decode.h"
#include "support/libtiff_pages.h"
#include "support/reading.h"
#include "support/tiff_builder.h"

#include <gtest/gtest.h>
#include <random>
#include <tiffio.h>

namespace faxlens::codec {
namespace {

using test::TempDir;
using test::TiffBuilder;

constexpr int32_t kWidth = 1728;
constexpr int32_t kHeight = 300;
constexpr int32_t kRowsPerStrip = 100;

// The three raw strips of a sound page, as libtiff wrote them.
std::vector<std::vector<uint8_t>> SoundStrips(const TempDir& dir, int compression) {
    test::FaxOptions options;
    options.compression = compression;
    options.rowsPerStrip = kRowsPerStrip;
    const std::string path = dir.File("sound.tif");
    test::WriteFaxPages(path, {test::TextLikePage(kWidth, kHeight, 8)}, options);
    std::vector<std::vector<uint8_t>> strips;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    for (tstrip_t s = 0; tif && s < TIFFNumberOfStrips(tif); ++s) {
        std::vector<uint8_t> strip(static_cast<std::size_t>(TIFFRawStripSize(tif, s)));
        TIFFReadRawStrip(tif, s, strip.data(), static_cast<tmsize_t>(strip.size()));
        strips.push_back(std::move(strip));
    }
    if (tif)
        TIFFClose(tif);
    return strips;
}

std::vector<uint8_t> Noise(std::size_t bytes) {
    std::mt19937 random(5);
    std::vector<uint8_t> noise(bytes);
    for (uint8_t& byte : noise)
        byte = static_cast<uint8_t>(random());
    return noise;
}

// A page of strips whose offsets and byte counts are given; strips are stored in order.
struct StripLayout {
    std::vector<std::vector<uint8_t>> strips;
    std::vector<int64_t> offsets; // -1: where the strip is stored
    std::vector<int64_t> counts;  // -1: the strip's own size
    bool lastStripAfterDirectory = false;
    std::size_t lastStripCut = 0; // bytes of the last strip left out of the file
    bool withoutByteCounts = false;
};

std::string WritePage(const TempDir& dir, const StripLayout& layout, int compression) {
    const auto build = [&](uint32_t lastOffset) {
        TiffBuilder builder;
        std::vector<uint32_t> offsets, counts;
        for (std::size_t s = 0; s < layout.strips.size(); ++s) {
            const bool deferred = layout.lastStripAfterDirectory && s + 1 == layout.strips.size();
            const uint32_t stored = deferred ? lastOffset : builder.AddData(layout.strips[s]);
            offsets.push_back(layout.offsets[s] >= 0 ? static_cast<uint32_t>(layout.offsets[s])
                                                     : stored);
            counts.push_back(static_cast<uint32_t>(
                layout.counts[s] >= 0 ? layout.counts[s]
                                      : static_cast<int64_t>(layout.strips[s].size())));
        }
        builder.Ifd()
            .Long(tiff::tag::kImageWidth, {kWidth})
            .Long(tiff::tag::kImageLength, {kHeight})
            .Short(tiff::tag::kCompression, {static_cast<uint16_t>(compression)})
            .Long(tiff::tag::kStripOffsets, offsets)
            .Long(tiff::tag::kRowsPerStrip, {kRowsPerStrip});
        if (!layout.withoutByteCounts)
            builder.Long(tiff::tag::kStripByteCounts, counts);
        return builder.Build();
    };
    std::vector<uint8_t> bytes = build(0);
    if (layout.lastStripAfterDirectory) {
        bytes = build(static_cast<uint32_t>(bytes.size()));
        const auto& last = layout.strips.back();
        bytes.insert(bytes.end(), last.begin(),
                     last.end() - static_cast<long>(layout.lastStripCut));
    }
    const std::string path = dir.File("page.tif");
    test::WriteFile(path, bytes);
    return path;
}

PageDamage DamageOf(const std::string& path) {
    const page::DecodedPage decoded = test::DecodeImage(path, test::ImageOffsetsOf(path).at(0));
    EXPECT_EQ(decoded.status, page::PageStatus::Decoded);
    return decoded.damage;
}

TEST(PageDamage, SoundPagesOfEveryFaxCodingReportNothing) {
    for (const int compression : {2, 3, 4}) {
        TempDir dir;
        StripLayout layout{SoundStrips(dir, compression), {-1, -1, -1}, {-1, -1, -1}};
        const PageDamage damage = DamageOf(WritePage(dir, layout, compression));
        EXPECT_FALSE(damage.Any()) << compression << ": " << damage.Describe();
        EXPECT_EQ(damage.RowsDecoded(), kHeight);
        EXPECT_EQ(damage.Describe(), "");
        // Without byte counts each strip is read up to what follows it, the directory for the
        // last: that is no data left over.
        layout.withoutByteCounts = true;
        const PageDamage uncounted = DamageOf(WritePage(dir, layout, compression));
        EXPECT_FALSE(uncounted.Any()) << compression << ": " << uncounted.Describe();
    }
}

TEST(PageDamage, EachKindOfDamageIsFoundWhereItIs) {
    TempDir dir;
    const auto sound = SoundStrips(dir, 4);
    ASSERT_EQ(sound.size(), 3u);
    const std::size_t lastSize = sound[2].size();
    std::vector<uint8_t> withExtra = sound[0];
    const std::vector<uint8_t> extra = {0xFF, 0x13, 0x37, 0xFF};
    withExtra.insert(withExtra.end(), extra.begin(), extra.end());
    const struct {
        const char* what;
        StripLayout layout;
        int compression;
        std::string described;
    } cases[] = {
        {"noise in place of strip 1",
         {{sound[0], Noise(sound[1].size()), sound[2]}, {-1, -1, -1}, {-1, -1, -1}},
         4,
         "to 200 could not be decoded (bad code in strip 1 at byte "},
        {"strip 2 cut short at the end of the file",
         {sound, {-1, -1, -1}, {-1, -1, -1}, true, lastSize / 2},
         4,
         "could not be decoded; strip 2 is cut short: " + std::to_string(lastSize - lastSize / 2) +
             " of " + std::to_string(lastSize) + " bytes"},
        {"no strip listed for the last rows",
         {{sound[0], sound[1]}, {-1, -1}, {-1, -1}},
         4,
         "rows 201 to 300 could not be decoded"},
        {"strip 1 outside the file",
         {sound, {-1, 1 << 30, -1}, {-1, -1, -1}},
         4,
         "rows 101 to 200 could not be decoded; strip 1 lies outside the file"},
        {"data after the rows of strip 0",
         {{withExtra, sound[1], sound[2]}, {-1, -1, -1}, {-1, -1, -1}},
         4,
         "strip 0 has data left over (4 bytes)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PageDamage damage = DamageOf(WritePage(dir, c.layout, c.compression));
        EXPECT_TRUE(damage.Any());
        EXPECT_NE(damage.Describe().find(c.described), std::string::npos) << damage.Describe();
    }
}

// Noise in a Group 3 strip: the decoder stops at the first row that cannot be decoded, and the
// report names that row and the byte of the code.
TEST(PageDamage, TheFirstBadCodeNamesItsStripByteAndRow) {
    TempDir dir;
    auto strips = SoundStrips(dir, 3);
    std::vector<uint8_t>& middle = strips[1];
    const std::size_t at = middle.size() / 2;
    std::fill(middle.begin() + static_cast<long>(at), middle.begin() + static_cast<long>(at) + 8,
              uint8_t{0xFF});
    const PageDamage damage = DamageOf(WritePage(dir, {strips, {-1, -1, -1}, {-1, -1, -1}}, 3));
    ASSERT_TRUE(damage.firstBadCode.has_value()) << damage.Describe();
    EXPECT_EQ(damage.firstBadCode->strip, 1);
    // Noise may read as codes for a while: the decoder stops at the first that it cannot read.
    EXPECT_GE(damage.firstBadCode->byte, static_cast<int64_t>(at));
    EXPECT_LE(damage.firstBadCode->byte, static_cast<int64_t>(at) + 32);
    EXPECT_GT(damage.firstBadCode->row, 101);
    EXPECT_LE(damage.firstBadCode->row, 200);
    ASSERT_EQ(damage.undecodedRows.size(), 1u);
    EXPECT_EQ(damage.undecodedRows[0].first, damage.firstBadCode->row);
    EXPECT_EQ(damage.undecodedRows[0].last, 200);
    EXPECT_EQ(damage.RowsDecoded(), kHeight - (201 - damage.firstBadCode->row));
}

TEST(PageDamage, RowRangesMergeAndDescribeThemselves) {
    PageDamage damage;
    damage.rowsExpected = 100;
    damage.AddUndecodedRows(10, 20);
    damage.AddUndecodedRows(20, 30);
    EXPECT_EQ(damage.Describe(), "rows 11 to 30 could not be decoded");
    damage.AddUndecodedRows(49, 50);
    EXPECT_EQ(damage.Describe(), "21 of 100 rows could not be decoded, the first row 11");
    PageDamage one;
    one.AddUndecodedRows(4, 5);
    EXPECT_EQ(one.Describe(), "row 5 could not be decoded");
}

} // namespace
} // namespace faxlens::codec
