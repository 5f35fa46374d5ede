#include "tiff/binary_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace faxlens {

BinaryFile::BinaryFile(const std::string& path) {
    // Without waiting: opening a FIFO for reading would block until a writer comes. Anything that
    // is not a regular file is refused before it is read.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        openError_ = errno;
        return;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        openError_ = S_ISDIR(info.st_mode) ? EISDIR : ENODEV;
        Close();
        return;
    }
    length_ = info.st_size;
}

BinaryFile::~BinaryFile() {
    Close();
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), length_(std::exchange(other.length_, 0)),
      openError_(std::exchange(other.openError_, 0)), block_(std::move(other.block_)),
      blockStart_(std::exchange(other.blockStart_, -1)) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        length_ = std::exchange(other.length_, 0);
        openError_ = std::exchange(other.openError_, 0);
        block_ = std::move(other.block_);
        blockStart_ = std::exchange(other.blockStart_, -1);
    }
    return *this;
}

void BinaryFile::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    length_ = 0;
    block_.clear();
    blockStart_ = -1;
}

std::vector<uint8_t> BinaryFile::Read(int64_t offset, std::size_t count) const {
    std::vector<uint8_t> bytes(count);
    ReadInto(offset, bytes.data(), count);
    return bytes;
}

void BinaryFile::ReadInto(int64_t offset, uint8_t* buffer, std::size_t count) const {
    std::fill_n(buffer, count, uint8_t{0});
    if (fd_ < 0 || offset < 0 || offset >= length_)
        return;
    std::size_t wanted =
        static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(count), length_ - offset));
    if (wanted <= kSmallRead && ReadFromBlock(offset, buffer, wanted))
        return;
    ReadDirect(offset, buffer, wanted);
}

// Headers, directory entries and tag values are read a few bytes at a time, mostly from the
// same places; they come from one block of the file read at once.
bool BinaryFile::ReadFromBlock(int64_t offset, uint8_t* buffer, std::size_t count) const {
    const int64_t start = offset - offset % static_cast<int64_t>(kBlockSize);
    if (start != blockStart_) {
        const auto size = static_cast<std::size_t>(
            std::min<int64_t>(static_cast<int64_t>(kBlockSize), length_ - start));
        block_.assign(size, 0);
        blockStart_ = start;
        ReadDirect(start, block_.data(), size);
    }
    const auto within = static_cast<std::size_t>(offset - start);
    if (within + count > block_.size())
        return false;
    std::copy_n(block_.data() + within, count, buffer);
    return true;
}

void BinaryFile::ReadDirect(int64_t offset, uint8_t* buffer, std::size_t wanted) const {
    std::size_t done = 0;
    while (done < wanted) {
        ssize_t got =
            ::pread(fd_, buffer + done, wanted - done, offset + static_cast<int64_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // the file shrank or cannot be read: the rest stays zero
        done += static_cast<std::size_t>(got);
    }
}

} // namespace faxlens
