// faxlens-cli decode and convert on pages that cannot be shown (they fail with the viewer's words
// and write nothing) and on the fax pages of other senders (saved white-is-zero, fill order 1).

#include "cli_process.h"
#include "support/libtiff_pages.h"
#include "support/tiff_builder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tiffio.h>
#include <vector>

namespace faxlens::test {
namespace {

namespace fs = std::filesystem;

// Every way of asking for a picture or a saved file of image `image` into the folder.
std::vector<std::vector<std::string>>
PageCommands(const std::string& path, const std::string& image, const std::string& dir) {
    return {{"decode", path, image, dir + "/page.pbm"},
            {"decode", path, image, dir + "/page.png"},
            {"convert", path, image, dir + "/page.tif", "--g3"},
            {"convert", path, image, dir + "/page.tif", "--g4"}};
}

TEST(CliUnsupported, DecodeAndConvertFailWithTheWordsOfTheViewer) {
    TempDir pages;
    for (const UnsupportedPage& page : WriteUnsupportedPages(pages.Path())) {
        TempDir out;
        for (const auto& args : PageCommands(page.path, "1", out.Path())) {
            SCOPED_TRACE(page.what + ": " + args[0] + " " + args.back());
            const CliResult result = RunCli(args);
            ExpectFailure(result, 1);
            EXPECT_EQ(result.err, "faxlens-cli: " + page.path + " image 1: " + page.problem + "\n");
            EXPECT_EQ(FolderContents(out.Path()), std::vector<std::string>{});
        }
    }
}

TEST(CliUnsupported, TheImageNumberIsNamedAndExistingFilesStayAsTheyWere) {
    TempDir dir;
    const std::string path = dir.File("mixed.tif");
    TiffBuilder builder;
    const uint32_t strip = builder.AddData({0xF0, 0x0F});
    for (uint16_t compression : {1, 7})
        builder.Ifd()
            .Short(tiff::tag::kImageWidth, {8})
            .Short(tiff::tag::kImageLength, {2})
            .Short(tiff::tag::kCompression, {compression})
            .Long(tiff::tag::kStripOffsets, {strip})
            .Long(tiff::tag::kRowsPerStrip, {2})
            .Long(tiff::tag::kStripByteCounts, {2});
    builder.WriteTo(path);
    const std::vector<uint8_t> old{'o', 'l', 'd', '\n'};
    for (const auto& args : PageCommands(path, "2", dir.Path())) {
        SCOPED_TRACE(args[0] + " " + args.back());
        WriteFile(args[3], old);
        const CliResult result = RunCli(args);
        ExpectFailure(result, 1);
        EXPECT_EQ(result.err,
                  "faxlens-cli: " + path +
                      " image 2: This page cannot be shown: its compression is JPEG.\n");
        EXPECT_EQ(ReadFile(args[3]), old);
        fs::remove(args[3]);
    }
    for (const auto& args : PageCommands(path, "1", dir.Path())) { // the uncompressed page
        SCOPED_TRACE(args[0] + " " + args.back());
        const CliResult result = RunCli(args);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_TRUE(fs::exists(args[3]));
    }
}

TEST(CliConvertVariants, SavedPagesAreWhiteIsZeroFillOrder1AndReadAsTheOriginal) {
    const struct {
        const char* what;
        FaxOptions options;
    } sources[] = {
        {"Group 3 2D, fill order 2, black is zero", {3, 1, 40, false, 2, 1}},
        {"Group 4, fill order 2, black is zero, big-endian", {4, 0, 0, true, 2, 1}},
        {"Huffman RLE, fill order 2", {2, 0, 25, false, 2, 0}},
        {"PackBits, black is zero", {32773, 0, 0, false, 1, 1}},
    };
    for (const auto& source : sources) {
        TempDir dir;
        const std::string path = dir.File("pages.tif");
        WriteFaxPages(path, {NoisePage(203, 50, 4, 20), TextLikePage(1001, 130, 2)},
                      source.options);
        for (int page = 1; page <= 2; ++page) {
            const Bitmap original = ReadWithLibtiff(path, page - 1);
            for (const std::string coding : {"--g3", "--g4"}) {
                SCOPED_TRACE(std::string(source.what) + ", page " + std::to_string(page) + " " +
                             coding);
                const std::string out = dir.File("saved.tif");
                const CliResult result =
                    RunCli({"convert", path, std::to_string(page), out, coding});
                ASSERT_EQ(result.exitStatus, 0) << result.err;
                TIFF* tif = TIFFOpen(out.c_str(), "r");
                ASSERT_NE(tif, nullptr);
                uint16_t photometric = 99;
                uint16_t fillOrder = 99;
                EXPECT_EQ(TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric), 1);
                EXPECT_EQ(TIFFGetField(tif, TIFFTAG_FILLORDER, &fillOrder), 1);
                TIFFClose(tif);
                EXPECT_EQ(photometric, PHOTOMETRIC_MINISWHITE);
                EXPECT_EQ(fillOrder, FILLORDER_MSB2LSB);
                const Bitmap saved = ReadWithLibtiff(out, 0);
                EXPECT_TRUE(saved == original) << DescribeDifferences(original, saved);
            }
        }
    }
}

} // namespace
} // namespace faxlens::test
