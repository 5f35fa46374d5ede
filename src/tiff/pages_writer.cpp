#include "tiff/pages_writer.h"

#include "tiff/tiff_facts.h"

#include <vector>

namespace faxlens::tiff {

namespace {

constexpr int32_t kHeaderLength = 8;
constexpr int32_t kRationalsLength = 16; // the two resolutions

void Put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

struct Entry {
    int32_t tag;
    FieldType type;
    std::vector<uint32_t> values; // at most four bytes of them, or one rational's offset
};

// Width, height and rows per strip are SHORTs when they fit, as the single-page saves write them.
Entry Dimension(int32_t tag, int32_t value) {
    return {tag, value > 0xFFFF ? kLong : kShort, {static_cast<uint32_t>(value)}};
}

std::vector<Entry> EntriesOf(const CodedPage& page, int32_t number, int32_t count,
                             uint32_t rationalsAt, uint32_t stripAt) {
    std::vector<Entry> entries = {
        {tag::kNewSubfileType, kLong, {kSubfileIsPage}},
        Dimension(tag::kImageWidth, page.width),
        Dimension(tag::kImageLength, page.height),
        {tag::kBitsPerSample, kShort, {1}},
        {tag::kCompression, kShort, {static_cast<uint32_t>(page.compression)}},
        {tag::kPhotometric, kShort, {static_cast<uint32_t>(photometric::kWhiteIsZero)}},
        {tag::kFillOrder, kShort, {static_cast<uint32_t>(kFillOrderHighBitFirst)}},
        {tag::kStripOffsets, kLong, {stripAt}},
        {tag::kSamplesPerPixel, kShort, {1}},
        Dimension(tag::kRowsPerStrip, page.height),
        {tag::kStripByteCounts, kLong, {static_cast<uint32_t>(page.strip.size())}},
        {tag::kXResolution, kRational, {rationalsAt}},
        {tag::kYResolution, kRational, {rationalsAt + 8}},
    };
    if (page.compression == compression::kGroup3)
        entries.push_back({tag::kT4Options, kLong, {kT4FillBits}});
    if (page.compression == compression::kGroup4)
        entries.push_back({tag::kT6Options, kLong, {kT6Uncompressed}});
    entries.push_back({tag::kResolutionUnit, kShort, {kResolutionInInches}});
    entries.push_back(
        {tag::kPageNumber, kShort, {static_cast<uint32_t>(number), static_cast<uint32_t>(count)}});
    return entries;
}

void PutEntry(std::vector<uint8_t>& out, const Entry& entry) {
    Put(out, static_cast<uint32_t>(entry.tag), 2);
    Put(out, static_cast<uint32_t>(entry.type), 2);
    const bool rational = entry.type == kRational;
    Put(out, rational ? 1 : static_cast<uint32_t>(entry.values.size()), 4);
    const int size = rational ? 4 : ElementSize(entry.type);
    int used = 0;
    for (uint32_t value : entry.values) {
        Put(out, value, size);
        used += size;
    }
    for (; used < 4; ++used) // values stand left-justified in the field
        out.push_back(0);
}

} // namespace

PagesWriter::PagesWriter(OutputFile& file, int32_t pageCount) : file_(file), count_(pageCount) {
    std::vector<uint8_t> header{'M', 'M'};
    Put(header, 42, 2);
    Put(header, static_cast<uint32_t>(kHeaderLength), 4); // the first directory follows
    file_.Append(header);
}

void PagesWriter::AddPage(const CodedPage& page) {
    const auto directoryAt = static_cast<uint32_t>(file_.Length());
    // The entry count is known before the entries: 15, and one for the options of Group 3 or 4.
    const bool options =
        page.compression == compression::kGroup3 || page.compression == compression::kGroup4;
    const uint32_t entryCount = options ? 16 : 15;
    const uint32_t rationalsAt = directoryAt + 2 + 12 * entryCount + 4;
    const uint32_t stripAt = rationalsAt + kRationalsLength;
    const std::vector<Entry> entries = EntriesOf(page, added_, count_, rationalsAt, stripAt);
    // A directory begins on a word boundary.
    const uint32_t stripEnd = stripAt + static_cast<uint32_t>(page.strip.size());
    const uint32_t next = ++added_ < count_ ? stripEnd + (stripEnd % 2) : 0;
    std::vector<uint8_t> block;
    Put(block, static_cast<uint32_t>(entries.size()), 2);
    for (const Entry& entry : entries)
        PutEntry(block, entry);
    Put(block, next, 4);
    for (int32_t dpi : {page.xResolution, page.yResolution}) {
        Put(block, static_cast<uint32_t>(std::max(dpi, 0)), 4);
        Put(block, 1, 4);
    }
    file_.Append(block);
    file_.Append(page.strip);
    if (next != 0 && stripEnd % 2 != 0)
        file_.Append(std::vector<uint8_t>{0});
}

} // namespace faxlens::tiff
