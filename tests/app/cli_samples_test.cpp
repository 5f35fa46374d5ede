// faxlens-cli on real files (the bundled samples and, when present, the shared corpus), checked
// against libtiff as an independent reader, and the JBIG sample against jbigkit's own decoder.

#include "cli_process.h"
#include "support/jbig_streams.h"
#include "support/reading.h"
#include "support/tiff_builder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <tiffio.h>
#include <vector>

namespace faxlens::test {
namespace {

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

TiffHandle OpenWithLibtiff(const std::string& path) {
    return TiffHandle(TIFFOpen(path.c_str(), "r"));
}

// libtiff's own walk of the directory chain.
std::vector<uint64_t> LibtiffDirectoryOffsets(const std::string& path) {
    std::vector<uint64_t> offsets;
    TiffHandle tif = OpenWithLibtiff(path);
    if (!tif)
        return offsets;
    do
        offsets.push_back(TIFFCurrentDirOffset(tif.get()));
    while (TIFFReadDirectory(tif.get()));
    return offsets;
}

std::string ListLines(const std::vector<uint64_t>& offsets) {
    std::string text;
    for (std::size_t i = 0; i < offsets.size(); ++i)
        text += std::to_string(i + 1) + " " + std::to_string(offsets[i]) + "\n";
    return text;
}

// The compression as the report names it, from libtiff's reading of the directory.
std::string CompressionTypeLine(TIFF* tif) {
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    uint32_t options = 0;
    TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &options);
    const std::map<uint16_t, std::string> names{{COMPRESSION_NONE, "None"},
                                                {COMPRESSION_CCITTFAX3, "Group3 Fax"},
                                                {COMPRESSION_CCITTFAX4, "Group4 Fax"},
                                                {COMPRESSION_PACKBITS, "PackBits"},
                                                {9, "Unknown"}}; // T.85 has no name of its own
    std::string name = names.contains(compression) ? names.at(compression) : "?";
    if (compression == COMPRESSION_CCITTFAX3 && (options & GROUP3OPT_2DENCODING))
        name += " 2D";
    return "CompressionType = " + name;
}

// "Name = value" lines of a report, keyed by name (the last line included).
std::map<std::string, std::string> ReportValues(const std::string& report) {
    std::map<std::string, std::string> values;
    std::size_t start = 0;
    while (start <= report.size()) {
        std::size_t end = report.find("\r\n", start);
        std::string line = report.substr(start, end == std::string::npos ? end : end - start);
        if (auto eq = line.find(" = "); eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 3);
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    return values;
}

struct Sample {
    const char* name;
    std::size_t images;
    bool sound = true; // every strip decodes without error
};

const Sample kSamples[] = {
    {"fax-three-pages.tif", 3}, {"fax-motorola.tif", 2},       {"mixed.tif", 3},
    {"fax-t85.tif", 2},         {"fax-damaged.tif", 1, false},
};

std::string SamplePath(const char* name) {
    return std::string(FAXLENS_SAMPLES_DIR) + "/" + name;
}

TEST(CliSamples, ListAgreesWithLibtiff) {
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.name);
        std::string path = SamplePath(sample.name);
        std::vector<uint64_t> offsets = LibtiffDirectoryOffsets(path);
        ASSERT_EQ(offsets.size(), sample.images) << "libtiff cannot read " << path;

        CliResult result = RunCli({"list", path});
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, ListLines(offsets));
    }
}

TEST(CliSamples, ReportAgreesWithLibtiff) {
    for (const Sample& sample : kSamples) {
        std::string path = SamplePath(sample.name);
        TiffHandle tif = OpenWithLibtiff(path);
        ASSERT_TRUE(tif) << path;
        for (std::size_t n = 1; n <= sample.images; ++n, TIFFReadDirectory(tif.get())) {
            SCOPED_TRACE(std::string(sample.name) + " image " + std::to_string(n));
            CliResult result = RunCli({"report", path, std::to_string(n)});
            ASSERT_EQ(result.exitStatus, 0) << result.err;
            EXPECT_EQ(result.out, ReportOf(path, TIFFCurrentDirOffset(tif.get())));

            uint32_t width = 0, height = 0;
            TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
            TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
            auto values = ReportValues(result.out);
            EXPECT_EQ(values["ImageWidth"], std::to_string(width));
            EXPECT_EQ(values["ImageHeight"], std::to_string(height));
            EXPECT_TRUE(result.out.ends_with("\r\n" + CompressionTypeLine(tif.get())))
                << result.out;
        }
    }
}

// The samples are meant for the decoders: every strip must be sound fax (or PackBits) data.
// libtiff has no decoder for T.85; the next test takes those pages.
TEST(CliSamples, SamplesDecodeCleanlyWithLibtiff) {
    for (const Sample& sample : kSamples) {
        if (!sample.sound)
            continue;
        SCOPED_TRACE(sample.name);
        TiffHandle tif = OpenWithLibtiff(SamplePath(sample.name));
        ASSERT_TRUE(tif);
        do {
            uint16_t compression = 0;
            TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
            if (compression == 9)
                continue;
            std::vector<uint8_t> buffer(static_cast<std::size_t>(TIFFStripSize(tif.get())));
            for (uint32_t strip = 0; strip < TIFFNumberOfStrips(tif.get()); ++strip)
                EXPECT_NE(TIFFReadEncodedStrip(tif.get(), strip, buffer.data(),
                                               static_cast<tmsize_t>(buffer.size())),
                          -1)
                    << "directory " << TIFFCurrentDirectory(tif.get()) << " strip " << strip;
        } while (TIFFReadDirectory(tif.get()));
    }
}

// Every page of the JBIG sample decodes as jbigkit's `jbgtopbm85` decodes its strip.
TEST(CliSamples, T85PagesDecodeAsJbigkitsOwnToolDecodesThem) {
    TiffHandle tif = OpenWithLibtiff(SamplePath("fax-t85.tif"));
    ASSERT_TRUE(tif);
    int page = 1;
    do {
        SCOPED_TRACE(page);
        TempDir dir;
        std::vector<uint8_t> stream(static_cast<std::size_t>(TIFFRawStripSize(tif.get(), 0)));
        ASSERT_EQ(
            TIFFReadRawStrip(tif.get(), 0, stream.data(), static_cast<tmsize_t>(stream.size())),
            static_cast<tmsize_t>(stream.size()));
        const Bitmap reference = DecodeWithJbgtopbm85(stream, dir.Path());
        ASSERT_GT(reference.height, 0);
        const CliResult result = RunCli(
            {"decode", SamplePath("fax-t85.tif"), std::to_string(page), dir.File("page.pbm")});
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        const Bitmap decoded = ReadPbm(dir.File("page.pbm"));
        EXPECT_TRUE(decoded == reference) << DescribeDifferences(reference, decoded);
        ++page;
    } while (TIFFReadDirectory(tif.get()));
    EXPECT_EQ(page, 3);
}

TEST(CliSamples, ListAgreesWithLibtiffOnCorpusFiles) {
    const char* files[] = {"g4-multi.tiff", "multipage.tiff", "multipage-lastframe.tif",
                           "hopper_g4.tif", "g4_orientation_5.tif"};
    std::filesystem::path corpus = std::filesystem::path(FAXLENS_CORPUS_DIR) / "pillow";
    if (!std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "no corpus at " << corpus;
    for (const char* file : files) {
        SCOPED_TRACE(file);
        std::string path = (corpus / file).string();
        std::vector<uint64_t> offsets = LibtiffDirectoryOffsets(path);
        ASSERT_FALSE(offsets.empty()) << "libtiff cannot read " << path;
        EXPECT_EQ(RunCli({"list", path}).out, ListLines(offsets));
    }
}

} // namespace
} // namespace faxlens::test
