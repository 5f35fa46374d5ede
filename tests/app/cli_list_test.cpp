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
        builder.Ifd().Short(tiff::tag::kImageWidth, {1728}).Short(tiff::tag::kImageLength, {100});
        builder.Ifd(); // no entries: skipped, but its next offset is followed
        builder.Ifd().Short(tiff::tag::kImageWidth, {864});
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
        builder.Ifd().Short(tiff::tag::kImageWidth, {static_cast<uint16_t>(i + 1)});
    builder.WriteTo(dir.File("many.tif"));
    ExpectListed(dir.File("many.tif"), ListLines(builder.IfdOffsets()));
}

TEST(CliList, LoopingChainEnds) {
    TempDir dir;
    TiffBuilder builder;
    builder.Ifd().Short(tiff::tag::kImageWidth, {1});
    builder.Ifd().Short(tiff::tag::kImageWidth, {2});
    auto offsets = builder.IfdOffsets();
    builder.NextOffset(1, offsets[0]);
    builder.WriteTo(dir.File("loop.tif"));
    ExpectListed(dir.File("loop.tif"), ListLines(offsets));
}

TEST(CliList, TiffFileWithoutImagesListsNothing) {
    TempDir dir;
    WriteFile(dir.File("none.tif"), {'M', 'M', 0, 42, 0, 0, 0, 0});
    ExpectListed(dir.File("none.tif"), "");
    CliResult report = RunCli({"report", dir.File("none.tif"), "1"});
    ExpectFailure(report, 1);
    EXPECT_EQ(report.err,
              "faxlens-cli: " + dir.File("none.tif") + " has no image 1 (it has none)\n");
}

// Every command names the reason a file is no TIFF file that it reads, and exits 1.
TEST(CliList, EveryCommandSaysWhyAFileIsNoTiffFile) {
    TempDir dir;
    const std::pair<std::vector<uint8_t>, std::string> files[] = {
        {{}, "The file is empty"},
        {{'h', 'e', 'l', 'l', 'o', '\n'}, "Not a TIFF file: it begins with \"hell\""},
        {{'I', 'M', 42, 0, 8, 0, 0, 0}, "Not a TIFF file: it begins with 49 4D 2A 00"},
        {{'I', 'I', 43, 0, 8, 0, 0, 0}, "Not a TIFF file that Faxlens reads: it is a BigTIFF file"},
    };
    const std::string path = dir.File("not.tif");
    const std::vector<std::vector<std::string>> commands = {
        {"list", path},
        {"report", path, "1"},
        {"info", path, "1"},
        {"decode", path, "1", dir.File("out.pbm")},
        {"convert", path, "1", dir.File("out.tif"), "--g4"},
        {"pdf", path, dir.File("out.pdf")},
    };
    for (const auto& [bytes, reason] : files) {
        SCOPED_TRACE(reason);
        WriteFile(path, bytes);
        for (const auto& command : commands) {
            SCOPED_TRACE(command[0]);
            const CliResult result = RunCli(command);
            ExpectFailure(result, 1);
            EXPECT_EQ(result.err, "faxlens-cli: cannot open " + path + ": " + reason + "\n");
        }
        const CliResult check = RunCli({"check", path});
        EXPECT_EQ(check.exitStatus, 1);
        EXPECT_EQ(check.out, path + ": cannot be read: " + reason + "\n");
    }
    EXPECT_EQ(FolderContents(dir.Path()), std::vector<std::string>{"not.tif"});
}

// A file cut short: the images before the break are listed and the break is said, in every
// command that lists images.
TEST(CliList, AFileCutShortListsWhatItHoldsAndSaysWhereItBreaks) {
    TempDir dir;
    const std::vector<uint8_t> whole = ReadFile(FAXLENS_SAMPLES_DIR "/fax-three-pages.tif");
    const std::string path = dir.File("cut.tif");
    WriteFile(path, std::vector<uint8_t>(whole.begin(), whole.begin() + 20000));
    const std::string cutShort =
        "the file is cut short: the directory after image 1 lies past its end";

    const CliResult list = RunCli({"list", path});
    EXPECT_EQ(list.exitStatus, 3);
    EXPECT_EQ(list.out, "1 18910\n");
    EXPECT_EQ(list.err, "faxlens-cli: " + path + ": " + cutShort + "\n");

    const CliResult check = RunCli({"check", path});
    EXPECT_EQ(check.exitStatus, 1);
    EXPECT_EQ(check.out, path + ":1 ok\n" + path + ": damaged: " + cutShort + "\n");
    const CliResult json = RunCli({"check", "--json", path});
    EXPECT_NE(json.out.find("\"damage\": \"" + cutShort + "\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("{\"ok\": false"), std::string::npos) << json.out;

    const CliResult report = RunCli({"report", path, "2"});
    ExpectFailure(report, 1);
    EXPECT_EQ(report.err,
              "faxlens-cli: " + path + " has no image 2 (it has 1; " + cutShort + ")\n");

    const CliResult pdf = RunCli({"pdf", path, dir.File("cut.pdf")});
    EXPECT_EQ(pdf.exitStatus, 3);
    EXPECT_EQ(pdf.err, "faxlens-cli: " + path + ": " + cutShort + "\n");
}

} // namespace
} // namespace faxlens::test
