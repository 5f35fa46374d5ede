#include "base/output_file.h"

#include "base/temporary_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace faxlens {

namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

// The mode a newly created file gets; mkstemp makes its files private.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writes all of bytes at offset, or with offset -1 at the descriptor's position; 0 or errno.
int WriteAll(int fd, std::span<const uint8_t> bytes, int64_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const uint8_t* from = bytes.data() + done;
        const std::size_t count = bytes.size() - done;
        const ssize_t n = offset < 0
                              ? ::write(fd, from, count)
                              : ::pwrite(fd, from, count, offset + static_cast<int64_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0 ? EIO : errno;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

} // namespace

Result<OutputFile> OutputFile::Create(const std::string& path) {
    OutputFile file;
    if (path == kStandardOutputPath) {
        CleanUpOnSignals(); // for SIGXFSZ: a full stream is reported, not fatal
        file.stream_ = true;
        file.fd_ = STDOUT_FILENO;
        if (::isatty(file.fd_))
            return Fail("standard output is a terminal; send it to a file or a pipe");
        return file;
    }
    Result<SaveTarget> target = FindSaveTarget(path);
    if (!target)
        return std::move(target).TakeFailure();
    file.target_ = std::move(*target);
    if (Status opened = file.OpenBeside(); !opened)
        return std::move(opened).TakeFailure();
    return file;
}

Status OutputFile::OpenBeside() {
    const std::string folder = FolderOf(target_.path);
    folder_ = ::open(folder.empty() ? "." : folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0)
        return Fail(Reason(errno));
    fd_ = CreateTemporaryFile(folder_, temporaryName_);
    if (fd_ < 0) {
        temporaryName_.clear();
        return Fail(Reason(errno));
    }
    return {};
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), stream_(other.stream_), target_(std::move(other.target_)),
      folder_(std::exchange(other.folder_, -1)),
      temporaryName_(std::exchange(other.temporaryName_, {})), length_(other.length_),
      held_(std::move(other.held_)), heldFrom_(other.heldFrom_), error_(std::move(other.error_)) {}

OutputFile::~OutputFile() {
    if (fd_ >= 0 && !stream_)
        ::close(fd_);
    RemoveTemporaryFile();
    if (folder_ >= 0)
        ::close(folder_);
}

void OutputFile::RemoveTemporaryFile() {
    if (temporaryName_.empty())
        return;
    ::unlinkat(folder_, temporaryName_.c_str(), 0);
    ForgetTemporaryFile(folder_, temporaryName_);
    temporaryName_.clear();
}

Status OutputFile::WriteStatus() const {
    if (Ok())
        return {};
    return Fail(error_);
}

void OutputFile::NoteFailure(const std::string& reason) {
    if (error_.empty())
        error_ = reason.empty() ? "unknown error" : reason;
}

void OutputFile::WriteAt(int64_t offset, std::span<const uint8_t> bytes) {
    if (!Ok())
        return;
    if (stream_)
        WriteToStream(offset, bytes);
    else
        WriteToFile(offset, bytes);
    if (Ok())
        length_ = std::max(length_, offset + static_cast<int64_t>(bytes.size()));
}

void OutputFile::WriteToFile(int64_t offset, std::span<const uint8_t> bytes) {
    if (const int error = WriteAll(fd_, bytes, offset); error != 0)
        NoteFailure(Reason(error));
}

void OutputFile::WriteToStream(int64_t offset, std::span<const uint8_t> bytes) {
    if (offset < heldFrom_) {
        NoteFailure("bytes already sent to standard output cannot be written again");
        return;
    }
    const auto at = static_cast<std::size_t>(offset - heldFrom_);
    if (held_.size() < at + bytes.size())
        held_.resize(at + bytes.size(), 0);
    std::copy(bytes.begin(), bytes.end(), held_.begin() + static_cast<std::ptrdiff_t>(at));
    if (held_.size() >= kStreamHeld)
        HandOnHeldBytes();
}

void OutputFile::HandOnHeldBytes() {
    if (const int error = WriteAll(fd_, held_, -1); error != 0)
        NoteFailure(Reason(error));
    heldFrom_ += static_cast<int64_t>(held_.size());
    held_.clear();
}

// The owner and group go first: changing them may clear the set-user-ID and set-group-ID bits,
// which are kept only when both could be kept.
void OutputFile::TakeOverOwnerAndMode() {
    if (!target_.exists) {
        if (::fchmod(fd_, NewFileMode()) != 0)
            NoteFailure(Reason(errno));
        return;
    }
    bool ownerKept = ::fchown(fd_, target_.owner, target_.group) == 0;
    if (!ownerKept) { // without privileges the file stays the user's own; its group may be set
        const bool groupKept = ::fchown(fd_, static_cast<uid_t>(-1), target_.group) == 0;
        struct stat own {};
        ownerKept = groupKept && ::fstat(fd_, &own) == 0 && own.st_uid == target_.owner;
    }
    mode_t mode = target_.mode & 07777;
    if (!ownerKept)
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    if (::fchmod(fd_, mode) != 0)
        NoteFailure(Reason(errno));
}

std::string OutputFile::ReadBackPath() const {
    return stream_ || fd_ < 0 ? std::string() : "/proc/self/fd/" + std::to_string(fd_);
}

Status OutputFile::Finish() {
    if (stream_) {
        if (Ok())
            HandOnHeldBytes();
        return WriteStatus();
    }
    if (Ok()) {
        TakeOverOwnerAndMode();
        if (Ok() && ::fsync(fd_) != 0)
            NoteFailure(Reason(errno));
    }
    if (fd_ >= 0 && ::close(std::exchange(fd_, -1)) != 0)
        NoteFailure(Reason(errno));
    const std::string targetName = target_.path.substr(FolderOf(target_.path).size());
    if (Ok() && ::renameat(folder_, temporaryName_.c_str(), folder_, targetName.c_str()) != 0)
        NoteFailure(Reason(errno));
    if (Ok()) { // the temporary file is the file at the target now
        ForgetTemporaryFile(folder_, temporaryName_);
        temporaryName_.clear();
    }
    RemoveTemporaryFile();
    return WriteStatus();
}

} // namespace faxlens
