// faxlens-cli pdf: images of a file as pages of one PDF file whose pictures are Group 4 streams.
// Checked as other programs read it: qpdf finds no error, and poppler and Ghostscript, rendering
// each page at the page's own resolution, give libtiff's pixels exactly.

#include "base/bit_words.h"
#include "cli_process.h"
#include "support/libtiff_pages.h"
#include "support/tiff_builder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <tiffio.h>

namespace faxlens::test {
namespace {

namespace fs = std::filesystem;

int Shell(const std::string& command) {
    return std::system(command.c_str());
}

struct Resolution {
    int x, y;
};

// Page k of the PDF rendered by poppler and by Ghostscript at the given resolution.
std::vector<Bitmap> Rendered(const TempDir& dir, const std::string& pdf, int page, Resolution r) {
    const std::string k = std::to_string(page);
    const std::string poppler = dir.File("poppler-" + k);
    const std::string gs = dir.File("gs-" + k + ".pbm");
    EXPECT_EQ(Shell("pdftoppm -singlefile -mono -f " + k + " -l " + k + " -rx " +
                    std::to_string(r.x) + " -ry " + std::to_string(r.y) + " '" + pdf + "' '" +
                    poppler + "'"),
              0);
    EXPECT_EQ(Shell("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pbmraw -r" + std::to_string(r.x) +
                    "x" + std::to_string(r.y) + " -dFirstPage=" + k + " -dLastPage=" + k +
                    " -sOutputFile='" + gs + "' '" + pdf + "'"),
              0);
    return {ReadPbm(poppler + ".pbm"), ReadPbm(gs)};
}

TEST(CliPdf, EveryPageRendersAsLibtiffReadsItAndTheFileStaysSmall) {
    TempDir dir;
    const std::string tif = dir.File("pages.tif");
    const Resolution resolutions[] = {{204, 196}, {204, 98}, {300, 300}};
    std::string parts;
    for (const Resolution& r : resolutions) {
        FaxOptions options;
        options.compression = r.x == 300 ? 3 : 4;
        options.xResolution = static_cast<float>(r.x);
        options.yResolution = static_cast<float>(r.y);
        const std::string part = dir.File("part" + std::to_string(r.y) + ".tif");
        WriteFaxPages(part, {TextLikePage(r.x == 300 ? 2480 : 1728, r.y == 98 ? 1100 : 900, r.y)},
                      options);
        parts += "'" + part + "' ";
    }
    ASSERT_EQ(Shell("tiffcp " + parts + "'" + tif + "'"), 0); // each page keeps its coding
    const std::string pdf = dir.File("pages.pdf");
    const CliResult result = RunCli({"pdf", tif, pdf});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(Shell("qpdf --check '" + pdf + "' > /dev/null"), 0);
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE("page " + std::to_string(page + 1));
        const Bitmap expected = ReadWithLibtiff(tif, page);
        for (const Bitmap& shown : Rendered(dir, pdf, page + 1, resolutions[page]))
            EXPECT_TRUE(shown == expected) << DescribeDifferences(expected, shown);
    }
    ASSERT_EQ(Shell("tiff2pdf -o '" + dir.File("t2p.pdf") + "' '" + tif + "' 2> /dev/null"), 0);
    EXPECT_LE(fs::file_size(pdf), fs::file_size(dir.File("t2p.pdf")) + 3 * 1024);
}

// libtiff's raw bytes of strip 0 of the file's first page.
std::vector<uint8_t> RawStrip(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    std::vector<uint8_t> bytes;
    if (tif == nullptr)
        return bytes;
    bytes.resize(static_cast<std::size_t>(TIFFRawStripSize(tif, 0)));
    bytes.resize(static_cast<std::size_t>(std::max<tmsize_t>(
        TIFFReadRawStrip(tif, 0, bytes.data(), static_cast<tmsize_t>(bytes.size())), 0)));
    TIFFClose(tif);
    return bytes;
}

bool Contains(const std::vector<uint8_t>& haystack, const std::vector<uint8_t>& needle) {
    return !needle.empty() && std::search(haystack.begin(), haystack.end(), needle.begin(),
                                          needle.end()) != haystack.end();
}

// A sound one-strip Group 4 page goes into the PDF as its own bytes (turned round for FillOrder
// 2), and still renders as libtiff reads it; a page in several strips is coded anew.
TEST(CliPdf, SoundGroup4PagesKeepTheirOwnCoding) {
    const struct {
        const char* name;
        int fillOrder;
        int photometric;
        int32_t rowsPerStrip;
        bool ownBytes;
    } cases[] = {
        {"min-is-white", 1, 0, 0, true},
        {"FillOrder 2", 2, 0, 0, true},
        {"min-is-black", 1, 1, 0, true},
        {"two strips", 1, 0, 450, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string tif = dir.File("page.tif");
        FaxOptions options;
        options.fillOrder = c.fillOrder;
        options.photometric = c.photometric;
        options.rowsPerStrip = c.rowsPerStrip;
        WriteFaxPages(tif, {TextLikePage(1728, 900, 5)}, options);
        const std::string pdf = dir.File("page.pdf");
        const CliResult result = RunCli({"pdf", tif, pdf});
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        std::vector<uint8_t> strip = RawStrip(tif);
        if (c.fillOrder == 2)
            for (uint8_t& byte : strip)
                byte = ReversedByte(byte);
        EXPECT_EQ(Contains(ReadFile(pdf), strip), c.ownBytes);
        const Bitmap expected = ReadWithLibtiff(tif, 0);
        for (const Bitmap& shown : Rendered(dir, pdf, 1, {204, 196}))
            EXPECT_TRUE(shown == expected) << DescribeDifferences(expected, shown);
    }
}

TEST(CliPdf, ImagesChosenByListInTheirOrder) {
    TempDir dir;
    const std::string tif = dir.File("pages.tif");
    WriteFaxPages(
        tif, {TextLikePage(800, 100, 1), TextLikePage(900, 100, 2), TextLikePage(1000, 100, 3)},
        {});
    const std::string pdf = dir.File("chosen.pdf");
    ASSERT_EQ(RunCli({"pdf", tif, pdf, "--images", "3,1-2"}).exitStatus, 0);
    for (const auto& [page, image] : {std::pair{1, 2}, {2, 0}, {3, 1}}) {
        const Bitmap expected = ReadWithLibtiff(tif, image);
        EXPECT_TRUE(Rendered(dir, pdf, page, {204, 196}).front() == expected) << page;
    }
    for (const std::string list : {"0", "4", "2-1", "1,", "x", "1-", ""}) {
        const CliResult wrong = RunCli({"pdf", tif, dir.File("no.pdf"), "--images", list});
        EXPECT_EQ(wrong.exitStatus, 2) << '"' << list << '"';
        EXPECT_FALSE(fs::exists(dir.File("no.pdf")));
    }
}

// Images that cannot be shown are left out, each with a line; none written at all is a failure.
TEST(CliPdf, ImagesThatCannotBeShownAreLeftOutAndSaidSo) {
    TempDir dir;
    TiffBuilder builder;
    const uint32_t strip = builder.AddData({0xF0, 0x0F});
    builder.Ifd()
        .Long(tiff::tag::kImageWidth, {8})
        .Long(tiff::tag::kImageLength, {2})
        .Long(tiff::tag::kStripOffsets, {strip})
        .Long(tiff::tag::kStripByteCounts, {2});
    builder.Ifd()
        .Long(tiff::tag::kImageWidth, {8})
        .Long(tiff::tag::kImageLength, {2})
        .Short(tiff::tag::kCompression, {7})
        .Long(tiff::tag::kStripOffsets, {strip})
        .Long(tiff::tag::kStripByteCounts, {2});
    const std::string tif = dir.File("mixed.tif");
    builder.WriteTo(tif);
    const CliResult some = RunCli({"pdf", tif, dir.File("some.pdf")});
    EXPECT_EQ(some.exitStatus, 3);
    EXPECT_EQ(some.err, "faxlens-cli: " + tif +
                            " image 2: This page cannot be shown: its compression is JPEG.\n");
    EXPECT_EQ(Shell("test \"$(qpdf --show-npages '" + dir.File("some.pdf") + "')\" = 1"), 0);

    const CliResult none = RunCli({"pdf", tif, dir.File("none.pdf"), "--images", "2"});
    EXPECT_EQ(none.exitStatus, 1);
    EXPECT_EQ(Lines(none.err).size(), 2u) << none.err;
    EXPECT_FALSE(fs::exists(dir.File("none.pdf")));
    EXPECT_EQ(FolderContents(dir.Path()), (std::vector<std::string>{"mixed.tif", "some.pdf"}));
}

// A damaged page goes into the PDF as decoded, and is named: the run exits 3, as decode does.
TEST(CliPdf, DamagedPagesAreWrittenAndSaidSo) {
    TempDir dir;
    const std::string damaged = dir.File("damaged.tif");
    WriteDamagedFaxPage(damaged);
    const CliResult result = RunCli({"pdf", damaged, dir.File("damaged.pdf")});
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
    EXPECT_TRUE(result.err.starts_with("faxlens-cli: " + damaged + " image 1 is damaged: rows "))
        << result.err;
    EXPECT_EQ(Shell("test \"$(qpdf --show-npages '" + dir.File("damaged.pdf") + "')\" = 1"), 0);
}

} // namespace
} // namespace faxlens::test
