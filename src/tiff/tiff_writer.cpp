#include "tiff/tiff_writer.h"

#include <algorithm>
#include <array>
#include <vector>

namespace faxlens::tiff {

namespace {

constexpr int32_t kReservedLength = 16;
constexpr int32_t kXResolutionAt = 8;
constexpr int32_t kYResolutionAt = 16;

struct Compression {
    int32_t code;
    int32_t optionsTag;
    int32_t options;
};
constexpr Compression kGroup3{compression::kGroup3, tag::kT4Options, kT4FillBits};
constexpr Compression kGroup4{compression::kGroup4, tag::kT6Options, kT6Uncompressed};
// T.85 has no options field: its stream's header holds its options.
constexpr Compression kT85{compression::kJbigT85, 0, 0};

// Entries of the directory: 16 with an options field, 15 without.
int32_t EntryCount(const Compression& compression) {
    return compression.optionsTag != 0 ? 16 : 15;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void AppendEntryFields(OutputFile& file, int32_t tag, FieldType type, int32_t count,
                       std::span<const uint8_t> valueField) {
    std::vector<uint8_t> entry;
    PutBigEndian(entry, static_cast<uint32_t>(tag), 2);
    PutBigEndian(entry, static_cast<uint32_t>(type), 2);
    PutBigEndian(entry, static_cast<uint32_t>(count), 4);
    entry.insert(entry.end(), valueField.begin(), valueField.end());
    file.Append(entry);
}

void WriteShortOrLong(OutputFile& file, int32_t tag, FieldType type, int32_t value) {
    const std::array<int32_t, 1> values{value};
    WriteEntry(file, tag, type, values, 0);
}

void WriteShort(OutputFile& file, int32_t tag, int32_t value) {
    WriteShortOrLong(file, tag, kShort, value);
}

void WriteLong(OutputFile& file, int32_t tag, int32_t value) {
    WriteShortOrLong(file, tag, kLong, value);
}

// Width, height and rows per strip are SHORTs, as every reader expects of a fax page; a page
// too large for a SHORT gets LONGs, in the same place of the same layout.
void WriteDimension(OutputFile& file, int32_t tag, int32_t value) {
    WriteShortOrLong(file, tag, value > 0xFFFF ? kLong : kShort, value);
}

int32_t WriteHeader(OutputFile& file, int32_t width, int32_t height, int32_t xResolution,
                    int32_t yResolution, int32_t bitsPerSample, const Compression& compression) {
    WriteFileHeader(file, kReservedLength);
    const int32_t entryCount = EntryCount(compression);
    // The strip follows the directory: its entries and the offset of the next one.
    const int32_t stripOffset = kReservedLength + 8 + 2 + 12 * entryCount + 4;
    AppendShort(file, entryCount);
    WriteLong(file, tag::kNewSubfileType, kSubfileIsPage);
    WriteDimension(file, tag::kImageWidth, width);
    WriteDimension(file, tag::kImageLength, height);
    WriteShort(file, tag::kBitsPerSample, bitsPerSample);
    WriteShort(file, tag::kCompression, compression.code);
    WriteShort(file, tag::kPhotometric, photometric::kWhiteIsZero);
    WriteShort(file, tag::kFillOrder, kFillOrderHighBitFirst);
    WriteLong(file, tag::kStripOffsets, stripOffset);
    WriteShort(file, tag::kSamplesPerPixel, 1);
    WriteDimension(file, tag::kRowsPerStrip, height);
    const auto byteCountPosition = static_cast<int32_t>(file.Length() + 8);
    WriteLong(file, tag::kStripByteCounts, 0); // written when the strip is done
    const std::array<int32_t, 1> one{1};
    const std::array<int32_t, 1> x{xResolution};
    const std::array<int32_t, 1> y{yResolution};
    WriteRationalEntry(file, tag::kXResolution, x, one, kXResolutionAt);
    WriteRationalEntry(file, tag::kYResolution, y, one, kYResolutionAt);
    if (compression.optionsTag != 0)
        WriteLong(file, compression.optionsTag, compression.options);
    WriteShort(file, tag::kResolutionUnit, kResolutionInInches);
    const std::array<int32_t, 2> pageNumber{0, 1};
    WriteEntry(file, tag::kPageNumber, kShort, pageNumber, 0);
    AppendLong(file, 0); // no next directory
    return byteCountPosition;
}

} // namespace

void WriteFileHeader(OutputFile& file, int32_t reservedLength) {
    std::vector<uint8_t> header{'M', 'M'};
    PutBigEndian(header, 42, 2);
    PutBigEndian(header, static_cast<uint32_t>(reservedLength + 8), 4);
    header.resize(header.size() + static_cast<std::size_t>(reservedLength), 0);
    file.WriteAt(0, header);
}

void AppendShort(OutputFile& file, int32_t value) {
    std::vector<uint8_t> bytes;
    PutBigEndian(bytes, static_cast<uint32_t>(value), 2);
    file.Append(bytes);
}

void AppendLong(OutputFile& file, int32_t value) {
    std::vector<uint8_t> bytes;
    PutBigEndian(bytes, static_cast<uint32_t>(value), 4);
    file.Append(bytes);
}

void WriteEntry(OutputFile& file, int32_t tag, FieldType type, std::span<const int32_t> values,
                int32_t dataOffset) {
    std::vector<uint8_t> bytes;
    for (int32_t value : values)
        PutBigEndian(bytes, static_cast<uint32_t>(value), ElementSize(type));
    while (bytes.size() % 4 != 0) // padded to whole 4-byte fields
        bytes.push_back(0);
    const auto count = static_cast<int32_t>(values.size());
    if (int64_t{ElementSize(type)} * count <= 4) {
        AppendEntryFields(file, tag, type, count, bytes);
        return;
    }
    std::vector<uint8_t> field;
    PutBigEndian(field, static_cast<uint32_t>(dataOffset), 4);
    AppendEntryFields(file, tag, type, count, field);
    file.WriteAt(dataOffset, bytes);
}

void WriteRationalEntry(OutputFile& file, int32_t tag, std::span<const int32_t> numerators,
                        std::span<const int32_t> denominators, int32_t dataOffset) {
    std::vector<uint8_t> field;
    PutBigEndian(field, static_cast<uint32_t>(dataOffset), 4);
    const auto count = static_cast<int32_t>(std::min(numerators.size(), denominators.size()));
    AppendEntryFields(file, tag, kRational, count, field);
    std::vector<uint8_t> values;
    for (int32_t i = 0; i < count; ++i) {
        PutBigEndian(values, static_cast<uint32_t>(numerators[i]), 4);
        PutBigEndian(values, static_cast<uint32_t>(denominators[i]), 4);
    }
    file.WriteAt(dataOffset, values);
}

int32_t WriteHeaderG3(OutputFile& file, int32_t width, int32_t height, int32_t xResolution,
                      int32_t yResolution, int32_t bitsPerSample) {
    return WriteHeader(file, width, height, xResolution, yResolution, bitsPerSample, kGroup3);
}

int32_t WriteHeaderG4(OutputFile& file, int32_t width, int32_t height, int32_t xResolution,
                      int32_t yResolution, int32_t bitsPerSample) {
    return WriteHeader(file, width, height, xResolution, yResolution, bitsPerSample, kGroup4);
}

int32_t WriteHeaderT85(OutputFile& file, int32_t width, int32_t height, int32_t xResolution,
                       int32_t yResolution, int32_t bitsPerSample) {
    return WriteHeader(file, width, height, xResolution, yResolution, bitsPerSample, kT85);
}

} // namespace faxlens::tiff
