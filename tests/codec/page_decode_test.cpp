#include "codec/page_decode.h"
#include "support/libtiff_pages.h"
#include "support/reading.h"
#include "support/tiff_builder.h"
#include "tiff/page_info.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <tiffio.h>

namespace faxlens::codec {
namespace {

using test::Bitmap;
using test::FaxOptions;
using test::TempDir;

// Decodes image `index` (from 0) of a file the way the viewer does.
Bitmap DecodeWithFaxlens(const std::string& path, int index) {
    const std::vector<int64_t> offsets = test::ImageOffsetsOf(path);
    EXPECT_LT(static_cast<std::size_t>(index), offsets.size());
    if (static_cast<std::size_t>(index) >= offsets.size())
        return {};
    const page::DecodedPage decoded =
        test::DecodeImage(path, offsets[static_cast<std::size_t>(index)]);
    EXPECT_EQ(decoded.status, page::PageStatus::Decoded) << page::PageProblem(decoded);
    return decoded.surface ? test::BitmapOf(*decoded.surface) : Bitmap();
}

struct CrossCase {
    const char* name;
    FaxOptions options;
    int32_t width;
    int32_t height;
    bool noisy;
};

void PrintTo(const CrossCase& c, std::ostream* out) {
    *out << c.name;
}

class LibtiffCrossCheck : public ::testing::TestWithParam<CrossCase> {};

TEST_P(LibtiffCrossCheck, DecodesToTheSamePixelsAsLibtiff) {
    const CrossCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File("page.tif");
    const Bitmap page = c.noisy ? test::NoisePage(c.width, c.height, 7, 30)
                                : test::TextLikePage(c.width, c.height, 3);
    test::WriteFaxPages(path, {page, test::TextLikePage(c.width, c.height, 9)}, c.options);
    for (int index : {0, 1}) {
        const Bitmap expected = test::ReadWithLibtiff(path, index);
        const Bitmap actual = DecodeWithFaxlens(path, index);
        const std::vector<int64_t> offsets = test::ImageOffsetsOf(path);
        const PageDamage damage =
            test::DecodeImage(path, offsets.at(static_cast<std::size_t>(index))).damage;
        EXPECT_FALSE(damage.Any()) << "a sound page: " << damage.Describe();
        EXPECT_TRUE(expected == actual)
            << "page " << index << ": " << test::DescribeDifferences(expected, actual);
    }
}

FaxOptions Options(int compression, uint32_t t4Options, int32_t rowsPerStrip, bool bigEndian) {
    FaxOptions o;
    o.compression = compression;
    o.t4Options = t4Options;
    o.rowsPerStrip = rowsPerStrip;
    o.bigEndian = bigEndian;
    return o;
}

INSTANTIATE_TEST_SUITE_P(
    Pages, LibtiffCrossCheck,
    ::testing::Values(CrossCase{"G3OneStrip", Options(3, 0, 0, false), 1728, 300, false},
                      CrossCase{"G3EolAligned", Options(3, 4, 0, false), 1728, 300, false},
                      CrossCase{"G3ManyStripsBigEndian", Options(3, 4, 37, true), 1728, 300, false},
                      CrossCase{"G3OddWidthNoise", Options(3, 0, 64, false), 1001, 120, true},
                      CrossCase{"G3EolAlignedNoise", Options(3, 4, 0, true), 203, 90, true},
                      CrossCase{"G4OneStrip", Options(4, 0, 0, false), 1728, 300, false},
                      CrossCase{"G4ManyStrips", Options(4, 0, 50, false), 1728, 300, false},
                      CrossCase{"G4BigEndianOddWidth", Options(4, 0, 0, true), 1725, 200, false},
                      CrossCase{"G4Noise", Options(4, 0, 0, false), 517, 150, true},
                      CrossCase{"G4NoiseManyStrips", Options(4, 0, 7, true), 99, 60, true},
                      CrossCase{"G4Wide", Options(4, 0, 0, false), 5200, 80, false},
                      CrossCase{"G3Wide", Options(3, 4, 0, false), 5200, 80, false}),
    [](const auto& info) { return std::string(info.param.name); });

// The raw strips of the first page of a file written by libtiff.
std::vector<std::vector<uint8_t>> RawStrips(const std::string& path) {
    std::vector<std::vector<uint8_t>> strips;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return strips;
    for (tstrip_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
        std::vector<uint8_t> strip(static_cast<std::size_t>(TIFFRawStripSize(tif, s)));
        TIFFReadRawStrip(tif, s, strip.data(), static_cast<tmsize_t>(strip.size()));
        strips.push_back(std::move(strip));
    }
    TIFFClose(tif);
    return strips;
}

// Strips whose byte count is 0, or whose StripByteCounts is missing, are read up to the next
// strip or the end of the file. libtiff reads a lone strip with a count of 0 so too (it refuses
// the others).
TEST(StripsWithoutByteCounts, AreReadUpToTheNextStrip) {
    TempDir dir;
    const Bitmap page = test::TextLikePage(1728, 240, 11);
    const struct {
        const char* what;
        int32_t rowsPerStrip;
        bool zeroFirst, zeroLast, missing;
    } cases[] = {
        {"a lone strip of 0 bytes", 240, true, true, false},
        {"every strip 0 bytes", 80, true, true, false},
        {"the last strip 0 bytes", 80, false, true, false},
        {"no StripByteCounts", 80, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FaxOptions options;
        options.compression = 4;
        options.rowsPerStrip = c.rowsPerStrip;
        test::WriteFaxPages(dir.File("source.tif"), {page}, options);
        const auto strips = RawStrips(dir.File("source.tif"));
        test::TiffBuilder builder;
        std::vector<uint32_t> offsets;
        std::vector<uint32_t> byteCounts;
        for (const auto& strip : strips) {
            offsets.push_back(builder.AddData(strip));
            byteCounts.push_back(uint32_t(strip.size()));
        }
        byteCounts.front() = c.zeroFirst ? 0 : byteCounts.front();
        byteCounts.back() = c.zeroLast ? 0 : byteCounts.back();
        builder.Ifd()
            .Short(tiff::tag::kImageWidth, {1728})
            .Short(tiff::tag::kImageLength, {240})
            .Short(tiff::tag::kCompression, {4})
            .Long(tiff::tag::kStripOffsets, offsets);
        builder.Short(tiff::tag::kRowsPerStrip, {uint16_t(c.rowsPerStrip)});
        if (!c.missing)
            builder.Long(tiff::tag::kStripByteCounts, byteCounts);
        const std::string path = dir.File("counts.tif");
        builder.WriteTo(path);
        const Bitmap actual = DecodeWithFaxlens(path, 0);
        EXPECT_TRUE(actual == page) << test::DescribeDifferences(page, actual);
        if (strips.size() == 1) {
            EXPECT_TRUE(test::ReadWithLibtiff(path, 0) == actual);
        }
    }
}

// Every file of the corpus (and of FAXLENS_EXTRA_CORPUS, a folder to sweep by hand): every page
// that libtiff reads as one bit a pixel in strips is decoded, to the same pixels.
TEST(CorpusCrossCheck, EveryBilevelPageThatLibtiffReadsDecodesTheSame) {
    std::vector<std::filesystem::path> folders = {FAXLENS_CORPUS_DIR};
    if (const char* extra = std::getenv("FAXLENS_EXTRA_CORPUS"))
        folders.emplace_back(extra);
    int pages = 0;
    for (const auto& folder : folders) {
        if (!std::filesystem::exists(folder))
            continue;
        for (const auto& file : std::filesystem::recursive_directory_iterator(folder)) {
            if (!file.is_regular_file())
                continue;
            const std::string path = file.path().string();
            const std::vector<int64_t> offsets = tiff::ImagesOf(path);
            for (int directory = 0; directory < 64; ++directory) {
                const auto expected = test::TryReadBilevelWithLibtiff(path, directory);
                if (!expected)
                    continue;
                const auto listed = std::find(offsets.begin(), offsets.end(),
                                              static_cast<int64_t>(expected->ifdOffset));
                ASSERT_NE(listed, offsets.end()) << path << " directory " << directory;
                const page::DecodedPage decoded = test::DecodeImage(path, *listed);
                ASSERT_EQ(decoded.status, page::PageStatus::Decoded)
                    << path << " directory " << directory << ": " << page::PageProblem(decoded);
                const Bitmap actual = test::BitmapOf(*decoded.surface);
                EXPECT_FALSE(decoded.damage.Any())
                    << path << " directory " << directory << ": " << decoded.damage.Describe();
                EXPECT_TRUE(expected->bitmap == actual)
                    << path << " directory " << directory << ": "
                    << test::DescribeDifferences(expected->bitmap, actual);
                ++pages;
            }
        }
    }
    if (pages == 0)
        GTEST_SKIP() << "no corpus with bilevel pages";
    std::cout << pages << " pages compared\n";
}

} // namespace
} // namespace faxlens::codec
