// Fax pages as senders, fax servers and scanners store them: two-dimensional Group 3, fill order
// 2, black-is-zero, Huffman RLE, uncompressed and PackBits pages decode to the pixels libtiff
// reads; saved again they are white-is-zero, fill order 1; pages that cannot be shown say why.

#include "codec/page_decode.h"
#include "codec/reference/run_encoder.h"
#include "encode/page_encoder.h"
#include "page/surface_rows.h"
#include "support/libtiff_pages.h"
#include "support/reading.h"
#include "support/tiff_builder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <numeric>
#include <optional>
#include <tiffio.h>

namespace faxlens::codec {
namespace {

using test::Bitmap;
using test::ChangesOf;
using test::FaxOptions;
using test::TempDir;

// Opens image `index` (from 0) of a file the way the viewer does.
page::DecodedPage OpenImage(const std::string& path, int index) {
    const std::vector<int64_t> offsets = test::ImageOffsetsOf(path);
    if (static_cast<std::size_t>(index) >= offsets.size()) {
        ADD_FAILURE() << path << " has no image " << index;
        return {};
    }
    return test::DecodeImage(path, offsets[static_cast<std::size_t>(index)]);
}

Bitmap DecodeWithFaxlens(const std::string& path, int index) {
    const page::DecodedPage decoded = OpenImage(path, index);
    EXPECT_EQ(decoded.status, page::PageStatus::Decoded) << page::PageProblem(decoded);
    return decoded.surface ? test::BitmapOf(*decoded.surface) : Bitmap();
}

FaxOptions Fax(int compression, uint32_t t4Options, int32_t rowsPerStrip, bool bigEndian,
               int fillOrder = 1, int photometric = 0, int paletteDarkIndex = 1) {
    return {compression, t4Options,   rowsPerStrip,    bigEndian,
            fillOrder,   photometric, paletteDarkIndex};
}

struct VariantCase {
    const char* name;
    FaxOptions options;
    int32_t width;
    bool noisy;
};

void PrintTo(const VariantCase& c, std::ostream* out) {
    *out << c.name;
}

class VariantCrossCheck : public ::testing::TestWithParam<VariantCase> {};

TEST_P(VariantCrossCheck, DecodesToTheSamePixelsAsLibtiff) {
    const VariantCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File("page.tif");
    const Bitmap first =
        c.noisy ? test::NoisePage(c.width, 90, 5, 35) : test::TextLikePage(c.width, 260, 4);
    const Bitmap second = test::TextLikePage(c.width, 130, 8);
    test::WriteFaxPages(path, {first, second}, c.options);
    for (int index : {0, 1}) {
        const Bitmap expected = test::ReadWithLibtiff(path, index);
        ASSERT_TRUE(expected == (index == 0 ? first : second)) << "libtiff reads another page";
        const Bitmap actual = DecodeWithFaxlens(path, index);
        EXPECT_TRUE(expected == actual)
            << "page " << index << ": " << test::DescribeDifferences(expected, actual);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, VariantCrossCheck,
    ::testing::Values(
        // Group 3 with two-dimensional lines, EOLs unaligned (1) and byte-aligned (5).
        VariantCase{"G3TwoD", Fax(3, 1, 0, false), 1728, false},
        VariantCase{"G3TwoDStripsBigEndian", Fax(3, 1, 37, true), 1001, false},
        VariantCase{"G3TwoDNoise", Fax(3, 1, 0, true), 517, true},
        VariantCase{"G3TwoDNoiseStrips", Fax(3, 1, 16, false), 203, true},
        VariantCase{"G3TwoDAligned", Fax(3, 5, 0, false), 1725, false},
        VariantCase{"G3TwoDAlignedStripsBigEndian", Fax(3, 5, 50, true), 1728, false},
        VariantCase{"G3TwoDAlignedNoise", Fax(3, 5, 0, false), 99, true},
        VariantCase{"G3TwoDAlignedNoiseStripsBigEndian", Fax(3, 5, 7, true), 333, true},
        VariantCase{"G3TwoDWide", Fax(3, 5, 0, false), 5203, false},
        // Bits of every byte least significant first.
        VariantCase{"G3FillOrder2", Fax(3, 0, 0, false, 2), 1728, false},
        VariantCase{"G3AlignedFillOrder2NoiseStripsBigEndian", Fax(3, 4, 25, true, 2), 203, true},
        VariantCase{"G3TwoDFillOrder2Strips", Fax(3, 1, 40, false, 2), 1001, false},
        VariantCase{"G3TwoDAlignedFillOrder2NoiseBigEndian", Fax(3, 5, 0, true, 2), 517, true},
        VariantCase{"G4FillOrder2BigEndian", Fax(4, 0, 0, true, 2), 1728, false},
        VariantCase{"G4FillOrder2NoiseStrips", Fax(4, 0, 9, false, 2), 99, true},
        // Black is zero.
        VariantCase{"G3MinIsBlack", Fax(3, 4, 0, false, 1, 1), 1728, false},
        VariantCase{"G3TwoDMinIsBlackNoiseStripsBigEndian", Fax(3, 5, 20, true, 1, 1), 203, true},
        VariantCase{"G4MinIsBlackStrips", Fax(4, 0, 50, false, 1, 1), 1725, false},
        VariantCase{"G4MinIsBlackNoiseBigEndian", Fax(4, 0, 0, true, 1, 1), 517, true},
        VariantCase{"G4MinIsBlackFillOrder2", Fax(4, 0, 30, false, 2, 1), 1001, false},
        VariantCase{"UncompressedMinIsBlackStrips", Fax(1, 0, 33, false, 1, 1), 1001, false},
        VariantCase{"PackBitsMinIsBlackNoiseBigEndian", Fax(32773, 0, 0, true, 1, 1), 99, true},
        // Huffman RLE: rows without EOLs, each on a byte boundary.
        VariantCase{"HuffmanRle", Fax(2, 0, 0, false), 1728, false},
        VariantCase{"HuffmanRleNoiseStripsBigEndian", Fax(2, 0, 11, true), 203, true},
        VariantCase{"HuffmanRleWide", Fax(2, 0, 0, false), 5203, false},
        VariantCase{"HuffmanRleFillOrder2MinIsBlackNoise", Fax(2, 0, 0, false, 2, 1), 1001, true},
        // One bit a pixel, plain or packed.
        VariantCase{"Uncompressed", Fax(1, 0, 0, false), 1728, false},
        VariantCase{"UncompressedNoiseStripsBigEndian", Fax(1, 0, 13, true), 203, true},
        VariantCase{"UncompressedFillOrder2Noise", Fax(1, 0, 0, false, 2), 517, true},
        VariantCase{"PackBits", Fax(32773, 0, 0, false), 1725, false},
        VariantCase{"PackBitsNoiseStripsBigEndian", Fax(32773, 0, 6, true), 99, true},
        VariantCase{"PackBitsStripsText", Fax(32773, 0, 64, false), 1001, false},
        // One bit a pixel packed with LZW or Deflate, as scanners store pages.
        VariantCase{"Lzw", Fax(5, 0, 0, false), 1728, false},
        VariantCase{"LzwNoiseStripsBigEndian", Fax(5, 0, 13, true), 203, true},
        VariantCase{"LzwFillOrder2MinIsBlack", Fax(5, 0, 40, false, 2, 1), 1001, false},
        VariantCase{"Deflate", Fax(8, 0, 0, false), 1728, false},
        VariantCase{"DeflateNoiseStripsFillOrder2", Fax(8, 0, 9, true, 2), 517, true},
        VariantCase{"OldDeflateMinIsBlack", Fax(32946, 0, 64, false, 1, 1), 1725, false},
        // A palette of two colours: the darker one is black.
        VariantCase{"G4PaletteDarkOne", Fax(4, 0, 0, false, 1, 3, 1), 1728, false},
        VariantCase{"G4PaletteDarkZeroStrips", Fax(4, 0, 50, true, 1, 3, 0), 1001, false},
        VariantCase{"UncompressedPaletteDarkZeroNoise", Fax(1, 0, 0, false, 1, 3, 0), 203, true},
        VariantCase{"LzwPaletteDarkOne", Fax(5, 0, 30, false, 1, 3, 1), 517, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CorpusCrossCheck, Group4FillOrder2PageDecodesLikeLibtiff) {
    const auto path = std::filesystem::path(FAXLENS_CORPUS_DIR) / "pillow/g4-fillorder-test.tif";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "no corpus file " << path;
    const Bitmap expected = test::ReadWithLibtiff(path.string(), 0);
    const Bitmap actual = DecodeWithFaxlens(path.string(), 0);
    EXPECT_TRUE(expected == actual) << test::DescribeDifferences(expected, actual);
}

// ---- Group 3 two-dimensional data made by hand ----

void AppendRow1D(BitString& bits, const ChangeList& changes) {
    int32_t previous = 0;
    Colour colour = kWhite;
    for (int32_t change : changes) {
        reference::AppendRun(bits, change - previous, colour);
        previous = change;
        colour = colour == kWhite ? kBlack : kWhite;
    }
}

// A one-strip page of Compression 3, T4Options 1 holding the bits.
std::string WriteGroup3TwoD(const TempDir& dir, const Bitmap& page, BitString bits) {
    bits.append((8 - bits.size() % 8) % 8, '0');
    std::vector<uint8_t> bytes;
    reference::BitsToBytes(bits, bytes);
    test::TiffBuilder builder;
    const uint32_t strip = builder.AddData(bytes);
    builder.Ifd()
        .Long(tiff::tag::kImageWidth, {static_cast<uint32_t>(page.width)})
        .Long(tiff::tag::kImageLength, {static_cast<uint32_t>(page.height)})
        .Short(tiff::tag::kCompression, {3})
        .Long(tiff::tag::kStripOffsets, {strip})
        .Long(tiff::tag::kRowsPerStrip, {static_cast<uint32_t>(page.height)})
        .Long(tiff::tag::kStripByteCounts, {static_cast<uint32_t>(bytes.size())})
        .Long(tiff::tag::kT4Options, {1});
    const std::string path = dir.File("hand-made.tif");
    builder.WriteTo(path);
    return path;
}

TEST(Group3TwoD, DataWithoutAnEolBeforeTheFirstLineStartsInRowZero) {
    const Bitmap page = test::NoisePage(37, 7, 11, 40);
    const std::string tags = "x001011"; // after each EOL: 1 one-dimensional, 0 two-dimensional
    for (bool aligned : {false, true}) {
        SCOPED_TRACE(aligned ? "EOLs byte-aligned" : "EOLs unaligned");
        BitString bits;
        AppendRow1D(bits, ChangesOf(page, 0));
        for (int32_t y = 1; y < page.height; ++y) {
            if (aligned)
                reference::AppendRun(bits, -1, kWhite);
            else
                bits += "000000000001";
            bits += tags[static_cast<std::size_t>(y)];
            if (tags[static_cast<std::size_t>(y)] == '1')
                AppendRow1D(bits, ChangesOf(page, y));
            else
                reference::AppendRow2D(bits, ChangesOf(page, y - 1), ChangesOf(page, y),
                                       page.width);
        }
        for (int eol = 0; eol < 6; ++eol) // end of page: EOLs, each with a tag bit 1
            bits += "0000000000011";
        TempDir dir;
        const Bitmap actual = DecodeWithFaxlens(WriteGroup3TwoD(dir, page, bits), 0);
        EXPECT_TRUE(page == actual) << test::DescribeDifferences(page, actual);
    }
}

// ---- a page without Compression or RowsPerStrip ----

TEST(Uncompressed, MissingCompressionOrRowsPerStripTakeTheDefaults) {
    const Bitmap page = test::NoisePage(21, 5, 3);
    std::vector<uint8_t> rows;
    for (int32_t y = 0; y < page.height; ++y)
        for (int32_t x0 = 0; x0 < page.width; x0 += 8) {
            uint8_t byte = 0;
            for (int32_t x = x0; x < std::min(x0 + 8, page.width); ++x)
                byte |= static_cast<uint8_t>(page.At(x, y) << (7 - (x - x0)));
            rows.push_back(byte);
        }
    const std::optional<uint32_t> noTag;
    for (const std::optional<uint32_t> rowsPerStrip : {noTag, std::optional<uint32_t>(~0u)}) {
        for (bool intel : {true, false}) {
            SCOPED_TRACE(rowsPerStrip ? "RowsPerStrip 2^32 - 1" : "no RowsPerStrip");
            test::TiffBuilder builder(intel);
            const uint32_t strip = builder.AddData(rows);
            builder.Ifd()
                .Short(tiff::tag::kImageWidth, {21})
                .Short(tiff::tag::kImageLength, {5})
                .Short(tiff::tag::kPhotometric, {0})
                .Long(tiff::tag::kStripOffsets, {strip});
            if (rowsPerStrip)
                builder.Long(tiff::tag::kRowsPerStrip, {*rowsPerStrip});
            builder.Long(tiff::tag::kStripByteCounts, {static_cast<uint32_t>(rows.size())});
            TempDir dir;
            const std::string path = dir.File("plain.tif");
            builder.WriteTo(path);
            const Bitmap actual = DecodeWithFaxlens(path, 0);
            EXPECT_TRUE(page == actual) << test::DescribeDifferences(page, actual);
            const Bitmap libtiff = test::ReadWithLibtiff(path, 0);
            EXPECT_TRUE(libtiff == actual) << test::DescribeDifferences(libtiff, actual);
        }
    }
}

// ---- saving ----

int TagOf(const std::string& path, uint32_t tag) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return -1;
    uint16_t value = 0;
    const int found = TIFFGetField(tif, tag, &value);
    TIFFClose(tif);
    return found ? value : -1;
}

TEST(SaveVariantPages, SavedPageIsWhiteIsZeroFillOrder1WithTheSameBlackPixels) {
    const struct {
        const char* what;
        FaxOptions options;
    } sources[] = {
        {"Group 3 2D, fill order 2, black is zero", Fax(3, 5, 30, true, 2, 1)},
        {"Group 4, fill order 2", Fax(4, 0, 0, false, 2)},
        {"Huffman RLE, black is zero", Fax(2, 0, 17, false, 1, 1)},
        {"PackBits, black is zero", Fax(32773, 0, 0, true, 1, 1)},
        {"uncompressed, fill order 2, black is zero", Fax(1, 0, 0, false, 2, 1)},
    };
    for (const auto& source : sources) {
        SCOPED_TRACE(source.what);
        TempDir dir;
        const std::string path = dir.File("source.tif");
        test::WriteFaxPages(path, {test::TextLikePage(1001, 120, 6)}, source.options);
        const Bitmap original = test::ReadWithLibtiff(path, 0);
        const page::DecodedPage decoded = OpenImage(path, 0);
        ASSERT_TRUE(decoded.surface) << page::PageProblem(decoded);
        for (const auto save : {encode::SavePageG3, encode::SavePageG4}) {
            const std::string out = dir.File("saved.tif");
            ASSERT_TRUE(save(page::SurfaceRows(*decoded.surface), 0, 0, out, 0, 0, {}));
            EXPECT_EQ(TagOf(out, TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_MINISWHITE);
            EXPECT_EQ(TagOf(out, TIFFTAG_FILLORDER), FILLORDER_MSB2LSB);
            const Bitmap saved = test::ReadWithLibtiff(out, 0);
            EXPECT_TRUE(saved == original) << test::DescribeDifferences(original, saved);
        }
    }
}

// ---- pages that cannot be shown ----

TEST(UnsupportedPages, GiveNoSurfaceAndNameTheCompressionOrLayout) {
    TempDir dir;
    for (const test::UnsupportedPage& page : test::WriteUnsupportedPages(dir.Path())) {
        SCOPED_TRACE(page.what);
        const page::DecodedPage decoded = test::DecodeImage(page.path, page.ifdOffset);
        EXPECT_EQ(decoded.status, page::PageStatus::Unsupported);
        EXPECT_EQ(decoded.surface, nullptr);
        EXPECT_EQ(page::PageProblem(decoded), page.problem);
        EXPECT_EQ(DecoderFor(decoded.page), PageDecoder::None);
        // Handed to the strip decoding anyway, the page paints nothing.
        auto surface = page::CreatePageSurface(64, 16, page::kColourWhite);
        const Result<tiff::TiffFile> file = tiff::TiffFile::Open(page.path);
        ASSERT_TRUE(file);
        const Result<PageDamage> damage =
            page::DecodePageIntoSurface(surface.get(), *file, decoded.page);
        ASSERT_TRUE(damage);
        EXPECT_FALSE(damage->Any());
        EXPECT_TRUE(test::BitmapOf(*surface) == Bitmap(64, 16));
    }
}

// ---- the byte helpers ----

TEST(UnpackBits, LiteralsRepeatsNoOpsTruncationAndTheLimit) {
    std::vector<uint8_t> longLiteral(129);
    std::iota(longLiteral.begin(), longLiteral.end(), uint8_t{0});
    longLiteral[0] = 0x7F; // 128 bytes as they stand
    const struct {
        const char* what;
        std::vector<uint8_t> packed;
        std::size_t limit;
        std::vector<uint8_t> unpacked;
    } cases[] = {
        {"a literal run", {0x02, 1, 2, 3}, 10, {1, 2, 3}},
        {"a repeat", {0xFE, 0xAA}, 10, {0xAA, 0xAA, 0xAA}},
        {"literal, repeat, literal",
         {0x01, 'a', 'b', 0xFE, 'c', 0x00, 'd'},
         99,
         {'a', 'b', 'c', 'c', 'c', 'd'}},
        {"-128 is skipped alone", {0x80, 0xFF, 9, 0x80}, 10, {9, 9}},
        {"a literal cut by the end", {0x04, 1, 2}, 10, {1, 2}},
        {"a repeat without its byte", {0x05, 1, 2, 3, 4, 5, 6, 0xFD}, 10, {1, 2, 3, 4, 5, 6}},
        {"the limit cuts a literal", {0x03, 1, 2, 3, 4, 0x00, 5}, 2, {1, 2}},
        {"the limit cuts a repeat", {0xF9, 7, 0x00, 8}, 3, {7, 7, 7}},
        {"a limit of 0", {0x00, 1}, 0, {}},
        {"nothing packed", {}, 10, {}},
        {"a long literal", longLiteral, 1000, {longLiteral.begin() + 1, longLiteral.end()}},
        {"a long repeat",
         {0x81, 0x55, 0x00, 0x66},
         1000,
         [] {
             std::vector<uint8_t> v(128, 0x55);
             v.push_back(0x66);
             return v;
         }()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnpackBits(c.packed, c.limit), c.unpacked) << c.what;
}

TEST(ReverseBitOrder, TurnsEveryByteRound) {
    std::vector<uint8_t> bytes{0x00, 0xFF, 0x01, 0x80, 0x0F, 0xA5, 0x12, 0xC4};
    ReverseBitOrder(bytes);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0xFF, 0x80, 0x01, 0xF0, 0xA5, 0x48, 0x23}));
    std::vector<uint8_t> all(256);
    std::iota(all.begin(), all.end(), uint8_t{0});
    std::vector<uint8_t> twice = all;
    ReverseBitOrder(twice);
    ReverseBitOrder(twice);
    EXPECT_EQ(twice, all);
    ReverseBitOrder(std::span<uint8_t>{}); // nothing to turn
}

} // namespace
} // namespace faxlens::codec
