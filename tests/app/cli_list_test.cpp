// faxlens-cli list FILE: one "N OFFSET" line per image, nothing else.

#include "cli_process.h"
#include "support/tiff_builder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace faxlens::test {
namespace {

std::string ListLines(const std::vector<uint32_t>& offsets) {
    std::string text;
    for (std::size_t i = 0; i < offsets.size(); ++i)
        text += std::to_string(i + 1) + " " + std::to_string(offsets[i]) + "\n";
    return text;
}

void ExpectListed(const std::string& path, const std::string& expected) {
    CliResult result = RunCli({"list", path});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, expected);
}

TEST(CliList, ListsTheNonEmptyDirectoriesInChainOrder) {
    TempDir dir;
    for (bool intel : {true, false}) {
        SCOPED_TRACE(intel ? "II" : "MM");
        TiffBuilder builder(intel);
        builder.Ifd().Short(tag::kImageWidth, {1728}).Short(tag::kImageLength, {100});
        builder.Ifd(); // no entries: skipped, but its next offset is followed
        builder.Ifd().Short(tag::kImageWidth, {864});
        std::string path = dir.File(intel ? "intel.tif" : "motorola.tif");
        builder.WriteTo(path);

        auto offsets = builder.IfdOffsets();
        ExpectListed(path, "1 " + std::to_string(offsets[0]) + "\n2 " + std::to_string(offsets[2]) +
                               "\n");
    }
}

TEST(CliList, NumbersManyImagesConsecutively) {
    TempDir dir;
    TiffBuilder builder;
    for (uint16_t i = 0; i < 120; ++i)
        builder.Ifd().Short(tag::kImageWidth, {static_cast<uint16_t>(i + 1)});
    builder.WriteTo(dir.File("many.tif"));
    ExpectListed(dir.File("many.tif"), ListLines(builder.IfdOffsets()));
}

TEST(CliList, LoopingChainEnds) {
    TempDir dir;
    TiffBuilder builder;
    builder.Ifd().Short(tag::kImageWidth, {1});
    builder.Ifd().Short(tag::kImageWidth, {2});
    auto offsets = builder.IfdOffsets();
    builder.NextOffset(1, offsets[0]);
    builder.WriteTo(dir.File("loop.tif"));
    ExpectListed(dir.File("loop.tif"), ListLines(offsets));
}

TEST(CliList, FileWithoutImagesListsNothing) {
    TempDir dir;
    const std::pair<const char*, std::vector<uint8_t>> files[] = {
        {"empty file", {}},
        {"text", {'h', 'e', 'l', 'l', 'o', '\n'}},
        {"mixed byte order letters", {'I', 'M', 42, 0, 8, 0, 0, 0}},
        {"lower-case letters", {'i', 'i', 42, 0, 8, 0, 0, 0}},
        {"wrong magic number", {'I', 'I', 43, 0, 8, 0, 0, 0}},
        {"first directory past the end", {'M', 'M', 0, 42, 0, 0, 0, 100}},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        WriteFile(dir.File("not.tif"), bytes);
        ExpectListed(dir.File("not.tif"), "");

        CliResult report = RunCli({"report", dir.File("not.tif"), "1"});
        ExpectFailure(report, 1);
        EXPECT_EQ(report.err,
                  "faxlens-cli: " + dir.File("not.tif") + " has no image 1 (it has none)\n");
    }
}

} // namespace
} // namespace faxlens::test
