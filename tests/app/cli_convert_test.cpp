// faxlens-cli convert: pages of files written by libtiff saved again as Group 3 or Group 4 files
// that libtiff reads back pixel for pixel, or as T.85 files that jbigkit's own decoder reads back,
// and the failures of the command.

#include "cli_process.h"
#include "support/export_pages.h"
#include "support/jbig_streams.h"
#include "support/libtiff_pages.h"
#include "support/tiff_builder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace faxlens::test {
namespace {

namespace fs = std::filesystem;

// An entry of the saved file's directory: tag, type, count and a value of one SHORT or LONG.
std::vector<uint8_t> EntryBytes(uint16_t tag, uint32_t value, bool isLong = false) {
    // A SHORT stands left-justified in the value field, a LONG fills it.
    const uint32_t field = isLong ? value : value << 16;
    return {static_cast<uint8_t>(tag >> 8),
            static_cast<uint8_t>(tag),
            0,
            static_cast<uint8_t>(isLong ? 4 : 3),
            0,
            0,
            0,
            1,
            static_cast<uint8_t>(field >> 24),
            static_cast<uint8_t>(field >> 16),
            static_cast<uint8_t>(field >> 8),
            static_cast<uint8_t>(field)};
}

// The fixed layout of a saved page: big-endian header, the page's resolutions (204/1 and 196/1,
// as WriteFaxPages writes them), 16 entries from offset 26 (15 for T.85, which has no options
// field), the strip from 222 (210) to the end.
void ExpectSavedLayout(const std::vector<uint8_t>& file, const Bitmap& page,
                       const std::string& coding) {
    const bool t85 = coding == "--t85";
    const std::size_t stripAt = t85 ? 210 : kStripAt;
    ASSERT_GT(file.size(), stripAt);
    EXPECT_EQ(Slice(file, 0, 26),
              (std::vector<uint8_t>{0x4D, 0x4D,
                                    0x00, 0x2A,
                                    0x00, 0x00,
                                    0x00, 0x18,
                                    0,    0,
                                    0,    204,
                                    0,    0,
                                    0,    1,
                                    0,    0,
                                    0,    196,
                                    0,    0,
                                    0,    1,
                                    0x00, static_cast<uint8_t>(t85 ? 0x0F : 0x10)}));
    const auto entry = [&](int i) {
        return Slice(file, 26 + 12 * static_cast<std::size_t>(i), 12);
    };
    const int compression = coding == "--g3" ? 3 : coding == "--g4" ? 4 : 9;
    EXPECT_EQ(entry(1), EntryBytes(tiff::tag::kImageWidth, static_cast<uint32_t>(page.width)));
    EXPECT_EQ(entry(2), EntryBytes(tiff::tag::kImageLength, static_cast<uint32_t>(page.height)));
    EXPECT_EQ(entry(4), EntryBytes(tiff::tag::kCompression, static_cast<uint32_t>(compression)));
    EXPECT_EQ(entry(7), EntryBytes(tiff::tag::kStripOffsets, static_cast<uint32_t>(stripAt), true));
    EXPECT_EQ(entry(9), EntryBytes(278, static_cast<uint32_t>(page.height)));
    EXPECT_EQ(entry(13), compression == 4   ? EntryBytes(tiff::tag::kT6Options, 2, true)
                         : compression == 3 ? EntryBytes(tiff::tag::kT4Options, 4, true)
                                            : EntryBytes(296, 2)); // ResolutionUnit: inches
    EXPECT_EQ(BigEndianAt(file, 154), file.size() - stripAt);
    EXPECT_EQ(Slice(file, stripAt - 4, 4), (std::vector<uint8_t>{0, 0, 0, 0}));
    if (compression == 3) { // a Group 3 strip opens with an EOL of its own before row 0
        EXPECT_EQ(Slice(file, kStripAt, 2), (std::vector<uint8_t>{0x00, 0x01}));
    }
}

// A saved page as its reader of reference reads it: libtiff, or jbigkit's own T.85 decoder.
Bitmap ReadSavedPage(const std::string& path, const std::string& coding,
                     const std::string& folder) {
    if (coding != "--t85")
        return ReadWithLibtiff(path, 0);
    const std::vector<uint8_t> file = ReadFile(path);
    return file.size() < 210 ? Bitmap{}
                             : DecodeWithJbgtopbm85(Slice(file, 210, file.size() - 210), folder);
}

std::vector<Bitmap> ThreePages(int32_t width, int32_t height) {
    return {TextLikePage(width, height, 21), NoisePage(width, height, 22, 20),
            TextLikePage(width, height, 23)};
}

TEST(CliConvert, SavedPagesReadAsTheOriginalPages) {
    const struct {
        const char* what;
        int compression;
        uint32_t t4Options;
        int32_t rowsPerStrip;
        bool bigEndian;
        int32_t width;
    } sources[] = {
        {"Group 3, little-endian", 3, 0, 37, false, 1728},
        {"Group 3 with byte-aligned EOLs, big-endian, odd width", 3, 4, 50, true, 1001},
        {"Group 4, little-endian, odd width", 4, 0, 33, false, 203},
        {"Group 4, big-endian", 4, 0, 64, true, 1728},
    };
    for (const auto& source : sources) {
        SCOPED_TRACE(source.what);
        TempDir dir, reference;
        const std::string path = dir.File("pages.tif");
        FaxOptions options;
        options.compression = source.compression;
        options.t4Options = source.t4Options;
        options.rowsPerStrip = source.rowsPerStrip;
        options.bigEndian = source.bigEndian;
        WriteFaxPages(path, ThreePages(source.width, 140), options);
        for (int page = 1; page <= 3; ++page) {
            const Bitmap original = ReadWithLibtiff(path, page - 1);
            for (const std::string coding : {"--g3", "--g4", "--t85"}) {
                SCOPED_TRACE("page " + std::to_string(page) + " " + coding);
                const std::string out = dir.File("saved.tif");
                const CliResult result =
                    RunCli({"convert", path, std::to_string(page), out, coding});
                EXPECT_EQ(result.exitStatus, 0) << result.err;
                EXPECT_EQ(result.out, "");
                EXPECT_EQ(result.err, "");
                const Bitmap saved = ReadSavedPage(out, coding, reference.Path());
                EXPECT_TRUE(saved == original) << DescribeDifferences(original, saved);
                ExpectSavedLayout(ReadFile(out), original, coding);
            }
        }
        EXPECT_EQ(FolderContents(dir.Path()), (std::vector<std::string>{"pages.tif", "saved.tif"}));
    }
}

TEST(CliConvert, CodingFlagOtherThanG3G4OrT85IsBadUsage) {
    TempDir dir;
    const std::string path = dir.File("pages.tif");
    WriteFaxPages(path, ThreePages(64, 16), FaxOptions{});
    for (const char* coding : {"--g5", "g3", "--g3 ", "-g4", "--t82", ""}) {
        SCOPED_TRACE(std::string("'") + coding + "'");
        ExpectFailure(RunCli({"convert", path, "1", dir.File("out.tif"), coding}), 2);
        EXPECT_EQ(FolderContents(dir.Path()), std::vector<std::string>{"pages.tif"});
    }
    ExpectFailure(RunCli({"convert", path, "1", dir.File("out.tif")}), 2);
    ExpectFailure(RunCli({"convert", path, "4", dir.File("out.tif"), "--g4"}), 1); // no image 4
    EXPECT_EQ(FolderContents(dir.Path()), std::vector<std::string>{"pages.tif"});
}

TEST(CliConvert, UnwritableOutputFailsAndLeavesNothing) {
    TempDir dir;
    const std::string path = dir.File("pages.tif");
    WriteFaxPages(path, ThreePages(1728, 60), FaxOptions{});
    fs::create_directory(dir.File("folder.tif"));
    fs::create_directory(dir.File("locked"));
    const std::vector<uint8_t> old{'o', 'l', 'd', '\n'};
    WriteFile(dir.File("locked/page.tif"), old);
    WriteFile(dir.File("page.tif"), old);
    fs::permissions(dir.File("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    struct Case {
        const char* what;
        std::string out;
        bool sizeLimit = false;
    };
    std::vector<Case> cases = {
        {"a folder that does not exist", dir.File("missing/page.tif")},
        {"a folder in place of the file", dir.File("folder.tif")},
        {"a write that fails part way, over an existing file", dir.File("page.tif"), true},
    };
    if (::geteuid() != 0) // root writes into read-only folders
        cases.push_back({"a read-only folder, over an existing file", dir.File("locked/page.tif")});
    const std::vector<std::string> before = FolderContents(dir.Path());
    for (const Case& c : cases)
        for (const char* coding : {"--g3", "--g4", "--t85"}) {
            SCOPED_TRACE(std::string(c.what) + " " + coding);
            CliResult result;
            if (c.sizeLimit) {
                FileSizeLimit limit(1000);
                result = RunCli({"convert", path, "2", c.out, coding});
            } else {
                result = RunCli({"convert", path, "2", c.out, coding});
            }
            ExpectFailure(result, 1);
            EXPECT_NE(result.err.find(c.out), std::string::npos) << result.err;
            EXPECT_EQ(FolderContents(dir.Path()), before);
        }
    fs::permissions(dir.File("locked"), fs::perms::owner_all);
    EXPECT_EQ(ReadFile(dir.File("locked/page.tif")), old);
    EXPECT_EQ(ReadFile(dir.File("page.tif")), old);
}

} // namespace
} // namespace faxlens::test
