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
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
      openError_(std::exchange(other.openError_, 0)) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        length_ = std::exchange(other.length_, 0);
        openError_ = std::exchange(other.openError_, 0);
    }
    return *this;
}

void BinaryFile::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    length_ = 0;
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
