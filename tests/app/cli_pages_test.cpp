// faxlens-cli pages: images of several files, chosen and ordered, as the pages of one new file
// that libtiff (and for T.85 jbigkit) reads back pixel for pixel, with the fields of the
// single-page saves and the page numbers; what cannot be written is named, and nothing is lost.

#include "cli_process.h"
#include "support/jbig_streams.h"
#include "support/libtiff_pages.h"
#include "support/tiff_builder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <tiffio.h>

namespace faxlens::test {
namespace {

struct PageFields {
    uint32_t subfileType = 0;
    uint16_t compression = 0;
    uint16_t number = 0;
    uint16_t count = 0;
    float yResolution = 0;
};

std::vector<PageFields> FieldsOf(const std::string& path) {
    std::vector<PageFields> pages;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr)
        return pages;
    do {
        PageFields fields;
        TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &fields.subfileType);
        TIFFGetField(tif, TIFFTAG_COMPRESSION, &fields.compression);
        TIFFGetField(tif, TIFFTAG_PAGENUMBER, &fields.number, &fields.count);
        TIFFGetField(tif, TIFFTAG_YRESOLUTION, &fields.yResolution);
        pages.push_back(fields);
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return pages;
}

// Page k of a T.85 file as jbigkit's own decoder reads its strip.
Bitmap ReadT85Page(const std::string& path, int k, const std::string& folder) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr || !TIFFSetDirectory(tif, static_cast<tdir_t>(k)))
        return {};
    std::vector<uint8_t> strip(static_cast<std::size_t>(TIFFRawStripSize(tif, 0)));
    TIFFReadRawStrip(tif, 0, strip.data(), static_cast<tmsize_t>(strip.size()));
    TIFFClose(tif);
    return DecodeWithJbgtopbm85(strip, folder);
}

// Three sources: Group 3 pages at 98 dpi, a Group 4 page with fill order 2 (its own coding kept
// in a Group 4 file, turned round) and a black-is-zero Group 4 page (coded anew: its codes say
// the opposite of what a white-is-zero page shows).
class CliPagesTest : public ::testing::Test {
protected:
    CliPagesTest()
        : g3(dir.File("g3.tif")), lsb(dir.File("lsb.tif")), inverse(dir.File("inv.tif")) {
        WriteFaxPages(g3, {TextLikePage(1728, 300, 1), NoisePage(1001, 120, 2, 20)},
                      {.compression = 3, .rowsPerStrip = 64, .yResolution = 98});
        WriteFaxPages(lsb, {TextLikePage(800, 200, 3)}, {.fillOrder = 2});
        WriteFaxPages(inverse, {TextLikePage(640, 100, 4)}, {.photometric = 1});
    }

    TempDir dir, scratch;
    std::string g3, lsb, inverse;
};

TEST_F(CliPagesTest, PagesReadBackAsTheirImagesInTheOrderGiven) {
    // Output page k is image number of file.
    const std::vector<std::pair<std::string, int>> order = {
        {lsb, 0}, {g3, 1}, {g3, 0}, {inverse, 0}};
    for (const char* coding : {"--g3", "--g4", "--t85"}) {
        SCOPED_TRACE(coding);
        const std::string out = dir.File("out.tif");
        const CliResult result =
            RunCli({"pages", out, coding, lsb, g3 + ":2,1", inverse, "--verify"});
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_TRUE(result.out.starts_with("re-coded 4 pages, ")) << result.out;
        EXPECT_TRUE(result.out.ends_with(", all verified\n")) << result.out;
        EXPECT_EQ(result.out.find("kept") != std::string::npos, std::string(coding) == "--g4")
            << result.out;
        const std::vector<PageFields> fields = FieldsOf(out);
        ASSERT_EQ(fields.size(), order.size());
        for (std::size_t k = 0; k < order.size(); ++k) {
            SCOPED_TRACE(k);
            const Bitmap expected = ReadWithLibtiff(order[k].first, order[k].second);
            const Bitmap written = std::string(coding) == "--t85"
                                       ? ReadT85Page(out, static_cast<int>(k), scratch.Path())
                                       : ReadWithLibtiff(out, static_cast<int>(k));
            EXPECT_TRUE(written == expected) << DescribeDifferences(expected, written);
            EXPECT_EQ(fields[k].subfileType, 2u);
            EXPECT_EQ(fields[k].compression, std::string(coding) == "--g3"   ? 3
                                             : std::string(coding) == "--g4" ? 4
                                                                             : 9);
            EXPECT_EQ(fields[k].number, k);
            EXPECT_EQ(fields[k].count, 4);
            EXPECT_EQ(fields[k].yResolution, order[k].first == g3 ? 98 : 196);
        }
    }
}

// A damaged page is written as far as it decodes, an image that cannot be shown is left out:
// each named on stderr, exit 3. With nothing to write, exit 1 and no file.
TEST_F(CliPagesTest, WhatCannotBeWrittenWhollyIsNamed) {
    const std::string damaged = dir.File("damaged.tif");
    WriteDamagedFaxPage(damaged);
    const std::vector<UnsupportedPage> unsupported = WriteUnsupportedPages(scratch.Path());
    ASSERT_FALSE(unsupported.empty());
    const std::string& grey = unsupported[0].path;
    const CliResult some = RunCli({"pages", dir.File("some.tif"), "--g4", damaged, grey, g3});
    EXPECT_EQ(some.exitStatus, 3);
    EXPECT_TRUE(some.out.starts_with("re-coded 3 pages, ")) << some.out;
    const std::vector<std::string> lines = Lines(some.err);
    ASSERT_EQ(lines.size(), 2u) << some.err;
    EXPECT_EQ(lines[0], "faxlens-cli: " + grey + " image 1: " + unsupported[0].problem);
    EXPECT_TRUE(lines[1].starts_with("faxlens-cli: " + damaged + " image 1 is damaged: rows "));
    EXPECT_EQ(FieldsOf(dir.File("some.tif")).size(), 3u);

    const CliResult none = RunCli({"pages", dir.File("none.tif"), "--g4", grey});
    EXPECT_EQ(none.exitStatus, 1);
    EXPECT_TRUE(
        none.err.ends_with("cannot write " + dir.File("none.tif") + ": no image can be shown\n"))
        << none.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.tif")));
}

TEST_F(CliPagesTest, BadCommandLinesWriteNothing) {
    const std::vector<std::vector<std::string>> cases = {
        {"pages", dir.File("o.tif"), g3},                   // no coding
        {"pages", dir.File("o.tif"), "--g3", "--g4", g3},   // two codings
        {"pages", dir.File("o.tif"), "--g4"},               // no input
        {"pages", dir.File("o.tif"), "--g4", g3 + ":3"},    // no image 3
        {"pages", dir.File("o.tif"), "--g4", g3 + ":2-1"},  // a range backwards
        {"pages", "-", "--g4", g3, "--verify"},             // nothing to read back
        {"pages", dir.File("o.tif"), "--g4", g3, "--fast"}, // no such option
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.back());
        ExpectFailure(RunCli(args), 2);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("o.tif")));
}

} // namespace
} // namespace faxlens::test
