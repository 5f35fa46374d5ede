// faxlens-cli report FILE N: the tag report of image N on stdout, byte for byte.

#include "cli_process.h"
#include "support/reading.h"
#include "support/tiff_builder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace faxlens::test {
namespace {

using namespace std::string_literals; // reports hold NUL characters

std::string Report(const std::string& path, const std::string& number) {
    CliResult result = RunCli({"report", path, number});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return result.out;
}

// Image 1: a Group 3 2D page with entries in no particular order; then an empty directory that
// the numbering skips; image 2: Group 4 with an entry of a type that has no text; image 3: no
// width, so no compression name.
TiffBuilder SmallFile(bool intel) {
    TiffBuilder b(intel);
    b.Ifd()
        .Short(tiff::tag::kImageWidth, {1728})
        .Short(tiff::tag::kCompression, {3})
        .Long(tiff::tag::kImageLength, {2})
        .Long(tiff::tag::kT4Options, {5})
        .Rational(tiff::tag::kXResolution, {{204, 1}})
        .Rational(tiff::tag::kYResolution, {{391, 2}})
        .Ascii(305, "ab\0\0"s)
        .Short(300, {7})
        .Long(tiff::tag::kStripOffsets, {8, 9012, 17977});
    b.Ifd();
    b.Ifd()
        .Short(tiff::tag::kImageWidth, {100})
        .Short(tiff::tag::kImageLength, {50})
        .Short(tiff::tag::kCompression, {4})
        .Raw(40000, 11, 1, {0, 0, 0x80, 0x3F});
    b.Ifd().Short(tiff::tag::kCompression, {4});
    return b;
}

TEST(CliReport, PrintsTheExactReportOfEachImage) {
    const std::string expected[] = {
        "ImageWidth = 1728\r\n"
        "CompressionCode = 3\r\n"
        "ImageHeight = 2\r\n"
        "T4Options = 5\r\n"
        "XResolution = 204\r\n"
        "YResolution = 195.5\r\n"
        "Software = ab\0\r\n"s
        "Unknown (300) = 7\r\n"
        "StripOffsets = 8, 9012, 17977\r\n"
        "CompressionType = Group3 Fax 2D",
        "ImageWidth = 100\r\n"
        "ImageHeight = 50\r\n"
        "CompressionCode = 4\r\n"
        "Unknown (40000) = \r\n"
        "CompressionType = Group4 Fax",
        "CompressionCode = 4\r\n"
        "CompressionType = ",
    };
    TempDir dir;
    for (bool intel : {true, false}) {
        SCOPED_TRACE(intel ? "II" : "MM");
        SmallFile(intel).WriteTo(dir.File("small.tif"));
        for (std::size_t n = 1; n <= std::size(expected); ++n) {
            SCOPED_TRACE("image " + std::to_string(n));
            EXPECT_EQ(Report(dir.File("small.tif"), std::to_string(n)), expected[n - 1]);
        }
    }
}

// Values of every kind, including bytes that are no text at all and a long strip table.
TiffBuilder ManyKindsFile() {
    TiffBuilder b;
    std::vector<uint32_t> strips;
    for (uint32_t i = 0; i < 300; ++i)
        strips.push_back(1000 + 37 * i);
    b.Ifd()
        .Short(tiff::tag::kImageWidth, {1728})
        .Short(tiff::tag::kImageLength, {2200})
        .Short(tiff::tag::kCompression, {3})
        .Long(tiff::tag::kStripOffsets, strips)
        .Ascii(270, "line one\r\nline two\0tail\0"s)
        .Raw(37000, 7, 6, {0x00, 0x80, 0xC3, 0xFF, 0x0A, 0x0D})
        .Raw(37001, 6, 2, {0xFF, 0x05})
        .Raw(37002, 8, 1, {0xFE, 0xFF})
        .Rational(37003, {{1, 3}, {0, 0}, {1, 100000}})
        .Raw(37004, 10, 1, {0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0})
        .Raw(37005, 13, 1, {1, 2, 3, 4})
        .Raw(37006, 3, 0, {})
        .Short(tiff::tag::kCompression, {4});
    b.Ifd()
        .Short(tiff::tag::kImageWidth, {1})
        .Short(tiff::tag::kImageLength, {1})
        .Short(tiff::tag::kCompression, {32773});
    return b;
}

TEST(CliReport, OutputIsTheReportByteForByte) {
    TempDir dir;
    TiffBuilder builder = ManyKindsFile();
    builder.WriteTo(dir.File("kinds.tif"));
    auto offsets = builder.IfdOffsets();
    for (std::size_t n = 1; n <= offsets.size(); ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        std::string expected = ReportOf(dir.File("kinds.tif"), offsets[n - 1]);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(Report(dir.File("kinds.tif"), std::to_string(n)), expected);
    }
}

TEST(CliReport, LeadingZerosNameTheSameImage) {
    TempDir dir;
    SmallFile(true).WriteTo(dir.File("small.tif"));
    EXPECT_EQ(Report(dir.File("small.tif"), "002"), Report(dir.File("small.tif"), "2"));
}

} // namespace
} // namespace faxlens::test
