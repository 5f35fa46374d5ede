// faxlens-cli trace: the codes of each row where they stand in the strip, in agreement with the
// damage the page reports, as lines or as JSON, and the command's failures.

#include "cli_process.h"
#include "support/libtiff_pages.h"
#include "support/tiff_builder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

namespace faxlens::test {
namespace {

std::string SamplePath(const char* name) {
    return std::string(FAXLENS_SAMPLES_DIR) + "/" + name;
}

// The first page of the sample is Group 3 with EOLs that end on a byte: the strip opens with fill
// and an EOL, each white row is one make-up and one terminating code (1728 + 0) in four bytes
// with the next EOL. Its third page is Group 4, where every white row is one V0 bit. In the
// damaged sample, row 163 breaks off where line noise put zeros in place of its fourth run.
TEST(CliTrace, RowsSayWhereTheirCodesStandAndWhatTheyAre) {
    const struct {
        const char* file;
        int image;
        const char* rows;
        std::vector<std::string> lines;
    } cases[] = {
        {"fax-three-pages.tif",
         1,
         "1-2",
         {"row 1: strip 0, byte 2 bit 0, after fill 4, EOL: W1728",
          "row 2: strip 0, byte 6 bit 0, after fill 3, EOL: W1728"}},
        {"fax-three-pages.tif", 3, "7", {"row 7: strip 0, byte 0 bit 6: V0"}},
        {"fax-damaged.tif",
         1,
         "163",
         {"row 163: strip 1, byte 926 bit 0, after fill 7, EOL: W120 B4 W20 | stops at byte 928 "
          "bit 7, expected a run code of either colour, unexplained from byte 930 bit 0; bits "
          "0001000 ^ 0 00000000 10011111 00000000 1001111"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows);
        const CliResult result =
            RunCli({"trace", SamplePath(c.file), std::to_string(c.image), "--rows", c.rows});
        EXPECT_EQ(result.exitStatus, std::string(c.file) == "fax-damaged.tif" ? 3 : 0)
            << result.err;
        EXPECT_EQ(Lines(result.out), c.lines);
    }
}

// Where decoding breaks, the trace stops in the row the damage names, at the byte it names, and
// shows the bits there; the JSON document says the same.
TEST(CliTrace, TheStopAgreesWithTheDamageOfThePage) {
    TempDir dir;
    const std::string path = dir.File("damaged.tif");
    WriteDamagedFaxPage(path);
    const CliResult trace = RunCli({"trace", path, "1"});
    EXPECT_EQ(trace.exitStatus, 3);
    std::smatch damage;
    ASSERT_TRUE(
        std::regex_search(trace.err, damage,
                          std::regex("rows (\\d+) to (\\d+) could not be decoded \\(bad code "
                                     "in strip (\\d+) at byte (\\d+)\\)")))
        << trace.err;
    // Strip 1 breaks; the trace goes on with strip 2.
    const std::vector<std::string> lines = Lines(trace.out);
    const auto stopLine = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find(" | stops at ") != std::string::npos;
    });
    ASSERT_NE(stopLine, lines.end());
    ASSERT_NE(stopLine + 1, lines.end());
    EXPECT_TRUE(
        (stopLine + 1)
            ->starts_with("row " + std::to_string(std::stoi(damage[2]) + 1) + ": strip 2, "))
        << *(stopLine + 1);
    const std::string& last = *stopLine;
    std::smatch stop;
    ASSERT_TRUE(std::regex_search(
        last, stop,
        std::regex("^row (\\d+): strip (\\d+), .* \\| stops at byte \\d+ bit \\d, expected a "
                   "(mode|white run|black run) code, unexplained from byte (\\d+) bit \\d; bits "
                   "[01 ]*\\^ [01 ]{32,}$")))
        << last;
    const int stopRow = std::stoi(stop[1]);
    const int firstUndecoded = std::stoi(damage[1]);
    EXPECT_TRUE(firstUndecoded == stopRow || firstUndecoded == stopRow + 1) << last;
    EXPECT_EQ(stop[2], damage[3]);
    EXPECT_EQ(stop[4], damage[4]);

    const CliResult json = RunCli({"trace", path, "1", "--json"});
    EXPECT_EQ(json.exitStatus, 3);
    EXPECT_TRUE(json.out.starts_with("{\"rows\":[\n{\"row\":1,\"strip\":0,")) << json.out;
    EXPECT_NE(
        json.out.find("\n{\"row\":" + std::string(stop[1]) + ",\"strip\":" + std::string(stop[2])),
        std::string::npos);
    EXPECT_NE(json.out.find(",\"unexplained_byte\":" + std::string(stop[4])), std::string::npos);
    const std::string said = Lines(trace.err).at(0).substr(trace.err.find("rows "));
    EXPECT_TRUE(json.out.ends_with("],\"damage\":\"" + said + "\"}\n"))
        << json.out.substr(json.out.size() - 200);
}

TEST(CliTrace, BadOptionsAndPagesThatAreNotFaxFail) {
    const std::string sample = SamplePath("fax-three-pages.tif");
    const struct {
        std::vector<std::string> args;
        int exitStatus;
    } cases[] = {
        {{"trace", sample, "1", "--rows", "0"}, 2},
        {{"trace", sample, "1", "--rows", "5-3"}, 2},
        {{"trace", sample, "1", "--rows", "x"}, 2},
        {{"trace", sample, "1", "--rows"}, 2},
        {{"trace", sample, "1", "--png"}, 2},
        {{"trace", sample, "4"}, 1},
        {{"trace", SamplePath("mixed.tif"), "1"}, 1}, // uncompressed
        {{"trace", SamplePath("fax-t85.tif"), "1"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + c.args[2] + (c.args.size() > 3 ? " " + c.args[3] : ""));
        ExpectFailure(RunCli(c.args), c.exitStatus);
    }
}

} // namespace
} // namespace faxlens::test
