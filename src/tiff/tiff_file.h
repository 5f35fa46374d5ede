#pragma once

// An open TIFF file: its byte order and header, and its image file directories (IFDs) with their
// entries as typed values. A command, a listed file and a viewer page each open their file once
// and draw everything from it: the image list, the tag report, the page parameters and the
// strips. Every number the file stores is unsigned, as TIFF defines it (offsets and counts reach
// 4 GiB); values and directories that lie past the end of the file read as zeros.

#include "base/result.h"
#include "tiff/binary_file.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace faxlens::tiff {

enum class ByteOrder : uint8_t { Motorola, Intel }; // "MM" and "II" files

// One 12-byte entry of a directory.
struct TagEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    // Where the value's first byte lies: the entry's own last four bytes when the value fits in
    // them (they are then in inlineBytes too), else the offset those bytes store.
    int64_t valueOffset = 0;
    std::array<uint8_t, 4> inlineBytes{};

    // The value's size in bytes, which may exceed anything a file holds.
    uint64_t ValueSize() const;
    bool IsInline() const { return ValueSize() <= inlineBytes.size(); }
};

struct Directory {
    int64_t offset = 0;
    std::vector<TagEntry> entries; // in stored order
    uint32_t nextOffset = 0;
    // False when the directory's entries or its next offset run past the end of the file.
    bool whole = true;

    // The first entry with the tag; null when there is none.
    const TagEntry* Find(uint16_t tag) const;
};

class TiffFile {
public:
    // Opens the path and reads its header. The reason in words when it cannot be opened or is
    // no TIFF file that Faxlens reads: "No such file or directory", "The file is empty",
    // "Not a TIFF file: it begins with \"%PDF\"", a BigTIFF file.
    static Result<TiffFile> Open(const std::string& path);

    const std::string& Path() const { return path_; }
    ByteOrder Order() const { return order_; }
    int64_t Length() const { return file_.Length(); }
    // The identity of the file when it was opened: what was read came from that file.
    const FileIdentity& Identity() const { return file_.Identity(); }
    uint32_t FirstDirectoryOffset() const { return firstDirectoryOffset_; }

    // The directory at offset, read at once. An entry count of 0 is kept; entries past the end
    // of the file read as zeros.
    Directory ReadDirectory(int64_t offset) const;
    // The 16-bit entry count at offset.
    uint16_t ReadEntryCount(int64_t offset) const;

    // Raw bytes at offset; what lies outside the file reads as 0.
    void ReadInto(int64_t offset, std::span<uint8_t> bytes) const {
        file_.ReadInto(offset, bytes.data(), bytes.size());
    }
    std::vector<uint8_t> Read(int64_t offset, std::size_t count) const {
        return file_.Read(offset, count);
    }

    // Numbers in the file's byte order.
    uint16_t Word(const uint8_t* bytes) const;
    uint32_t Long(const uint8_t* bytes) const;

    // Whether every read so far found its bytes (see BinaryFile).
    Status ReadStatus() const { return file_.ReadStatus(); }
    // The value, or the failure of a read made on the way to it.
    template <typename T>
    Result<T> Checked(T value) const {
        if (Status status = ReadStatus(); !status)
            return std::move(status).TakeFailure();
        return value;
    }

private:
    TiffFile(std::string path, BinaryFile file) : path_(std::move(path)), file_(std::move(file)) {}

    std::string path_;
    BinaryFile file_;
    ByteOrder order_ = ByteOrder::Motorola;
    uint32_t firstDirectoryOffset_ = 0;
};

} // namespace faxlens::tiff
