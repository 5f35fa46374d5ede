// faxlens-cli info and decode: the page parameters as key lines, and decoded pages written as PBM
// and PNG files that match libtiff's reading pixel for pixel.

#include "cli_process.h"
#include "support/libtiff_pages.h"
#include "support/tiff_builder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace faxlens::test {
namespace {

namespace fs = std::filesystem;

// --- reading the picture files back ------------------------------------------------------

std::size_t RowBytes(int32_t width) {
    return (static_cast<std::size_t>(width) + 7) / 8;
}

// Rows of eight pixels a byte, most significant bit first, `stride` bytes apart.
Bitmap Unpack(const uint8_t* rows, int32_t width, int32_t height, std::size_t stride,
              int blackBit) {
    Bitmap bitmap(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            bitmap.At(x, y) = ((rows[y * stride + x / 8] >> (7 - x % 8)) & 1) == blackBit;
    return bitmap;
}

// "P4\nW H\n", then the rows, 1 for black.
Bitmap ParsePbm(const std::vector<uint8_t>& bytes) {
    const std::string text(bytes.begin(), bytes.end());
    int width = 0, height = 0, consumed = 0;
    std::sscanf(text.c_str(), "P4\n%d %d\n%n", &width, &height, &consumed);
    const std::string header = "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
    if (consumed == 0 || !text.starts_with(header) ||
        bytes.size() != header.size() + RowBytes(width) * height) {
        ADD_FAILURE() << "not a binary PBM: " << text.substr(0, 20);
        return {};
    }
    return Unpack(bytes.data() + header.size(), width, height, RowBytes(width), 1);
}

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// A 1-bit greyscale PNG, 0 for black: signature, chunks with their CRCs, IHDR, IDAT, IEND.
Bitmap ParsePng(const std::vector<uint8_t>& bytes) {
    const std::vector<uint8_t> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 8 || !std::equal(signature.begin(), signature.end(), bytes.begin())) {
        ADD_FAILURE() << "no PNG signature";
        return {};
    }
    std::string types;
    std::vector<uint8_t> header, packed;
    for (std::size_t at = 8; at < bytes.size();) {
        const uint32_t length = bytes.size() - at >= 12 ? BigEndian32(&bytes[at]) : 0;
        if (bytes.size() - at < 12 || bytes.size() - at - 12 < length) {
            ADD_FAILURE() << "chunk cut short at " << at;
            return {};
        }
        const uint8_t* type = &bytes[at + 4];
        EXPECT_EQ(crc32(0L, type, length + 4), BigEndian32(type + 4 + length)) << "CRC at " << at;
        types.append(type, type + 4).append(" ");
        std::vector<uint8_t>& data = types.ends_with("IHDR ") ? header : packed;
        if (types.ends_with("IHDR ") || types.ends_with("IDAT "))
            data.insert(data.end(), type + 4, type + 4 + length);
        at += 12 + length;
    }
    if (!types.starts_with("IHDR IDAT ") || !types.ends_with(" IEND ") || header.size() != 13) {
        ADD_FAILURE() << "chunks " << types;
        return {};
    }
    const auto width = static_cast<int32_t>(BigEndian32(&header[0]));
    const auto height = static_cast<int32_t>(BigEndian32(&header[4]));
    EXPECT_EQ(header[8], 1) << "bit depth";
    EXPECT_EQ(header[9], 0) << "colour type";
    EXPECT_EQ(header[12], 0) << "interlace";
    const std::size_t stride = RowBytes(width) + 1; // a filter byte in front of each row
    std::vector<uint8_t> raw(stride * height + 1);
    uLongf rawLength = raw.size();
    if (uncompress(raw.data(), &rawLength, packed.data(), packed.size()) != Z_OK ||
        rawLength != stride * height) {
        ADD_FAILURE() << "IDAT does not inflate to " << height << " rows";
        return {};
    }
    for (int32_t y = 0; y < height; ++y)
        EXPECT_EQ(raw[y * stride], 0) << "filter of row " << y << " (only None is read here)";
    return Unpack(raw.data() + 1, width, height, stride, 0);
}

void ExpectDecoded(const std::string& tif, int page, const std::string& out) {
    const CliResult result = RunCli({"decode", tif, std::to_string(page), out});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
}

// A page with a height and Group 4 compression but no width.
void WriteWidthlessPage(const std::string& path) {
    TiffBuilder builder;
    builder.Ifd().Short(tiff::tag::kImageLength, {10}).Short(tiff::tag::kCompression, {4});
    builder.WriteTo(path);
}

std::vector<Bitmap> ThreePages(int32_t width, int32_t height) {
    return {TextLikePage(width, height, 5), NoisePage(width, height, 11, 20),
            TextLikePage(width, height, 8)};
}

// --- info --------------------------------------------------------------------------------

TEST(CliInfo, PrintsThePageParametersAndOneLinePerStrip) {
    TempDir dir;
    for (bool intel : {true, false}) {
        SCOPED_TRACE(intel ? "II" : "MM");
        TiffBuilder builder(intel);
        builder.Ifd()
            .Short(tiff::tag::kImageWidth, {1728})
            .Long(tiff::tag::kImageLength, {300})
            .Short(tiff::tag::kCompression, {3})
            .Long(tiff::tag::kStripOffsets, {8, 5000, 9000})
            .Long(tiff::tag::kRowsPerStrip, {100})
            .Long(tiff::tag::kStripByteCounts, {4992, 4000, 100})
            .Rational(tiff::tag::kXResolution, {{204, 1}})
            .Rational(tiff::tag::kYResolution, {{391, 2}})
            .Long(tiff::tag::kT4Options, {1});
        builder.WriteTo(dir.File("page.tif"));
        const CliResult result = RunCli({"info", dir.File("page.tif"), "1"});
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, "width 1728\nheight 300\nxres 204\nyres 196\n"
                              "compression Group3 Fax 2D\nrows_per_strip 100\n"
                              "strip 8 4992\nstrip 5000 4000\nstrip 9000 100\n");
    }
}

TEST(CliInfo, MatchesWhatLibtiffWrote) {
    TempDir dir;
    const std::string path = dir.File("pages.tif");
    FaxOptions options;
    options.compression = 4;
    options.rowsPerStrip = 50;
    WriteFaxPages(path, ThreePages(1000, 120), options);

    std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(path.c_str(), "r"), TIFFClose);
    ASSERT_TRUE(tif && TIFFSetDirectory(tif.get(), 1));
    uint64_t* offsets = nullptr;
    uint64_t* counts = nullptr;
    ASSERT_TRUE(TIFFGetField(tif.get(), TIFFTAG_STRIPOFFSETS, &offsets));
    ASSERT_TRUE(TIFFGetField(tif.get(), TIFFTAG_STRIPBYTECOUNTS, &counts));
    ASSERT_EQ(TIFFNumberOfStrips(tif.get()), 3u);
    std::string expected = "width 1000\nheight 120\nxres 204\nyres 196\n"
                           "compression Group4 Fax\nrows_per_strip 50\n";
    for (int i = 0; i < 3; ++i)
        expected += "strip " + std::to_string(offsets[i]) + " " + std::to_string(counts[i]) + "\n";

    const CliResult result = RunCli({"info", path, "2"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, expected);
}

// --- decode ------------------------------------------------------------------------------

struct DecodeCase {
    const char* name;
    int compression;
    uint32_t t4Options;
    int32_t rowsPerStrip;
    bool bigEndian;
    int32_t width;
    int photometric = 0;
    int paletteDarkIndex = 1;
};

TEST(CliDecode, WritesWhatLibtiffReadsAsPbmAndPng) {
    const DecodeCase cases[] = {
        {"Group 3, little-endian", 3, 0, 37, false, 1728},
        {"Group 3 with byte-aligned EOLs, big-endian, odd width", 3, 4, 64, true, 1001},
        {"Group 4, little-endian", 4, 0, 50, false, 1728},
        {"Group 4, big-endian, odd width", 4, 0, 33, true, 203},
        {"Group 4, black is zero", 4, 0, 50, false, 1001, 1},
        {"uncompressed palette, the first colour dark", 1, 0, 20, true, 517, 3, 0},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.File("pages.tif");
        FaxOptions options;
        options.compression = c.compression;
        options.t4Options = c.t4Options;
        options.rowsPerStrip = c.rowsPerStrip;
        options.bigEndian = c.bigEndian;
        options.photometric = c.photometric;
        options.paletteDarkIndex = c.paletteDarkIndex;
        WriteFaxPages(path, ThreePages(c.width, 140), options);
        for (int page = 1; page <= 3; ++page) {
            SCOPED_TRACE("page " + std::to_string(page));
            const Bitmap expected = ReadWithLibtiff(path, page - 1);
            ExpectDecoded(path, page, dir.File("page.pbm"));
            ExpectDecoded(path, page, dir.File("page.png"));
            const Bitmap pbm = ParsePbm(ReadFile(dir.File("page.pbm")));
            const Bitmap png = ParsePng(ReadFile(dir.File("page.png")));
            EXPECT_TRUE(pbm == expected) << "PBM: " << DescribeDifferences(expected, pbm);
            EXPECT_TRUE(png == expected) << "PNG: " << DescribeDifferences(expected, png);
        }
    }
}

TEST(CliDecode, ExtensionChoosesTheFormatInAnyCase) {
    TempDir dir;
    const std::string path = dir.File("pages.tif");
    WriteFaxPages(path, ThreePages(300, 40), FaxOptions{});
    for (const char* out : {"page.bmp", "page", "pbm", "page.pbm.bmp"}) {
        SCOPED_TRACE(out);
        ExpectFailure(RunCli({"decode", path, "2", dir.File(out)}), 2);
        EXPECT_EQ(FolderContents(dir.Path()), std::vector<std::string>{"pages.tif"});
    }
    ExpectDecoded(path, 2, dir.File("page.pbm"));
    ExpectDecoded(path, 2, dir.File("PAGE.PBM"));
    ExpectDecoded(path, 2, dir.File("page.Png"));
    EXPECT_EQ(ReadFile(dir.File("PAGE.PBM")), ReadFile(dir.File("page.pbm")));
    EXPECT_TRUE(ParsePng(ReadFile(dir.File("page.Png"))) == ReadWithLibtiff(path, 1));
}

// A name as long as the folder takes is a name like any other.
TEST(CliDecode, WritesAFileWithTheLongestName) {
    TempDir dir;
    const std::string path = dir.File("pages.tif");
    WriteFaxPages(path, ThreePages(64, 16), FaxOptions{});
    const long nameMax = ::pathconf(dir.Path().c_str(), _PC_NAME_MAX);
    ASSERT_GT(nameMax, 4);
    const std::string out =
        dir.File(std::string(static_cast<std::size_t>(nameMax) - 4, 'p') + ".pbm");
    ExpectDecoded(path, 1, out);
    EXPECT_EQ(FolderContents(dir.Path()).size(), 2u);
    if (fs::exists(out)) {
        EXPECT_TRUE(ParsePbm(ReadFile(out)) == ReadWithLibtiff(path, 0));
    }
}

TEST(CliDecode, FailedWriteLeavesNoFileBehind) {
    TempDir dir;
    const std::string path = dir.File("pages.tif");
    WriteFaxPages(path, ThreePages(64, 16), FaxOptions{});
    fs::create_directory(dir.File("folder.pbm"));
    fs::create_directory(dir.File("locked"));
    fs::permissions(dir.File("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    struct Case {
        const char* what;
        std::string out;
    };
    std::vector<Case> cases = {
        {"a folder that does not exist", dir.File("missing/page.pbm")},
        {"a folder in place of the file", dir.File("folder.pbm")},
    };
    if (::geteuid() != 0) // root writes into read-only folders
        cases.push_back({"a read-only folder", dir.File("locked/page.png")});
    const std::vector<std::string> before = FolderContents(dir.Path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CliResult result = RunCli({"decode", path, "1", c.out});
        ExpectFailure(result, 1);
        EXPECT_NE(result.err.find(c.out), std::string::npos) << result.err;
        EXPECT_EQ(FolderContents(dir.Path()), before);
    }
    fs::permissions(dir.File("locked"), fs::perms::owner_all);
}

TEST(CliDecode, FailureLeavesAnExistingFileAsItWas) {
    TempDir dir;
    const std::string path = dir.File("pages.tif");
    WriteFaxPages(path, ThreePages(64, 16), FaxOptions{});
    WriteWidthlessPage(dir.File("widthless.tif"));
    ExpectFailure(RunCli({"decode", dir.File("widthless.tif"), "1", dir.File("new.png")}), 1);
    EXPECT_FALSE(fs::exists(dir.File("new.png")));

    const std::vector<uint8_t> old{'o', 'l', 'd', '\n'};
    WriteFile(dir.File("page.pbm"), old);
    ExpectFailure(RunCli({"decode", dir.File("widthless.tif"), "1", dir.File("page.pbm")}), 1);
    EXPECT_EQ(ReadFile(dir.File("page.pbm")), old);
    ExpectFailure(RunCli({"decode", path, "4", dir.File("page.pbm")}), 1);
    EXPECT_EQ(ReadFile(dir.File("page.pbm")), old);
    if (::geteuid() != 0) {
        fs::create_directory(dir.File("locked"));
        WriteFile(dir.File("locked/page.pbm"), old);
        fs::permissions(dir.File("locked"), fs::perms::owner_read | fs::perms::owner_exec);
        ExpectFailure(RunCli({"decode", path, "1", dir.File("locked/page.pbm")}), 1);
        EXPECT_EQ(ReadFile(dir.File("locked/page.pbm")), old);
        fs::permissions(dir.File("locked"), fs::perms::owner_all);
        EXPECT_EQ(FolderContents(dir.File("locked")), std::vector<std::string>{"page.pbm"});
    }

    ExpectDecoded(path, 1, dir.File("page.pbm"));
    EXPECT_TRUE(ParsePbm(ReadFile(dir.File("page.pbm"))) == ReadWithLibtiff(path, 0));
}

} // namespace
} // namespace faxlens::test
