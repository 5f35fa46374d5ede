// How faxlens-cli uses the file it reads, seen through the I/O shim: every command opens it once,
// and a read that fails ends the work with the system's reason, leaving no output behind.

#include "cli_process.h"
#include "support/tiff_builder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace faxlens::test {
namespace {

// faxlens-cli with the shim watching `path`; reads of it that cover byte failAt fail when it is
// not negative. The opens of the file are counted into `opens`.
CliResult RunWatched(const std::string& path, const std::vector<std::string>& args,
                     int* opens = nullptr, int64_t failAt = -1) {
    TempDir scratch;
    const std::string report = scratch.File("opens");
    const char* asan = std::getenv("ASAN_OPTIONS");
    const CliResult result = RunCliWith(
        {"LD_PRELOAD=" FAXLENS_IO_SHIM_PATH, "FAXLENS_SHIM_PATH=" + path,
         "FAXLENS_SHIM_FAIL_AT=" + std::to_string(failAt), "FAXLENS_SHIM_REPORT=" + report,
         // The shim is loaded first, before the sanitizer's runtime.
         "ASAN_OPTIONS=" + std::string(asan ? asan : "") + ":verify_asan_link_order=0"},
        args);
    std::ifstream counted(report);
    int count = -1;
    counted >> count;
    EXPECT_GE(count, 0) << "the shim did not report";
    if (opens != nullptr)
        *opens = count;
    return result;
}

TEST(CliFileUse, EveryCommandOpensItsInputOnce) {
    TempDir dir;
    const std::string in = dir.File("three.tif");
    std::filesystem::copy_file(FAXLENS_SAMPLES_DIR "/fax-three-pages.tif", in);
    const std::vector<std::vector<std::string>> commands = {
        {"list", in},
        {"report", in, "2"},
        {"info", in, "2"},
        {"decode", in, "2", dir.File("page.pbm")},
        {"convert", in, "2", dir.File("page.tif"), "--g4"},
        {"check", in, "-j", "1"},
        {"check", in, "-j", "3"},
        {"check", "--json", in},
        {"pdf", in, dir.File("pages.pdf")},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0] + " " + command.back());
        int opens = 0;
        const CliResult result = RunWatched(in, command, &opens);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(opens, 1);
    }
}

// An uncompressed page whose strip holds bytes 8 to 43,208 of the file.
struct UncompressedPage {
    TempDir dir;
    std::string path = dir.File("page.tif");
    int64_t directory = WriteUncompressedPage(path);
};

TEST(CliFileUse, AReadErrorInAStripEndsTheWorkWithTheSystemsReason) {
    const UncompressedPage page;
    const std::string& in = page.path;
    const std::string cannotRead = "faxlens-cli: cannot read " + in + ": Input/output error\n";
    const struct {
        std::vector<std::string> args;
        std::string out;
        std::string err;
        int status;
    } cases[] = {
        {{"check", in}, in + ": cannot be read: Input/output error\n", "", 1},
        {{"decode", in, "1", page.dir.File("page.pbm")}, "", cannotRead, 1},
        {{"convert", in, "1", page.dir.File("saved.tif"), "--g4"}, "", cannotRead, 1},
        {{"convert", in, "1", page.dir.File("saved.tif"), "--g3"}, "", cannotRead, 1},
        {{"pdf", in, page.dir.File("page.pdf")}, "", cannotRead, 1},
        {{"info", in, "1"}, "", "", 0}, // the strip is not read
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const CliResult result = RunWatched(in, c.args, nullptr, 30000);
        EXPECT_EQ(result.exitStatus, c.status);
        if (c.args[0] != "info") {
            EXPECT_EQ(result.out, c.out);
        }
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(FolderContents(page.dir.Path()), std::vector<std::string>{"page.tif"})
            << "nothing is written from a page that could not be read";
    }
    // Read whole, the same page is sound.
    EXPECT_EQ(RunWatched(in, {"check", in}).out, in + ":1 ok\n");
}

TEST(CliFileUse, AReadErrorInADirectoryEndsTheWorkToo) {
    const UncompressedPage page;
    const std::string& in = page.path;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"list", in}, {"report", in, "1"}, {"info", in, "1"}}) {
        SCOPED_TRACE(args[0]);
        const CliResult result = RunWatched(in, args, nullptr, page.directory + 4);
        ExpectFailure(result, 1);
        EXPECT_EQ(result.err, "faxlens-cli: cannot read " + in + ": Input/output error\n");
    }
    const CliResult check = RunWatched(in, {"check", in}, nullptr, page.directory + 4);
    EXPECT_EQ(check.exitStatus, 1);
    EXPECT_EQ(check.out, in + ": cannot be read: Input/output error\n");
}

} // namespace
} // namespace faxlens::test
