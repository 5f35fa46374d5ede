// JBIG pages (Compression 9, T.85, and 34661, T.82) against jbigkit's own encoders and its
// command-line decoder, and against libtiff's JBIG pages: every pixel decoded as coded, whatever
// the stream's options; a stream cut short, damaged or longer than the page decodes as far as it
// goes and says so, as a fax page does.

#include "page/decoded_page.h"
#include "support/jbig_streams.h"
#include "support/libtiff_pages.h"
#include "support/reading.h"
#include "support/tiff_builder.h"
#include "tiff/tiff_facts.h"

#include <gtest/gtest.h>

namespace faxlens::test {
namespace {

constexpr int kT85 = tiff::compression::kJbigT85;
constexpr int kT82 = tiff::compression::kJbig;

struct Decoded {
    Bitmap shown;
    codec::PageDamage damage;
};

Decoded DecodeFirstPage(const std::string& path) {
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    EXPECT_TRUE(file);
    if (!file)
        return {};
    const Result<page::DecodedPage> decoded = page::DecodePage(*file, ImageOffsetsOf(path).at(0));
    EXPECT_TRUE(decoded);
    if (!decoded || !decoded->surface) {
        ADD_FAILURE() << (decoded ? page::PageProblem(*decoded) : "not decoded");
        return {};
    }
    return {BitmapOf(*decoded->surface), decoded->damage};
}

TEST(JbigPage, DecodesEveryPixelAsCodedAndSaysWhereAStreamBreaks) {
    // Sparse noise: a stream of some kilobytes, so that cuts and damage fall among its rows.
    const Bitmap page = NoisePage(1728, 300, 4, 3);
    const std::vector<uint8_t> sound = EncodeT85(page);
    const std::vector<uint8_t> progressive = EncodeT82(page, 3);
    std::vector<uint8_t> noStripes = progressive; // a header of 0 rows a stripe (L0)
    std::fill_n(noStripes.begin() + 12, 4, 0);
    std::vector<uint8_t> cut(sound.begin(), sound.begin() + sound.size() / 2);
    std::vector<uint8_t> damaged = sound;
    ASSERT_GT(sound.size(), 1000u);
    for (std::size_t k = sound.size() / 2; k < sound.size() / 2 + 64; ++k)
        damaged[k] ^= 0x5A;
    const struct {
        const char* what;
        int compression;
        std::vector<uint8_t> stream;
        int32_t height; // the directory's
        bool lowBitFirst;
        bool whole;       // every row of the directory's height decoded as coded
        const char* said; // the start of what the damage says
        // Rows as coded: all the rows decoded, or those of the stripes before damaged data
        // (arithmetic coding decodes damaged data into wrong pixels until it meets a marker).
        int32_t asCoded;
    } cases[] = {
        {"sound", kT85, sound, 300, false, true, "", 300},
        {"open height", kT85, EncodeT85(page, {.openHeight = true}), 300, false, true, "", 300},
        {"fill order 2", kT85, sound, 300, true, true, "", 300},
        {"directory shorter", kT85, sound, 200, false, true, "strip 0 has data left over", 200},
        {"cut short", kT85, cut, 300, false, false, "rows ", -1},
        {"damaged", kT85, damaged, 300, false, false, "rows ", 128},
        {"another width", kT85, EncodeT85(NoisePage(1700, 300, 4, 3)), 300, false, false,
         "rows 1 to 300 could not be decoded (bad code in strip 0 at byte 0)", 0},
        {"T.82, one layer", kT82, EncodeT82(page, 0), 300, false, true, "", 300},
        {"T.82, one layer, fill order 2", kT82, EncodeT82(page, 0), 300, true, true, "", 300},
        {"T.82, three layers", kT82, progressive, 300, false, true, "", 300},
        {"T.82, three layers, cut short", kT82,
         std::vector<uint8_t>(progressive.begin(), progressive.end() - 100), 300, false, false,
         "rows 1 to 300 could not be decoded", 0},
        {"T.82, three layers, no rows a stripe", kT82, noStripes, 300, false, false,
         "rows 1 to 300 could not be decoded", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const Decoded decoded = DecodeFirstPage(WriteJbigPage(
            dir.File("page.tif"), c.stream, c.compression, 1728, c.height, c.lowBitFirst));
        ASSERT_EQ(decoded.shown.height, c.height);
        const std::string said = decoded.damage.Describe();
        EXPECT_TRUE(said.starts_with(c.said)) << said;
        const int32_t decodedRows = decoded.damage.RowsDecoded();
        EXPECT_EQ(decodedRows == c.height, c.whole) << said;
        const int32_t asCoded = c.asCoded < 0 ? decodedRows : std::min(c.asCoded, decodedRows);
        for (int32_t y = 0; y < asCoded; ++y)
            for (int32_t x = 0; x < 1728; ++x)
                ASSERT_EQ(decoded.shown.At(x, y), page.At(x, y)) << "row " << y << ", column " << x;
    }
}

// A page in two strips, each its own stream (as libtiff's model has it), black-is-zero: each
// strip's rows go to their place, and what the codes call black shows white.
TEST(JbigPage, EachStripIsAStreamOfItsOwnAndBlackIsZeroShowsInverted) {
    const Bitmap page = TextLikePage(1728, 300, 7);
    Bitmap top(1728, 150), bottom(1728, 150);
    for (int32_t y = 0; y < 300; ++y)
        for (int32_t x = 0; x < 1728; ++x)
            (y < 150 ? top : bottom).At(x, y % 150) = page.At(x, y);
    TempDir dir;
    TiffBuilder builder;
    const std::vector<uint8_t> first = EncodeT85(top), second = EncodeT85(bottom);
    const uint32_t firstAt = builder.AddData(first), secondAt = builder.AddData(second);
    builder.Ifd()
        .Long(tiff::tag::kImageWidth, {1728})
        .Long(tiff::tag::kImageLength, {300})
        .Short(tiff::tag::kCompression, {tiff::compression::kJbigT85})
        .Short(tiff::tag::kPhotometric, {1})
        .Long(tiff::tag::kStripOffsets, {firstAt, secondAt})
        .Long(tiff::tag::kRowsPerStrip, {150})
        .Long(tiff::tag::kStripByteCounts,
              {static_cast<uint32_t>(first.size()), static_cast<uint32_t>(second.size())});
    builder.WriteTo(dir.File("strips.tif"));
    const Decoded decoded = DecodeFirstPage(dir.File("strips.tif"));
    EXPECT_EQ(decoded.damage.Describe(), "");
    Bitmap inverted = page;
    for (uint8_t& pixel : inverted.black)
        pixel ^= 1;
    EXPECT_TRUE(decoded.shown == inverted) << DescribeDifferences(inverted, decoded.shown);
}

// libtiff codes its JBIG pages with jbigkit's T.82 encoder and turns the bits of every byte
// round under FillOrder 1: its pages read as it reads them, in either fill order.
TEST(JbigPage, ReadsLibtiffsJbigPagesInEitherFillOrder) {
    const Bitmap page = TextLikePage(1728, 1100, 5);
    for (const int fillOrder : {1, 2}) {
        SCOPED_TRACE(fillOrder);
        TempDir dir;
        const std::string path = dir.File("libtiff.tif");
        WriteFaxPages(path, {page}, {.compression = kT82, .fillOrder = fillOrder});
        const Decoded decoded = DecodeFirstPage(path);
        EXPECT_EQ(decoded.damage.Describe(), "");
        EXPECT_TRUE(decoded.shown == page) << DescribeDifferences(page, decoded.shown);
    }
}

// The options fax stacks and jbigkit's tools choose: every one decodes as jbigkit's own
// decoder decodes it.
TEST(JbigPage, EveryT85OptionDecodesAsJbigkitsOwnToolDecodesIt) {
    const Bitmap page = TextLikePage(1728, 400, 9);
    const struct {
        const char* what;
        T85Options options;
    } cases[] = {
        {"typical prediction, stripes of 128", {}},  {"two-line template", {.options = 0x48}},
        {"no typical prediction", {.options = 0}},   {"a stripe a row", {.stripeRows = 1}},
        {"one stripe", {.stripeRows = 1u << 20}},    {"template fixed", {.atMaximum = 0}},
        {"template moving far", {.atMaximum = 127}}, {"open height", {.openHeight = true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::vector<uint8_t> stream = EncodeT85(page, c.options);
        const Bitmap reference = DecodeWithJbgtopbm85(stream, dir.Path());
        ASSERT_TRUE(reference == page) << "jbgtopbm85: " << DescribeDifferences(page, reference);
        const Decoded decoded =
            DecodeFirstPage(WriteJbigPage(dir.File("page.tif"), stream, kT85, 1728, 400));
        EXPECT_TRUE(decoded.shown == reference) << DescribeDifferences(reference, decoded.shown);
        EXPECT_EQ(decoded.damage.Describe(), "");
    }
}

} // namespace
} // namespace faxlens::test
