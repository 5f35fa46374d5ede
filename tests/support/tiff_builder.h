#pragma once

// Builds TIFF files byte by byte for tests, in either byte order: any entries, any values, empty
// directories and hand-made IFD chains (loops, offsets outside the file).

#include "tiff/tiff_facts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace faxlens::test {

class TiffBuilder {
public:
    explicit TiffBuilder(bool intel = true) : intel_(intel) {}

    // Opens a new IFD; the entries added next go into it. IFDs are chained in order.
    TiffBuilder& Ifd();

    TiffBuilder& Short(uint16_t tag, const std::vector<uint16_t>& values);
    TiffBuilder& Long(uint16_t tag, const std::vector<uint32_t>& values);
    TiffBuilder& Rational(uint16_t tag, const std::vector<std::pair<uint32_t, uint32_t>>& values);
    TiffBuilder& Ascii(uint16_t tag, const std::string& bytes); // stored as given, NULs included
    // Any type: the value bytes as they stand in the file (already in the file's byte order).
    TiffBuilder& Raw(uint16_t tag, uint16_t type, uint32_t count,
                     const std::vector<uint8_t>& valueBytes);
    // An entry whose 4-byte value field is written verbatim (an offset or inline bytes).
    TiffBuilder& RawField(uint16_t tag, uint16_t type, uint32_t count, uint32_t valueField);

    // Appends bytes to the data area after the header and returns their offset in the file.
    uint32_t AddData(const std::vector<uint8_t>& bytes);

    // Overrides the next-IFD offset of IFD i (0-based), e.g. to make the chain loop.
    TiffBuilder& NextOffset(std::size_t ifd, uint32_t offset);
    TiffBuilder& FirstIfdOffset(uint32_t offset);

    // The offset each IFD will have in the built file.
    std::vector<uint32_t> IfdOffsets() const;

    std::vector<uint8_t> Build() const;
    void WriteTo(const std::string& path) const;

    // Byte helpers in this builder's order.
    std::vector<uint8_t> Bytes16(uint16_t v) const;
    std::vector<uint8_t> Bytes32(uint32_t v) const;

private:
    struct Entry {
        uint16_t tag;
        uint16_t type;
        uint32_t count;
        std::vector<uint8_t> value; // used when valueField is not set
        std::optional<uint32_t> valueField;
    };
    struct Directory {
        std::vector<Entry> entries;
        std::optional<uint32_t> next;
    };

    Directory& Current();
    void Put16(std::vector<uint8_t>& out, uint16_t v) const;
    void Put32(std::vector<uint8_t>& out, uint32_t v) const;
    std::vector<uint8_t> OutOfLineValues() const;

    bool intel_;
    std::vector<uint8_t> data_;
    std::vector<Directory> ifds_;
    std::optional<uint32_t> firstIfd_;
};

// Writes bytes to a file, failing the test when it cannot.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

// A fresh empty folder for one test, removed when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Every file, link and folder under dir, relative to it, sorted; links are not followed.
std::vector<std::string> FolderContents(const std::string& dir);

// A Group 4 page that cannot be shown, written to path: 100000 x 100000 pixels, or without width
// and height. Returns the offset of its directory.
int64_t WriteUnshowableSizePage(const std::string& path, bool withSize);

// An uncompressed page of 1728 x 200 pixels written to path: its strip fills the file from byte 8
// to 43,208, its directory follows. Returns the directory's offset.
int64_t WriteUncompressedPage(const std::string& path);

} // namespace faxlens::test
