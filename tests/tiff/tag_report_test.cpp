#include "support/reading.h"
#include "support/tiff_builder.h"
#include "tiff/tag_dictionary.h"
#include "tiff/tag_report.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace faxlens {
namespace {

using namespace std::string_literals;
using test::TempDir;
using test::TiffBuilder;
using test::WriteFile;

std::string CompressionOf(const std::string& path, int64_t ifdOffset) {
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    EXPECT_TRUE(file);
    return file ? tiff::CompressionText(*file, file->ReadDirectory(ifdOffset)) : std::string();
}

TEST(TagNameTest, Dictionary) {
    // clang-format off
    const std::pair<int32_t, const char*> names[] = {
        {254, "NewSubFileType"}, {255, "SubFileType"}, {256, "ImageWidth"}, {257, "ImageHeight"},
        {258, "BitsPerSample"}, {259, "CompressionCode"}, {262, "Photometric Interpretation"},
        {263, "Threshholding"}, {264, "CellWidth"}, {265, "CellHeight"}, {266, "FillOrder"},
        {269, "Document Name"}, {270, "Image Description"}, {271, "Make"}, {272, "Model"},
        {273, "StripOffsets"}, {274, "Orientation"}, {277, "SamplesPerPixel"},
        {278, "RowsPerStrip"}, {279, "StripByteCounts"}, {280, "MinSampleValue"},
        {281, "MaxSampleValue"}, {282, "XResolution"}, {283, "YResolution"},
        {284, "PlanarConfiguration"}, {285, "PageName"}, {286, "XPosition"}, {287, "YPosition"},
        {288, "FreeOffsets"}, {289, "FreeByteCounts"}, {290, "GrayResponseUnit"},
        {291, "GrayResponseCurve"}, {292, "T4Options"}, {293, "T6Options"}, {296, "ResolutionUnit"},
        {297, "PageNumber"}, {301, "TransferFunction"}, {305, "Software"}, {306, "DateTime"},
        {315, "Artist"}, {316, "HostComputer"}, {317, "Predictor"}, {318, "WhitePoint"},
        {319, "PrimaryChromaticities"}, {320, "ColorMap"}, {321, "HalfToneHints"},
        {322, "TileWidth"}, {323, "TileHeight"}, {324, "TileOffsets"}, {325, "TileByteCounts"},
        {332, "InkSet"}, {333, "InkNames"}, {334, "NumberOfInks"}, {336, "DotRange"},
        {337, "TargetPrinter"}, {338, "ExtraSamples"}, {339, "SampleFormat"},
        {340, "SMinSampleValue"}, {341, "SMaxSampleValue"}, {342, "TransferRange"},
        {512, "JPEGProc"}, {513, "JPEGInterchangeFormat"}, {514, "JPEGInterchangeFormatLength"},
        {515, "JPEGRestartInterval"}, {517, "JPEGLosslessPredictors"}, {518, "JPEGPointTransforms"},
        {519, "JPEGQTables"}, {520, "JPEGDCTables"}, {521, "JPEGACTables"},
        {529, "YCbCrCoefficients"}, {530, "YCbCrSubSampling"}, {531, "YCbCrPositioning"},
        {532, "ReferenceBlackWhite"}, {33432, "Copyright"},
    };
    // clang-format on
    static_assert(std::size(names) == 74);
    for (const auto& [tag, name] : names)
        EXPECT_EQ(tiff::TagName(tag), name) << tag;
    for (int32_t tag : {0, 1, 253, 260, 275, 300, 343, 516, 33433, 40000, 65535})
        EXPECT_EQ(tiff::TagName(tag), "Unknown (" + std::to_string(tag) + ")");
}

TEST(CompressionNameTest, Dictionary) {
    const std::pair<int32_t, const char*> names[] = {
        {1, "None"},
        {2, "Huffman RLE"},
        {3, "Group3 Fax"},
        {4, "Group4 Fax"},
        {5, "LZW"},
        {6, "JPEG (old format)"},
        {7, "JPEG"},
        {32766, "NeXT"},
        {32773, "PackBits"},
        {32809, "ThunderScan"},
        {32946, "ZIP"},
        {34676, "SGILog32"},
        {34677, "SGILog24"},
        {0, "Unknown"},
        {8, "Unknown"},
        {9, "Unknown"},
        {-1, "Unknown"},
        {32767, "Unknown"},
        {65536 + 3, "Unknown"},
    };
    for (const auto& [code, name] : names)
        EXPECT_EQ(tiff::CompressionName(code), name) << code;
}

// Tests in both byte orders: a fresh file per case, its first IFD built by the case.
class ReportTest : public ::testing::TestWithParam<bool> {
protected:
    std::string Write(const std::function<void(TiffBuilder&)>& fill) {
        TiffBuilder b(GetParam());
        fill(b);
        b.WriteTo(path_);
        ifds_ = b.IfdOffsets();
        return path_;
    }
    TempDir dir_;
    std::string path_ = dir_.File("r.tif");
    std::vector<uint32_t> ifds_;
};

struct CompressionCase {
    const char* what;
    std::function<void(TiffBuilder&)> fill;
    const char* text;
};

TEST_P(ReportTest, CompressionText) {
    auto page = [](auto more) {
        return [more](TiffBuilder& b) {
            b.Short(tiff::tag::kImageWidth, {1728}).Long(tiff::tag::kImageLength, {1100});
            more(b);
        };
    };
    const CompressionCase cases[] = {
        {"T4Options 1", page([](TiffBuilder& b) {
             b.Short(tiff::tag::kCompression, {3}).Long(tiff::tag::kT4Options, {1});
         }),
         "Group3 Fax 2D"},
        {"T4Options 5", page([](TiffBuilder& b) {
             b.Short(tiff::tag::kCompression, {3}).Long(tiff::tag::kT4Options, {5});
         }),
         "Group3 Fax 2D"},
        {"T4Options 0", page([](TiffBuilder& b) {
             b.Short(tiff::tag::kCompression, {3}).Long(tiff::tag::kT4Options, {0});
         }),
         "Group3 Fax"},
        {"T4Options 4", page([](TiffBuilder& b) {
             b.Short(tiff::tag::kCompression, {3}).Long(tiff::tag::kT4Options, {4});
         }),
         "Group3 Fax"},
        {"no T4Options", page([](TiffBuilder& b) { b.Short(tiff::tag::kCompression, {3}); }),
         "Group3 Fax"},
        {"T4Options 65535", page([](TiffBuilder& b) {
             b.Short(tiff::tag::kCompression, {3}).Short(tiff::tag::kT4Options, {65535});
         }),
         "Group3 Fax 2D"},
        {"compression as LONG", page([](TiffBuilder& b) {
             b.Long(tiff::tag::kCompression, {3}).Short(tiff::tag::kT4Options, {1});
         }),
         "Group3 Fax 2D"},
        {"compression 3, 3", page([](TiffBuilder& b) {
             b.Short(tiff::tag::kCompression, {3, 3}).Long(tiff::tag::kT4Options, {1});
         }),
         "Group3 Fax"},
        {"Group 4", page([](TiffBuilder& b) {
             b.Short(tiff::tag::kCompression, {4})
                 .Long(tiff::tag::kT6Options, {1})
                 .Long(tiff::tag::kT4Options, {1});
         }),
         "Group4 Fax"},
        {"PackBits", page([](TiffBuilder& b) { b.Short(tiff::tag::kCompression, {32773}); }),
         "PackBits"},
        {"code 9", page([](TiffBuilder& b) {
             b.Short(tiff::tag::kCompression, {9}).Long(tiff::tag::kT4Options, {1});
         }),
         "Unknown"},
        {"no compression tag", page([](TiffBuilder&) {}), "Unknown"},
        {"no width",
         [](TiffBuilder& b) {
             b.Long(tiff::tag::kImageLength, {1100}).Short(tiff::tag::kCompression, {4});
         },
         ""},
        {"no height",
         [](TiffBuilder& b) {
             b.Short(tiff::tag::kImageWidth, {1728}).Short(tiff::tag::kCompression, {4});
         },
         ""},
        {"width 0",
         [](TiffBuilder& b) {
             b.Short(tiff::tag::kImageWidth, {0})
                 .Long(tiff::tag::kImageLength, {9})
                 .Short(tiff::tag::kCompression, {4});
         },
         ""},
        {"width as FLOAT",
         [](TiffBuilder& b) {
             b.Raw(tiff::tag::kImageWidth, 11, 1, {0, 0, 0x80, 0x3F})
                 .Long(tiff::tag::kImageLength, {9});
         },
         ""},
    };
    for (const auto& c : cases) {
        const std::string path = Write(c.fill);
        EXPECT_EQ(CompressionOf(path, ifds_[0]), c.text) << c.what;
        const std::string report = test::ReportOf(path, ifds_[0]);
        EXPECT_TRUE(report.ends_with("\r\nCompressionType = "s + c.text)) << c.what;
    }
}

TEST_P(ReportTest, WholeReportByteForByte) {
    const std::string path = Write([](TiffBuilder& b) {
        b.Short(tiff::tag::kImageWidth, {1728})
            .Long(tiff::tag::kImageLength, {2200})
            .Short(tiff::tag::kCompression, {3})
            .Long(tiff::tag::kT4Options, {5})
            .Rational(tiff::tag::kXResolution, {{204, 1}})
            .Rational(tiff::tag::kYResolution, {{391, 2}})
            .Long(tiff::tag::kStripOffsets, {8, 9012, 17977})
            .Short(300, {5})
            .Ascii(269, "fax page\0"s)
            .Raw(286, 11, 1, {0, 0, 0x80, 0x3F})
            .Raw(40000, 13, 2, {1, 2})
            .Ascii(305, "");
    });
    EXPECT_EQ(test::ReportOf(path, ifds_[0]), "ImageWidth = 1728\r\n"
                                              "ImageHeight = 2200\r\n"
                                              "CompressionCode = 3\r\n"
                                              "T4Options = 5\r\n"
                                              "XResolution = 204\r\n"
                                              "YResolution = 195.5\r\n"
                                              "StripOffsets = 8, 9012, 17977\r\n"
                                              "Unknown (300) = 5\r\n"
                                              "Document Name = fax page\r\n"
                                              "XPosition = \r\n"
                                              "Unknown (40000) = \r\n"
                                              "Software = \r\n"
                                              "CompressionType = Group3 Fax 2D");
}

TEST_P(ReportTest, StoredOrderAndDuplicates) {
    const std::string path = Write([](TiffBuilder& b) {
        b.Long(tiff::tag::kStripByteCounts, {500})
            .Short(tiff::tag::kImageLength, {20})
            .Short(tiff::tag::kImageWidth, {40})
            .Short(tiff::tag::kImageWidth, {10})
            .Short(tiff::tag::kCompression, {4});
    });
    EXPECT_EQ(test::ReportOf(path, ifds_[0]), "StripByteCounts = 500\r\n"
                                              "ImageHeight = 20\r\n"
                                              "ImageWidth = 40\r\n"
                                              "ImageWidth = 10\r\n"
                                              "CompressionCode = 4\r\n"
                                              "CompressionType = Group4 Fax");
}

TEST_P(ReportTest, EachIfdOfAChainReportsItsOwnEntries) {
    const std::string path = Write([](TiffBuilder& b) {
        b.Ifd()
            .Short(tiff::tag::kImageWidth, {1})
            .Short(tiff::tag::kImageLength, {2})
            .Short(tiff::tag::kCompression, {4});
        b.Ifd();
        b.Ifd()
            .Long(tiff::tag::kImageWidth, {3})
            .Long(tiff::tag::kImageLength, {4})
            .Short(tiff::tag::kCompression, {3})
            .Long(tiff::tag::kT4Options, {0});
    });
    EXPECT_EQ(test::ReportOf(path, ifds_[0]), "ImageWidth = 1\r\nImageHeight = 2\r\n"
                                              "CompressionCode = 4\r\n"
                                              "CompressionType = Group4 Fax");
    EXPECT_EQ(test::ReportOf(path, ifds_[1]), "CompressionType = ");
    EXPECT_EQ(test::ReportOf(path, ifds_[2]), "ImageWidth = 3\r\nImageHeight = 4\r\n"
                                              "CompressionCode = 3\r\nT4Options = 0\r\n"
                                              "CompressionType = Group3 Fax");
}

TEST_P(ReportTest, ValuesOutsideTheFileReportZeros) {
    const std::string path = Write([](TiffBuilder& b) {
        b.RawField(tiff::tag::kStripOffsets, 4, 2, 0x100000)
            .RawField(tiff::tag::kXResolution, 5, 1, 0xFFFFFFF0)
            .Short(tiff::tag::kImageWidth, {7});
    });
    EXPECT_EQ(test::ReportOf(path, ifds_[0]), "StripOffsets = 0, 0\r\n"
                                              "XResolution = 0\r\n"
                                              "ImageWidth = 7\r\n"
                                              "CompressionType = ");
}

TEST_P(ReportTest, NoReportForAnIfdOutsideTheFile) {
    const std::string path = Write([](TiffBuilder& b) {
        b.Short(tiff::tag::kImageWidth, {1}).Short(tiff::tag::kImageLength, {1});
    });
    const int64_t length = int64_t(test::ReadFile(path).size());
    EXPECT_EQ(test::ReportOf(path, length), "");
    EXPECT_EQ(test::ReportOf(path, length + 100), "");
    EXPECT_EQ(test::ReportOf(path, -1), "");
}

INSTANTIATE_TEST_SUITE_P(BothOrders, ReportTest, ::testing::Bool());

TEST(ReportOrderTest, BothByteOrdersGiveTheSameReport) {
    auto report = [](bool intel) {
        TempDir dir;
        TiffBuilder b(intel);
        b.Short(tiff::tag::kImageWidth, {1728})
            .Long(tiff::tag::kImageLength, {1145})
            .Short(tiff::tag::kCompression, {3})
            .Short(tiff::tag::kT4Options, {1})
            .Short(tiff::tag::kBitsPerSample, {1, 1, 1})
            .Rational(tiff::tag::kXResolution, {{204, 1}, {98, 1}})
            .Raw(tiff::tag::kPageNumber, 8, 2,
                 intel ? std::vector<uint8_t>{0xFE, 0xFF, 1, 0}
                       : std::vector<uint8_t>{0xFF, 0xFE, 0, 1})
            .Ascii(270, "scan\0"s);
        b.WriteTo(dir.File("o.tif"));
        return test::ReportOf(dir.File("o.tif"), b.IfdOffsets()[0]);
    };
    EXPECT_EQ(report(true), report(false));
    EXPECT_EQ(report(true), "ImageWidth = 1728\r\nImageHeight = 1145\r\nCompressionCode = 3\r\n"
                            "T4Options = 1\r\nBitsPerSample = 1, 1, 1\r\n"
                            "XResolution = 204, 98\r\nPageNumber = -2, 1\r\n"
                            "Image Description = scan\r\nCompressionType = Group3 Fax 2D");
}

// Entries that all point at the same huge value: each is cut to what the file could hold, and
// the report as a whole stays within a small multiple of the file.
TEST(ReportSizeTest, ManyEntriesSharingAHugeValueStayBounded) {
    TempDir dir;
    TiffBuilder b;
    b.Ifd().Short(tiff::tag::kImageWidth, {8}).Short(tiff::tag::kImageLength, {8});
    for (int i = 0; i < 300; ++i)
        b.RawField(300, 1, 0x7FFFFFFF, 0); // BYTE values from the start of the file
    b.WriteTo(dir.File("huge.tif"));
    const std::size_t fileLength = b.Build().size();
    const std::string report = test::ReportOf(dir.File("huge.tif"), b.IfdOffsets()[0]);
    EXPECT_LT(report.size(), 16 * fileLength);
    EXPECT_NE(report.find("Unknown (300) = 73, 73, 42, 0, "), std::string::npos);
    EXPECT_NE(report.find("Unknown (300) = ...\r\n"), std::string::npos)
        << "once the budget is spent, values show only that they were cut";
    EXPECT_TRUE(report.ends_with("CompressionType = Unknown"));
}

} // namespace
} // namespace faxlens
