#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace faxlens {

// A file opened for reading raw bytes at absolute offsets. Bytes past the end of the file (and
// at negative offsets) read as 0, so a reader can follow any offset a file names without
// checking it first. The file is closed when the object goes away.
class BinaryFile {
public:
    BinaryFile() = default;
    explicit BinaryFile(const std::string& path);
    ~BinaryFile();

    BinaryFile(BinaryFile&& other) noexcept;
    BinaryFile& operator=(BinaryFile&& other) noexcept;
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Why the file is not open: the system's error number (EISDIR for a folder, ENODEV for
    // anything else that is not a regular file); 0 while it is open.
    int OpenError() const { return openError_; }
    int64_t Length() const { return length_; }

    // Reads count bytes at offset; the part that lies outside the file is zero-filled.
    std::vector<uint8_t> Read(int64_t offset, std::size_t count) const;
    // Same, into a caller's buffer of count bytes.
    void ReadInto(int64_t offset, uint8_t* buffer, std::size_t count) const;

private:
    static constexpr std::size_t kSmallRead = 256;
    static constexpr std::size_t kBlockSize = 4096;

    void Close();
    bool ReadFromBlock(int64_t offset, uint8_t* buffer, std::size_t count) const;
    void ReadDirect(int64_t offset, uint8_t* buffer, std::size_t wanted) const;

    int fd_ = -1;
    int64_t length_ = 0;
    int openError_ = 0;
    // The block of the file that small reads come from; blockStart_ is -1 before the first.
    mutable std::vector<uint8_t> block_;
    mutable int64_t blockStart_ = -1;
};

} // namespace faxlens
