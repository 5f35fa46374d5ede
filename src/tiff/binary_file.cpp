#include "tiff/binary_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace faxlens::tiff {

namespace {

std::string OpenErrorWords(int error) {
    switch (error) {
    case ENOENT:
        return "No such file or directory";
    case EACCES:
    case EPERM:
        return "Permission denied";
    case EISDIR:
        return "Is a folder";
    case ENODEV:
        return "Is not a regular file";
    default:
        return std::strerror(error);
    }
}

FileIdentity IdentityFrom(const struct stat& info) {
    return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
            static_cast<int64_t>(info.st_size), static_cast<int64_t>(info.st_mtim.tv_sec),
            static_cast<int64_t>(info.st_mtim.tv_nsec)};
}

} // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return IdentityFrom(info);
}

Result<BinaryFile> BinaryFile::Open(const std::string& path) {
    // Without waiting: opening a FIFO for reading would block until a writer comes. Anything that
    // is not a regular file is refused before it is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Fail(OpenErrorWords(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        return Fail(OpenErrorWords(error));
    }
    return BinaryFile(fd, IdentityFrom(info));
}

BinaryFile::BinaryFile(int fd, const FileIdentity& identity)
    : fd_(fd), length_(identity.size), identity_(identity), shared_(std::make_unique<Shared>()) {}

BinaryFile::~BinaryFile() {
    Close();
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), length_(std::exchange(other.length_, 0)),
      identity_(other.identity_), shared_(std::move(other.shared_)) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        length_ = std::exchange(other.length_, 0);
        identity_ = other.identity_;
        shared_ = std::move(other.shared_);
    }
    return *this;
}

void BinaryFile::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::vector<uint8_t> BinaryFile::Read(int64_t offset, std::size_t count) const {
    std::vector<uint8_t> bytes(count);
    ReadInto(offset, bytes.data(), count);
    return bytes;
}

// Only what lies outside the file, and what a failed read leaves, is zeroed: a strip's bytes are
// written once, by the read.
void BinaryFile::ReadInto(int64_t offset, uint8_t* buffer, std::size_t count) const {
    if (fd_ < 0 || offset < 0 || offset >= length_ || shared_->failed.load()) {
        std::fill_n(buffer, count, uint8_t{0});
        return;
    }
    const auto wanted =
        static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(count), length_ - offset));
    std::fill_n(buffer + wanted, count - wanted, uint8_t{0});
    if (wanted <= kSmallRead && ReadFromBlock(offset, buffer, wanted))
        return;
    if (!ReadDirect(offset, buffer, wanted))
        std::fill_n(buffer, wanted, uint8_t{0});
}

Status BinaryFile::ReadStatus() const {
    if (!shared_ || !shared_->failed.load())
        return {};
    const std::lock_guard lock(shared_->failureMutex);
    return Fail(shared_->failure);
}

// Headers, directory entries and tag values are read a few bytes at a time, mostly from the
// same places; they come from one block of the file read at once.
bool BinaryFile::ReadFromBlock(int64_t offset, uint8_t* buffer, std::size_t count) const {
    const int64_t start = offset - offset % static_cast<int64_t>(kBlockSize);
    const std::lock_guard lock(shared_->blockMutex);
    if (start != shared_->blockStart) {
        const auto size = static_cast<std::size_t>(
            std::min<int64_t>(static_cast<int64_t>(kBlockSize), length_ - start));
        shared_->blockStart = -1;
        if (!ReadDirect(start, shared_->block.data(), size)) {
            std::fill_n(buffer, count, uint8_t{0});
            return true;
        }
        shared_->blockStart = start;
        shared_->blockSize = size;
    }
    const auto within = static_cast<std::size_t>(offset - start);
    if (within + count > shared_->blockSize)
        return false;
    std::copy_n(shared_->block.data() + within, count, buffer);
    return true;
}

bool BinaryFile::ReadDirect(int64_t offset, uint8_t* buffer, std::size_t wanted) const {
    std::size_t done = 0;
    while (done < wanted) {
        const ssize_t got =
            ::pread(fd_, buffer + done, wanted - done, offset + static_cast<int64_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            NoteFailure(std::strerror(errno));
            return false;
        }
        if (got == 0) {
            NoteFailure("the file was cut short while it was read");
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

void BinaryFile::NoteFailure(std::string reason) const {
    const std::lock_guard lock(shared_->failureMutex);
    if (shared_->failed.load())
        return;
    shared_->failure = std::move(reason);
    shared_->failed.store(true);
}

} // namespace faxlens::tiff
