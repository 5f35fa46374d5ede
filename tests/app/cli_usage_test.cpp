// The command line itself: help, bad usage (exit 2) and work that fails (exit 1).

#include "cli_process.h"
#include "support/tiff_builder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace faxlens::test {
namespace {

// A valid file with two images, so that a usage error is never mistaken for a file problem.
class CliUsage : public ::testing::Test {
protected:
    void SetUp() override {
        TiffBuilder builder;
        builder.Ifd().Short(tiff::tag::kImageWidth, {8}).Short(tiff::tag::kImageLength, {2});
        builder.Ifd().Short(tiff::tag::kImageWidth, {16}).Short(tiff::tag::kImageLength, {4});
        builder.WriteTo(file);
    }

    // "FILE" in a case's arguments stands for the valid file, "MISSING" for a path that is not.
    std::vector<std::string> Resolve(std::vector<std::string> args) const {
        for (std::string& arg : args) {
            if (arg == "FILE")
                arg = file;
            else if (arg == "MISSING")
                arg = dir.File("missing.tif");
        }
        return args;
    }

    TempDir dir;
    std::string file = dir.File("two.tif");
};

struct UsageCase {
    const char* what;
    std::vector<std::string> args;
    std::string inMessage; // a part the stderr line must contain
};

TEST_F(CliUsage, BadUsageExitsTwoWithOneLineOnStderr) {
    const UsageCase cases[] = {
        {"no arguments", {}, "report FILE N"},
        {"unknown command", {"frobnicate", "FILE"}, "'frobnicate'"},
        {"commands are case-sensitive", {"LIST", "FILE"}, "'LIST'"},
        {"list without a file", {"list"}, "list FILE"},
        {"list with two files", {"list", "FILE", "FILE"}, "list FILE"},
        {"report without a number", {"report", "FILE"}, "report FILE N"},
        {"report with an extra argument", {"report", "FILE", "1", "1"}, "report FILE N"},
        {"number 0", {"report", "FILE", "0"}, "'0'"},
        {"number 00", {"report", "FILE", "00"}, "'00'"},
        {"number made of letters", {"report", "FILE", "x"}, "'x'"},
        {"negative number", {"report", "FILE", "-1"}, "'-1'"},
        {"number with a plus sign", {"report", "FILE", "+1"}, "'+1'"},
        {"fraction", {"report", "FILE", "1.0"}, "'1.0'"},
        {"empty number", {"report", "FILE", ""}, "''"},
        {"number with trailing text", {"report", "FILE", "1x"}, "'1x'"},
        {"number with a leading blank", {"report", "FILE", " 1"}, "' 1'"},
        {"bad number checked before the file", {"report", "MISSING", "x"}, "'x'"},
        {"help with an argument", {"--help", "list"}, "--help"},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.what);
        CliResult result = RunCli(Resolve(c.args));
        ExpectFailure(result, 2);
        EXPECT_NE(result.err.find(c.inMessage), std::string::npos) << result.err;
    }
}

TEST_F(CliUsage, HelpPrintsEveryCommandOnStdout) {
    for (const char* option : {"--help", "-h"}) {
        SCOPED_TRACE(option);
        CliResult result = RunCli({option});
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_NE(result.out.find("list FILE"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("report FILE N"), std::string::npos) << result.out;
        EXPECT_TRUE(result.out.ends_with('\n'));
    }
}

// Both programs answer --help and --version on stdout with exit 0; the window program does so
// before it needs a display.
TEST_F(CliUsage, BothProgramsAnswerHelpAndVersion) {
    const std::pair<std::string, std::string> programs[] = {{FAXLENS_CLI_PATH, "faxlens-cli"},
                                                            {FAXLENS_GUI_PATH, "faxlens"}};
    for (const auto& [path, name] : programs) {
        SCOPED_TRACE(name);
        const CliResult version = RunProgram(path, {"--version"});
        EXPECT_EQ(version.exitStatus, 0);
        EXPECT_EQ(version.out, name + " " + FAXLENS_VERSION + "\n");
        EXPECT_EQ(version.err, "");
        const CliResult help = RunProgram(path, {"--help"});
        EXPECT_EQ(help.exitStatus, 0);
        EXPECT_TRUE(help.out.starts_with("usage: " + name + " ")) << help.out;
        EXPECT_NE(help.out.find("--version"), std::string::npos);
    }
}

struct FailureCase {
    const char* what;
    std::vector<std::string> args;
    std::string message; // the whole stderr line; "FILE" and "MISSING" as in the arguments
};

TEST_F(CliUsage, FailedWorkExitsOneWithAClearLine) {
    const FailureCase cases[] = {
        {"list of a missing file",
         {"list", "MISSING"},
         "cannot open MISSING: No such file or directory"},
        {"report of a missing file",
         {"report", "MISSING", "1"},
         "cannot open MISSING: No such file or directory"},
        {"report of an image past the last",
         {"report", "FILE", "3"},
         "FILE has no image 3 (it has 2)"},
        {"report of an image far past the last",
         {"report", "FILE", "4294967297"},
         "FILE has no image 4294967297 (it has 2)"},
        {"report of an image beyond any count",
         {"report", "FILE", "99999999999999999999999"},
         "FILE has no image 99999999999999999999999 (it has 2)"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        CliResult result = RunCli(Resolve(c.args));
        ExpectFailure(result, 1);
        std::string expected = "faxlens-cli: " + c.message + "\n";
        for (auto [word, path] : {std::pair{"FILE", file}, {"MISSING", dir.File("missing.tif")}})
            if (auto at = expected.find(word); at != std::string::npos)
                expected.replace(at, std::string(word).size(), path);
        EXPECT_EQ(result.err, expected);
    }
}

TEST_F(CliUsage, FolderCannotBeOpened) {
    for (const char* command : {"list", "report"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> args{command, dir.Path()};
        if (std::string(command) == "report")
            args.push_back("1");
        CliResult result = RunCli(args);
        ExpectFailure(result, 1);
        EXPECT_EQ(result.err, "faxlens-cli: cannot open " + dir.Path() + ": Is a folder\n");
    }
}

} // namespace
} // namespace faxlens::test
