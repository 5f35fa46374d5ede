// faxlens-cli check, and decode and convert of a damaged page: one line a page, the damage said,
// the picture still written, and the exit status telling a script which it was.

#include "cli_process.h"
#include "support/libtiff_pages.h"
#include "support/tiff_builder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>

namespace faxlens::test {
namespace {

std::string WriteDamagedPage(const TempDir& dir) {
    const std::string path = dir.File("damaged.tif");
    WriteDamagedFaxPage(path);
    return path;
}

std::string WriteSoundPages(const TempDir& dir) {
    const std::string path = dir.File("sound.tif");
    WriteFaxPages(path, {TextLikePage(1728, 200, 1), TextLikePage(800, 100, 2)}, {});
    return path;
}

TEST(CliCheck, SoundFilesAreOkPageByPage) {
    TempDir dir;
    const std::string sound = WriteSoundPages(dir);
    const CliResult result = RunCli({"check", sound, FAXLENS_SAMPLES_DIR "/mixed.tif"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], sound + ":1 ok");
    EXPECT_EQ(lines[1], sound + ":2 ok");
}

TEST(CliCheck, EveryPageAndFileThatIsNotOkSaysWhy) {
    TempDir dir;
    const std::string damaged = WriteDamagedPage(dir);
    const std::string text = dir.File("notes.tif");
    WriteFile(text, {'n', 'o', 't', 'e', 's'});
    const std::string missing = dir.File("missing.tif");
    const std::vector<UnsupportedPage> unsupported = WriteUnsupportedPages(dir.Path());
    const CliResult result = RunCli({"check", damaged, text, missing, unsupported.at(0).path});
    EXPECT_EQ(result.exitStatus, 1);
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 4u) << result.out;
    EXPECT_TRUE(lines[0].starts_with(damaged + ":1 damaged: rows ")) << lines[0];
    EXPECT_NE(lines[0].find(" to 200 could not be decoded (bad code in strip 1 at byte "),
              std::string::npos)
        << lines[0];
    EXPECT_EQ(lines[1], text + ": cannot be read: Not a TIFF file: it begins with \"note\"");
    EXPECT_EQ(lines[2], missing + ": cannot be read: No such file or directory");
    EXPECT_TRUE(lines[3].starts_with(unsupported[0].path + ":1 cannot be shown: it")) << lines[3];
}

// A FIFO is refused at once instead of waiting for a writer; a name that is not UTF-8 is
// written into the JSON with replacement characters, so that the document stays valid.
TEST(CliCheck, OddFilesAndNamesAreSaidWithoutHangingOrBreakingTheJson) {
    TempDir dir;
    const std::string fifo = dir.File("pipe.tif");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const CliResult piped = RunCli({"check", fifo});
    EXPECT_EQ(piped.exitStatus, 1);
    EXPECT_EQ(piped.out, fifo + ": cannot be read: Is not a regular file\n");

    const std::string overlong = dir.File("b\xE0\x80\xAF.tif");
    WriteFile(overlong, {});
    const CliResult json = RunCli({"check", "--json", overlong});
    EXPECT_NE(json.out.find("/b\\ufffd\\ufffd\\ufffd.tif\""), std::string::npos) << json.out;
}

TEST(CliCheck, JsonHoldsTheSameForScripts) {
    TempDir dir;
    const std::string sound = WriteSoundPages(dir);
    const std::string odd = dir.File("a \"quoted\"\nname.tif");
    WriteFile(odd, {});
    const CliResult result = RunCli({"check", "--json", sound, odd});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out,
              "{\"ok\": false, \"files\": [{\"file\": \"" + sound +
                  "\", \"pages\": [{\"image\": 1, \"status\": \"ok\", \"rows_decoded\": 200, "
                  "\"rows_expected\": 200}, {\"image\": 2, \"status\": \"ok\", \"rows_decoded\": "
                  "100, \"rows_expected\": 100}]}, {\"file\": \"" +
                  dir.Path() +
                  "/a \\\"quoted\\\"\\u000aname.tif\", \"error\": \"The file is empty\", "
                  "\"pages\": []}]}\n");
}

// Pages and files checked side by side are said as one core says them, in the order of the
// files and their pages, whatever the number of jobs.
TEST(CliCheck, EveryNumberOfJobsSaysTheSame) {
    TempDir dir;
    std::vector<std::string> files = {WriteSoundPages(dir), WriteDamagedPage(dir),
                                      dir.File("missing.tif"),
                                      FAXLENS_SAMPLES_DIR "/fax-three-pages.tif"};
    for (const UnsupportedPage& page : WriteUnsupportedPages(dir.Path()))
        files.push_back(page.path);
    const std::vector<uint8_t> three = ReadFile(FAXLENS_SAMPLES_DIR "/fax-three-pages.tif");
    files.push_back(dir.File("cut.tif"));
    WriteFile(files.back(), std::vector<uint8_t>(three.begin(), three.begin() + 40000));
    files.push_back(FAXLENS_SAMPLES_DIR "/mixed.tif");

    for (const bool json : {false, true}) {
        std::vector<std::string> args = {"check", "-j", "1"};
        if (json)
            args.push_back("--json");
        args.insert(args.end(), files.begin(), files.end());
        const CliResult one = RunCli(args);
        EXPECT_EQ(one.exitStatus, 1);
        ASSERT_GT(json ? one.out.size() : Lines(one.out).size(), files.size() + 4);
        for (const char* jobs : {"2", "3", "8"}) {
            args[2] = jobs;
            const CliResult many = RunCli(args);
            EXPECT_EQ(many.exitStatus, one.exitStatus) << jobs << " jobs";
            EXPECT_EQ(many.out, one.out) << jobs << " jobs";
        }
        args.erase(args.begin() + 1, args.begin() + 3); // all processors
        EXPECT_EQ(RunCli(args).out, one.out);
    }
    for (const char* wrong : {"0", "-1", "x", ""}) {
        const CliResult bad = RunCli({"check", "-j", wrong, files[0]});
        ExpectFailure(bad, 2);
    }
}

// A name with a line break in it stays on its line, written as `ls -b` writes it.
TEST(CliCheck, ControlCharactersOfNamesAreEscapedInLines) {
    TempDir dir;
    const std::string name = dir.File("two\nlines\tand \\ a\x7F.tif");
    WriteFile(name, {});
    const CliResult result = RunCli({"check", name});
    EXPECT_EQ(result.out, dir.Path() + "/two\\nlines\\tand \\\\ a\\177.tif: cannot be read: "
                                       "The file is empty\n");
}

TEST(CliDamagedPage, DecodeAndConvertWriteThePageAndExitThree) {
    TempDir dir;
    const std::string damaged = WriteDamagedPage(dir);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"decode", damaged, "1", dir.File("page.pbm")},
          std::vector<std::string>{"convert", damaged, "1", dir.File("page.tif"), "--g4"}}) {
        SCOPED_TRACE(args[0]);
        const CliResult result = RunCli(args);
        EXPECT_EQ(result.exitStatus, 3);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(Lines(result.err).size(), 1u);
        EXPECT_TRUE(
            result.err.starts_with("faxlens-cli: " + damaged + " image 1 is damaged: rows "))
            << result.err;
        EXPECT_TRUE(std::filesystem::exists(args[3])) << "the page is written as decoded";
    }
    // The saved page reads in libtiff as the damaged page was shown: its sound rows and white
    // where decoding stopped.
    const Bitmap saved = ReadWithLibtiff(dir.File("page.tif"), 0);
    EXPECT_EQ(saved.height, 300);
}

} // namespace
} // namespace faxlens::test
