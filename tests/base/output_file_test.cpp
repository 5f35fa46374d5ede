// The file a save writes: what it does with each kind of target (links, things that are not
// regular files, files the user may not write), the mode, owner and group a replaced file keeps,
// and the temporary file that no ending of the program leaves behind.

#include "base/output_file.h"
#include "support/tiff_builder.h"
#include "support/unprivileged.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace faxlens::test {
namespace {

namespace fs = std::filesystem;

const std::vector<uint8_t> kOld{'o', 'l', 'd'};
const std::vector<uint8_t> kNew{'n', 'e', 'w', ' ', 'p', 'a', 'g', 'e'};

// Writes kNew through an OutputFile; empty when saved, else the reason.
std::string Save(const std::string& path) {
    Result<OutputFile> file = OutputFile::Create(path);
    if (!file)
        return file.Reason();
    file->Append(kNew);
    const Status finished = file->Finish();
    return finished ? std::string() : finished.Reason();
}

struct stat StatusOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status;
}

void MakeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

TEST(SaveTarget, WhatIsNotARegularFileIsRefusedAndLeftAlone) {
    TempDir dir;
    fs::create_directory(dir.File("folder"));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
    MakeSocket(dir.File("socket"));
    fs::create_symlink("/dev/null", dir.File("device"));
    fs::create_symlink("loop-b", dir.File("loop-a"));
    fs::create_symlink("loop-a", dir.File("loop-b"));
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"folder", "Is a folder"},
        {"fifo", "Is a FIFO, not a regular file"},
        {"socket", "Is a socket, not a regular file"},
        {"device", "Is a device, not a regular file"},
        {"loop-a", "Too many levels of symbolic links"},
    };
    const std::vector<std::string> before = FolderContents(dir.Path());
    for (const auto& target : cases) {
        SCOPED_TRACE(target.name);
        const struct stat old = StatusOf(dir.File(target.name));
        EXPECT_EQ(Save(dir.File(target.name)), target.reason);
        const struct stat now = StatusOf(dir.File(target.name));
        EXPECT_EQ(now.st_ino, old.st_ino);
        EXPECT_EQ(now.st_mode, old.st_mode);
    }
    EXPECT_EQ(FolderContents(dir.Path()), before) << "no temporary file stays";
}

// A link stays a link, with the same text; the file at the end of its links gets the content.
TEST(SaveTarget, LinksAreFollowedAndStay) {
    TempDir dir;
    fs::create_directory(dir.File("real"));
    WriteFile(dir.File("real/page.tif"), kOld);
    const struct {
        const char* link;
        std::string pointsTo;
        std::string endsAt;
    } cases[] = {
        {"relative.tif", "real/page.tif", dir.File("real/page.tif")},
        {"absolute.tif", dir.File("real/page.tif"), dir.File("real/page.tif")},
        {"chain.tif", "relative.tif", dir.File("real/page.tif")},
        {"dangling.tif", "real/new.tif", dir.File("real/new.tif")},
    };
    for (const auto& link : cases) {
        SCOPED_TRACE(link.link);
        WriteFile(dir.File("real/page.tif"), kOld);
        fs::create_symlink(link.pointsTo, dir.File(link.link));
        EXPECT_EQ(Save(dir.File(link.link)), "");
        EXPECT_TRUE(fs::is_symlink(dir.File(link.link)));
        EXPECT_EQ(fs::read_symlink(dir.File(link.link)), link.pointsTo);
        EXPECT_EQ(ReadFile(link.endsAt), kNew);
    }
    EXPECT_EQ(FolderContents(dir.Path()),
              (std::vector<std::string>{"absolute.tif", "chain.tif", "dangling.tif", "real",
                                        "real/new.tif", "real/page.tif", "relative.tif"}));
}

TEST(SaveTarget, SameFileByAnyPathOrLink) {
    TempDir dir;
    WriteFile(dir.File("a.tif"), kOld);
    WriteFile(dir.File("copy.tif"), kOld);
    fs::create_symlink("a.tif", dir.File("link.tif"));
    fs::create_hard_link(dir.File("a.tif"), dir.File("hard.tif"));
    const std::string a = dir.File("a.tif");
    EXPECT_TRUE(IsSameFile(a, dir.File("link.tif")));
    EXPECT_TRUE(IsSameFile(a, dir.File("hard.tif")));
    EXPECT_TRUE(IsSameFile(a, dir.Path() + "/./a.tif"));
    EXPECT_FALSE(IsSameFile(a, dir.File("copy.tif")));
    EXPECT_FALSE(IsSameFile(a, dir.File("missing.tif")));
}

// Runs in a folder that the unprivileged user owns, as that user.
class UnprivilegedSave : public ::testing::Test {
protected:
    void SetUp() override { GiveToUnprivilegedUser(dir.Path()); }
    std::string Make(const std::string& name, mode_t mode) {
        const std::string path = dir.File(name);
        WriteFile(path, kOld);
        GiveToUnprivilegedUser(path);
        fs::permissions(path, static_cast<fs::perms>(mode));
        return path;
    }
    TempDir dir;
};

TEST_F(UnprivilegedSave, ReplacedFileKeepsItsModeOwnerAndGroup) {
    for (const mode_t mode : {0600, 0640, 0604, 0660}) {
        SCOPED_TRACE(mode);
        const std::string path = Make("page.tif", mode);
        const struct stat old = StatusOf(path);
        EXPECT_EQ(AsUnprivilegedUser([&] { return Save(path); }), "");
        const struct stat now = StatusOf(path);
        EXPECT_EQ(ReadFile(path), kNew);
        EXPECT_NE(now.st_ino, old.st_ino) << "the file is replaced, not written over";
        EXPECT_EQ(now.st_mode, old.st_mode);
        EXPECT_EQ(now.st_uid, old.st_uid);
        EXPECT_EQ(now.st_gid, old.st_gid);
    }
}

TEST_F(UnprivilegedSave, FileTheUserMayNotWriteIsLeftAlone) {
    const std::string path = Make("read-only.tif", 0444);
    const std::vector<std::string> before = FolderContents(dir.Path());
    EXPECT_EQ(AsUnprivilegedUser([&] { return Save(path); }), "Permission denied");
    EXPECT_EQ(ReadFile(path), kOld);
    EXPECT_EQ(StatusOf(path).st_mode & 07777, 0444U);
    EXPECT_EQ(FolderContents(dir.Path()), before);
}

TEST_F(UnprivilegedSave, NewFileGetsTheUsualModeUnderTheUmask) {
    const std::string path = dir.File("new.tif");
    EXPECT_EQ(AsUnprivilegedUser([&] {
                  const mode_t mask = ::umask(027);
                  std::string reason = Save(path);
                  ::umask(mask);
                  return reason;
              }),
              "");
    EXPECT_EQ(StatusOf(path).st_mode & 07777, 0640U);
}

// A child process starts a save, and a signal ends it in the middle. The signal still ends the
// program as it would have, and the target is as it was.
TEST(InterruptedSave, SignalsRemoveTheTemporaryFile) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        TempDir dir;
        WriteFile(dir.File("page.tif"), kOld);
        const pid_t child = ::fork();
        if (child == 0) {
            Result<OutputFile> file = OutputFile::Create(dir.File("page.tif"));
            file->Append(kNew);
            ::raise(signal);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(FolderContents(dir.Path()), std::vector<std::string>{"page.tif"});
        EXPECT_EQ(ReadFile(dir.File("page.tif")), kOld);
    }
}

TEST(StreamOutput, TakesBytesInOrderAndRefusesToGoBackPastWhatItSent) {
    TempDir dir;
    const std::string path = dir.File("stream");
    const pid_t child = ::fork();
    if (child == 0) { // standard output of the child is the file
        FILE* out = std::freopen(path.c_str(), "w", stdout);
        Result<OutputFile> file = OutputFile::Create("-");
        file->Append(kOld);
        file->WriteAt(1, std::vector<uint8_t>{'k'}); // still held: may be patched
        file->Append(std::vector<uint8_t>(OutputFile::kStreamHeld, 'x'));
        file->WriteAt(0, std::vector<uint8_t>{'z'}); // sent: the stream fails
        ::_exit(out != nullptr && file->IsStream() && !file->Finish() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::vector<uint8_t> sent = ReadFile(path);
    ASSERT_EQ(sent.size(), 3 + OutputFile::kStreamHeld);
    EXPECT_EQ(std::string(sent.begin(), sent.begin() + 4), "okdx");
}

// The temporary file is named relative to its folder, so a target whose path is as long as the
// system allows (4,095 bytes) is written as any other, whatever the length of its own name.
TEST(LongPaths, ATargetOfTheLongestPathIsSaved) {
    TempDir dir;
    std::string folder = dir.Path();
    const std::string name = "/p.tif";
    while (folder.size() + name.size() < 4090) {
        const std::size_t room = 4090 - name.size() - folder.size() - 1;
        folder += '/';
        folder.append(std::min<std::size_t>(room == 0 ? 1 : room, 200), 'f');
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0) << folder.size();
    }
    const std::string target = folder + name;
    ASSERT_GE(target.size(), 4090u);
    ASSERT_LT(target.size(), 4096u);
    EXPECT_EQ(Save(target), "");
    EXPECT_EQ(ReadFile(target), kNew);
    EXPECT_EQ(FolderContents(folder), std::vector<std::string>{"p.tif"});
}

} // namespace
} // namespace faxlens::test
