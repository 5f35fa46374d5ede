#include "tiff/output_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
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

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The mode a newly created file gets; mkstemp makes its files private.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

OutputFile OutputFile::CreateBeside(const std::string& path) {
    OutputFile file;
    file.temporaryPath_ = FolderOf(path) + ".faxlens-XXXXXX";
    file.fd_ = ::mkstemp(file.temporaryPath_.data());
    if (file.fd_ < 0) {
        file.Fail(Reason(errno));
        file.temporaryPath_.clear();
    }
    return file;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), temporaryPath_(std::move(other.temporaryPath_)),
      length_(other.length_), error_(std::move(other.error_)) {
    other.temporaryPath_.clear();
}

OutputFile::~OutputFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!temporaryPath_.empty())
        std::remove(temporaryPath_.c_str());
}

void OutputFile::Fail(const std::string& reason) {
    if (error_.empty())
        error_ = reason.empty() ? "unknown error" : reason;
}

void OutputFile::WriteAt(int64_t offset, std::span<const uint8_t> bytes) {
    if (!Ok())
        return;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                   offset + static_cast<int64_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Fail(Reason(n == 0 ? EIO : errno));
            return;
        }
        done += static_cast<std::size_t>(n);
    }
    length_ = std::max(length_, offset + static_cast<int64_t>(bytes.size()));
}

bool OutputFile::MoveInto(const std::string& path) {
    if (Ok() && (::fchmod(fd_, NewFileMode()) != 0 || ::fsync(fd_) != 0))
        Fail(Reason(errno));
    if (fd_ >= 0 && ::close(std::exchange(fd_, -1)) != 0)
        Fail(Reason(errno));
    if (Ok() && std::rename(temporaryPath_.c_str(), path.c_str()) != 0)
        Fail(Reason(errno));
    if (Ok())
        temporaryPath_.clear(); // it is the file at path now
    return Ok();
}

} // namespace faxlens
