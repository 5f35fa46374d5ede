// Where faxlens-cli writes: standard output for an OUT of -, never the file it reads, and a
// write past the file-size limit reported like a full disk, with nothing left behind.

#include "cli_process.h"
#include "support/libtiff_pages.h"
#include "support/tiff_builder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace faxlens::test {
namespace {

namespace fs = std::filesystem;

std::string ThreePageFile(const TempDir& dir) {
    const std::string path = dir.File("three.tif");
    WriteFaxPages(
        path, {TextLikePage(1728, 400, 1), NoisePage(1728, 300, 2, 20), TextLikePage(800, 90, 3)},
        {});
    return path;
}

std::string AsText(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// Each command's output, once to a file and once to standard output: the same bytes.
TEST(CliOutput, DashWritesTheSameBytesToStandardOutput) {
    TempDir dir;
    const std::string in = ThreePageFile(dir);
    const struct {
        std::vector<std::string> toFile;
        std::vector<std::string> toStream;
    } cases[] = {
        {{"convert", in, "2", dir.File("g3.tif"), "--g3"}, {"convert", in, "2", "-", "--g3"}},
        {{"convert", in, "1", dir.File("g4.tif"), "--g4"}, {"convert", in, "1", "-", "--g4"}},
        {{"convert", in, "3", dir.File("t85.tif"), "--t85"}, {"convert", in, "3", "-", "--t85"}},
        {{"decode", in, "3", dir.File("page.pbm")}, {"decode", in, "3", "-"}},
        {{"decode", in, "2", dir.File("page.png")}, {"decode", in, "2", "-", "--png"}},
        {{"pdf", in, dir.File("all.pdf")}, {"pdf", in, "-"}},
        {{"pages", dir.File("two.tif"), "--g3", in + ":3,1"}, {"pages", "-", "--g3", in + ":3,1"}},
    };
    for (const auto& command : cases) {
        const std::string& out = command.toFile[command.toFile[0] == "pdf"     ? 2
                                                : command.toFile[0] == "pages" ? 1
                                                                               : 3];
        SCOPED_TRACE(out);
        const CliResult written = RunCli(command.toFile);
        ASSERT_EQ(written.exitStatus, 0) << written.err;
        const CliResult streamed = RunCli(command.toStream);
        EXPECT_EQ(streamed.exitStatus, 0) << streamed.err;
        EXPECT_EQ(streamed.err, "");
        EXPECT_EQ(streamed.out, AsText(ReadFile(out)));
    }
}

// Whatever path leads to the input, writing there is refused and the file stays as it was.
TEST(CliOutput, TheFileBeingReadIsNeverWritten) {
    TempDir dir;
    const std::string in = ThreePageFile(dir);
    const std::vector<uint8_t> before = ReadFile(in);
    fs::create_symlink("three.tif", dir.File("link.tif"));
    fs::create_hard_link(in, dir.File("hard.tif"));
    for (const std::string& out : {in, dir.File("link.tif"), dir.File("hard.tif")}) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"convert", in, "1", out, "--g4"},
              std::vector<std::string>{"decode", in, "1", out, "--png"},
              std::vector<std::string>{"pdf", in, out},
              std::vector<std::string>{"pages", out, "--g4", in}}) {
            SCOPED_TRACE(args[0] + " to " + out);
            const CliResult result = RunCli(args);
            ExpectFailure(result, 1);
            EXPECT_EQ(result.err,
                      "faxlens-cli: cannot write " + out + ": it is the file being read\n");
            EXPECT_EQ(ReadFile(in), before);
        }
    }
    EXPECT_EQ(FolderContents(dir.Path()),
              (std::vector<std::string>{"hard.tif", "link.tif", "three.tif"}));
}

TEST(CliOutput, FileSizeLimitFailsTheWriteLikeAFullDisk) {
    TempDir dir;
    const std::string in = ThreePageFile(dir);
    for (const std::string name : {"page.pbm", "page.png", "page.tif"}) {
        SCOPED_TRACE(name);
        const std::string out = dir.File(name);
        const std::string command = name == "page.tif" ? "convert " + in + " 2 " + out + " --g3"
                                                       : "decode " + in + " 2 " + out;
        // 2 blocks of 512 bytes or of 1 KiB, as the shell counts them: every output is larger.
        const CliResult result =
            RunProgram("/bin/sh", {"-c", "ulimit -f 2 && exec " + std::string(FAXLENS_CLI_PATH) +
                                             " " + command});
        ExpectFailure(result, 1);
        EXPECT_EQ(result.err, "faxlens-cli: cannot write " + out + ": File too large\n");
        EXPECT_EQ(FolderContents(dir.Path()), std::vector<std::string>{"three.tif"});
    }
}

} // namespace
} // namespace faxlens::test
