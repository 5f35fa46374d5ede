#include "tiff/tiff_file.h"

#include "tiff/tiff_facts.h"

#include <algorithm>
#include <cstdio>

namespace faxlens::tiff {

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kBytesShown = 4;
constexpr int64_t kEntrySize = 12;
constexpr uint16_t kTiffMagic = 42;
constexpr uint16_t kBigTiffMagic = 43;

// The first bytes as text when they are printable ("%PDF"), else in hexadecimal (89 50 4E 47).
std::string FirstBytes(std::span<const uint8_t> bytes) {
    const bool printable =
        std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b >= 0x20 && b < 0x7F; });
    std::string text;
    if (printable)
        return '"' + std::string(bytes.begin(), bytes.end()) + '"';
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char two[4];
        std::snprintf(two, sizeof two, i > 0 ? " %02X" : "%02X", bytes[i]);
        text.append(two);
    }
    return text;
}

uint16_t WordIn(const uint8_t* b, ByteOrder order) {
    return order == ByteOrder::Intel ? static_cast<uint16_t>(b[0] | b[1] << 8)
                                     : static_cast<uint16_t>(b[0] << 8 | b[1]);
}

uint32_t LongIn(const uint8_t* b, ByteOrder order) {
    return order == ByteOrder::Intel
               ? b[0] | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24
               : b[3] | uint32_t{b[2]} << 8 | uint32_t{b[1]} << 16 | uint32_t{b[0]} << 24;
}

// Why a file with these first bytes is no TIFF file that Faxlens reads; empty when it is one.
std::string WhyNotTiff(std::span<const uint8_t> b, int64_t length) {
    const bool orderMark = b[0] == b[1] && (b[0] == 'I' || b[0] == 'M');
    const ByteOrder order = b[0] == 'I' ? ByteOrder::Intel : ByteOrder::Motorola;
    if (orderMark && WordIn(&b[2], order) == kTiffMagic)
        return {};
    if (orderMark && WordIn(&b[2], order) == kBigTiffMagic)
        return "Not a TIFF file that Faxlens reads: it is a BigTIFF file";
    const auto shown = static_cast<std::size_t>(std::min<int64_t>(kBytesShown, length));
    return "Not a TIFF file: it begins with " + FirstBytes(b.first(shown));
}

} // namespace

uint64_t TagEntry::ValueSize() const {
    return uint64_t{static_cast<uint32_t>(ElementSize(type))} * count;
}

const TagEntry* Directory::Find(uint16_t tag) const {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [tag](const TagEntry& entry) { return entry.tag == tag; });
    return found == entries.end() ? nullptr : &*found;
}

Result<TiffFile> TiffFile::Open(const std::string& path) {
    Result<BinaryFile> opened = BinaryFile::Open(path);
    if (!opened)
        return std::move(opened).TakeFailure();
    TiffFile file(path, std::move(*opened));
    if (file.Length() == 0)
        return Fail("The file is empty");
    std::array<uint8_t, kHeaderSize> header{};
    file.ReadInto(0, header);
    if (Status read = file.ReadStatus(); !read)
        return std::move(read).TakeFailure();
    if (std::string why = WhyNotTiff(header, file.Length()); !why.empty())
        return Fail(std::move(why));
    file.order_ = header[0] == 'I' ? ByteOrder::Intel : ByteOrder::Motorola;
    file.firstDirectoryOffset_ = file.Long(&header[4]);
    return file;
}

uint16_t TiffFile::Word(const uint8_t* bytes) const {
    return WordIn(bytes, order_);
}

uint32_t TiffFile::Long(const uint8_t* bytes) const {
    return LongIn(bytes, order_);
}

uint16_t TiffFile::ReadEntryCount(int64_t offset) const {
    std::array<uint8_t, 2> count{};
    ReadInto(offset, count);
    return Word(count.data());
}

Directory TiffFile::ReadDirectory(int64_t offset) const {
    Directory directory;
    directory.offset = offset;
    const uint16_t count = ReadEntryCount(offset);
    const int64_t size = kEntrySize * count + 4;
    const std::vector<uint8_t> bytes = Read(offset + 2, static_cast<std::size_t>(size));
    directory.whole = offset + 2 + size <= Length();
    directory.entries.resize(count);
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t* e = bytes.data() + kEntrySize * i;
        TagEntry& entry = directory.entries[i];
        entry.tag = Word(e);
        entry.type = Word(e + 2);
        entry.count = Long(e + 4);
        std::copy_n(e + 8, entry.inlineBytes.size(), entry.inlineBytes.begin());
        entry.valueOffset = entry.IsInline() ? offset + 2 + kEntrySize * i + 8 : Long(e + 8);
    }
    directory.nextOffset = Long(bytes.data() + kEntrySize * count);
    return directory;
}

} // namespace faxlens::tiff
