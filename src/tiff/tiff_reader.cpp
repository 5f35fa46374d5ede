#include "tiff/tiff_reader.h"

#include "base/number_text.h"
#include "base/numbers.h"

#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <unordered_set>

namespace faxlens {

namespace {

constexpr std::size_t kEntrySize = 12;
// Offsets of 0 and 1 end the chain of directories.
constexpr int64_t kFirstDirectoryOffset = 2;

void AppendDecimal(std::string& text, int64_t value) {
    std::array<char, 24> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    text.append(buffer.data(), result.ptr);
}

// One integer element of size 1, 2 or 4, placed into four bytes so that the file's byte order
// yields its value.
int32_t IntegerElement(const uint8_t* e, int32_t size, int signBits, ByteOrder order) {
    std::array<uint8_t, 4> four{};
    std::size_t first = order == ByteOrder::Intel ? 0 : 4 - static_cast<std::size_t>(size);
    for (int32_t k = 0; k < size; ++k)
        four[first + static_cast<std::size_t>(k)] = e[k];
    return AssembleLong(four[0], four[1], four[2], four[3], signBits, order);
}

double RationalElement(const uint8_t* e, ByteOrder order) {
    int32_t numerator = AssembleLong(e[0], e[1], e[2], e[3], 0, order);
    int32_t denominator = AssembleLong(e[4], e[5], e[6], e[7], 0, order);
    return denominator != 0 ? static_cast<double>(numerator) / denominator : 0.0;
}

void AppendElement(std::string& text, const uint8_t* e, int32_t type, int32_t size,
                   ByteOrder order) {
    switch (type) {
    case kByte:
    case kShort:
    case kLong:
        AppendDecimal(text, IntegerElement(e, size, 0, order));
        text += ", ";
        break;
    case kSByte:
    case kSShort:
    case kSLong:
        AppendDecimal(text, IntegerElement(e, size, size * 8, order));
        text += ", ";
        break;
    case kAscii:
    case kUndefined:
        text += static_cast<char>(e[0]);
        break;
    case kRational:
    case kSRational:
        text += QuotientText(RationalElement(e, order));
        text += ", ";
        break;
    default: // FLOAT and DOUBLE are not shown
        break;
    }
}

void DropTrailingSeparator(std::string& text, int32_t type) {
    if (type == kAscii) {
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
    } else if (text.ends_with(", ")) {
        text.resize(text.size() - 2);
    }
}

} // namespace

int32_t AssembleWord(uint8_t b0, uint8_t b1, int signBits, ByteOrder order) {
    int32_t value = order == ByteOrder::Intel ? b0 + 256 * b1 : 256 * b0 + b1;
    if (signBits > 0 && signBits <= 16 && value > (1 << (signBits - 1)) - 1)
        value -= 1 << signBits;
    return value;
}

int32_t AssembleLong(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, int signBits,
                     ByteOrder order) {
    uint32_t bits = order == ByteOrder::Intel ? b0 | (b1 << 8) | (b2 << 16) | (uint32_t{b3} << 24)
                                              : b3 | (b2 << 8) | (b1 << 16) | (uint32_t{b0} << 24);
    auto value = static_cast<int64_t>(static_cast<int32_t>(bits));
    if (signBits >= 1 && signBits <= 31 && value > (int64_t{1} << (signBits - 1)) - 1)
        value -= int64_t{1} << signBits;
    return static_cast<int32_t>(value);
}

TiffHeader ReadTiffHeader(const BinaryFile& file) {
    TiffHeader header;
    if (!file.IsOpen())
        return header;
    std::array<uint8_t, 12> b{};
    file.ReadInto(0, b.data(), b.size());
    if (b[0] != b[1])
        return header;
    ByteOrder order;
    if (b[0] == 'I')
        order = ByteOrder::Intel;
    else if (b[0] == 'M')
        order = ByteOrder::Motorola;
    else
        return header;
    if (AssembleWord(b[2], b[3], 0, order) != 42)
        return header;
    header.valid = true;
    header.byteOrder = order;
    header.firstIfdOffset = AssembleLong(b[4], b[5], b[6], b[7], 0, order);
    header.fileLength = file.Length();
    return header;
}

TiffHeader ReadTiffHeader(const std::string& path) {
    return ReadTiffHeader(BinaryFile(path));
}

bool ReadIfdHeader(const BinaryFile& file, int64_t ifdOffset, ByteOrder order, IfdHeader& header) {
    header = {};
    if (!file.IsOpen())
        return false;
    std::array<uint8_t, 4> b{};
    file.ReadInto(ifdOffset, b.data(), 2);
    header.entryCount = AssembleWord(b[0], b[1], 0, order);
    file.ReadInto(ifdOffset + 2 + int64_t{kEntrySize} * header.entryCount, b.data(), 4);
    header.nextIfdOffset = AssembleLong(b[0], b[1], b[2], b[3], 0, order);
    return true;
}

bool ReadTagEntry(const BinaryFile& file, int64_t entryOffset, ByteOrder order, TagEntry& entry) {
    entry = {};
    if (!file.IsOpen())
        return false;
    std::array<uint8_t, kEntrySize> b{};
    file.ReadInto(entryOffset, b.data(), b.size());
    entry.tag = AssembleWord(b[0], b[1], 0, order);
    entry.type = AssembleWord(b[2], b[3], 0, order);
    entry.count = AssembleLong(b[4], b[5], b[6], b[7], 0, order);
    if (int64_t{ElementSize(entry.type)} * entry.count > 4)
        entry.valueOffset = AssembleLong(b[8], b[9], b[10], b[11], 0, order);
    else
        entry.valueOffset = entryOffset + 8;
    return true;
}

std::string FormatTagValue(const BinaryFile& file, int64_t valueOffset, int32_t type, int32_t count,
                           ByteOrder order, int64_t* elementBudget) {
    const int32_t size = ElementSize(type);
    if (size == 0 || count <= 0)
        return {};
    // Never more elements than the file could hold: a hostile count must not cost gigabytes.
    const int64_t fileCanHold = (std::max<int64_t>(file.Length(), 0) + size - 1) / size;
    int64_t elements = std::min<int64_t>(count, fileCanHold);
    if (elementBudget) {
        elements = std::min(elements, std::max<int64_t>(*elementBudget, 0));
        *elementBudget -= elements;
    }
    const bool cut = elements < count;

    std::vector<uint8_t> bytes = file.Read(valueOffset, static_cast<std::size_t>(elements * size));
    std::string text;
    for (int64_t i = 0; i < elements; ++i)
        AppendElement(text, bytes.data() + i * size, type, size, order);
    DropTrailingSeparator(text, type);
    if (cut)
        text += text.empty() ? "..." : ", ...";
    return text;
}

bool ListImages(const std::string& path, std::vector<int32_t>& offsets, int32_t& count,
                int32_t limit, const EventPump& pump) {
    offsets.clear();
    count = 0;
    BinaryFile file(path);
    if (!file.IsOpen()) {
        count = -1;
        return false;
    }
    TiffHeader header = ReadTiffHeader(file);
    if (!header.valid)
        return true;

    std::unordered_set<int64_t> visited; // a chain that points back ends there
    // The first offset ends the chain as a next offset does: below 2 there are no images, not
    // a directory read from the header itself.
    int64_t offset = header.firstIfdOffset;
    while (offset >= kFirstDirectoryOffset && offset < header.fileLength &&
           visited.insert(offset).second) {
        IfdHeader ifd;
        ReadIfdHeader(file, offset, header.byteOrder, ifd);
        if (ifd.entryCount > 0) {
            offsets.push_back(static_cast<int32_t>(offset));
            ++count;
            if (count % 50 == 0)
                Pump(pump);
        }
        if (limit > 0 && count >= limit)
            break;
        if (ifd.nextIfdOffset < kFirstDirectoryOffset)
            break;
        offset = ifd.nextIfdOffset;
    }
    return true;
}

std::vector<int32_t> ImageOffsets(const std::string& path) {
    std::vector<int32_t> offsets;
    int32_t count = 0;
    ListImages(path, offsets, count, 0);
    return offsets;
}

std::string GetTagText(const std::string& path, int64_t ifdOffset, int32_t tag) {
    BinaryFile file(path);
    if (!file.IsOpen())
        return "-1";
    TiffHeader header = ReadTiffHeader(file);
    if (!header.valid || ifdOffset < 0 || ifdOffset >= header.fileLength)
        return {};
    IfdHeader ifd;
    ReadIfdHeader(file, ifdOffset, header.byteOrder, ifd);
    for (int32_t i = 0; i < ifd.entryCount; ++i) {
        TagEntry entry;
        ReadTagEntry(file, ifdOffset + 2 + int64_t{kEntrySize} * i, header.byteOrder, entry);
        if (entry.tag == tag)
            return FormatTagValue(file, entry.valueOffset, entry.type, entry.count,
                                  header.byteOrder);
    }
    return {};
}

int32_t TextToLong(std::string_view value) {
    return RoundHalfEven(LeadingNumber(value));
}

std::string QuotientText(double quotient) {
    if (quotient == 0.0)
        return "0"; // no "-0"
    std::array<char, 40> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), quotient,
                                std::chars_format::general, 15);
    std::string text(buffer.data(), result.ptr);
    for (char& c : text)
        if (c == 'e')
            c = 'E';
    return text;
}

} // namespace faxlens
