#include "tiff/page_info.h"

#include "tiff/tag_report.h"
#include "tiff/tiff_reader.h"

#include <string_view>

namespace faxlens {

namespace {

constexpr int32_t kImageWidth = 256;
constexpr int32_t kImageLength = 257;
constexpr int32_t kBitsPerSample = 258;
constexpr int32_t kCompression = 259;
constexpr int32_t kPhotometric = 262;
constexpr int32_t kFillOrder = 266;
constexpr int32_t kSamplesPerPixel = 277;
constexpr int32_t kT4Options = 292;
constexpr int32_t kTileOffsets = 324;
constexpr int32_t kStripOffsets = 273;
constexpr int32_t kRowsPerStrip = 278;
constexpr int32_t kStripByteCounts = 279;
constexpr int32_t kXResolution = 282;
constexpr int32_t kYResolution = 283;

int32_t TagNumber(const std::string& path, int64_t ifdOffset, int32_t tag) {
    return TextToLong(GetTagText(path, ifdOffset, tag));
}

// The tag's number, or the default when the tag is missing or has no value.
int32_t TagNumberOr(const std::string& path, int64_t ifdOffset, int32_t tag, int32_t byDefault) {
    const std::string text = GetTagText(path, ifdOffset, tag);
    return text.empty() ? byDefault : TextToLong(text);
}

// A value text cut short by the reader ends in ", ..."; the marker is no value of its own.
std::string_view WithoutCutMarker(std::string_view text) {
    constexpr std::string_view kCutMarker = ", ...";
    if (text.ends_with(kCutMarker))
        text.remove_suffix(kCutMarker.size());
    return text;
}

// The pieces of a value text between its commas; each keeps the blank after its comma.
std::vector<std::string_view> SplitAtCommas(std::string_view text) {
    std::vector<std::string_view> pieces;
    for (std::size_t start = 0;;) {
        std::size_t comma = text.find(',', start);
        pieces.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos)
            return pieces;
        start = comma + 1;
    }
}

} // namespace

void GetPageInfo(const std::string& path, int64_t ifdOffset, TiffPage& page) {
    page.width = TagNumber(path, ifdOffset, kImageWidth);
    page.height = TagNumber(path, ifdOffset, kImageLength);
    if (page.width == 0 || page.height == 0) {
        page.width = page.height = page.xResolution = page.yResolution = 0;
        return;
    }
    page.xResolution = TagNumber(path, ifdOffset, kXResolution);
    page.yResolution = TagNumber(path, ifdOffset, kYResolution);
    page.compressionName = CompressionText(path, ifdOffset);
}

void GetStrips(const std::string& path, int64_t ifdOffset, TiffPage& page) {
    page.rowsPerStrip = TagNumber(path, ifdOffset, kRowsPerStrip);
    const std::string offsetsText = GetTagText(path, ifdOffset, kStripOffsets);
    const std::string countsText = GetTagText(path, ifdOffset, kStripByteCounts);
    if (offsetsText.empty() || countsText.empty())
        return;

    const auto offsets = SplitAtCommas(WithoutCutMarker(offsetsText));
    const auto counts = SplitAtCommas(WithoutCutMarker(countsText));
    page.strips.assign(offsets.size(), StripSlot{});
    std::size_t filled = 0;
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        if (offsets[i].empty())
            continue;
        StripSlot& slot = page.strips[filled++];
        slot.offset = TextToLong(offsets[i]);
        slot.byteCount = i < counts.size() ? TextToLong(counts[i]) : 0;
    }
}

void GetPageCoding(const std::string& path, int64_t ifdOffset, TiffPage& page) {
    PageCoding& c = page.coding;
    c.compression = TagNumberOr(path, ifdOffset, kCompression, 1);
    c.t4Options = TagNumberOr(path, ifdOffset, kT4Options, 0);
    c.fillOrder = TagNumberOr(path, ifdOffset, kFillOrder, 1);
    c.photometric = TagNumberOr(path, ifdOffset, kPhotometric, 0);
    c.bitsPerSample = TagNumberOr(path, ifdOffset, kBitsPerSample, 1);
    c.samplesPerPixel = TagNumberOr(path, ifdOffset, kSamplesPerPixel, 1);
    c.tiled = !GetTagText(path, ifdOffset, kTileOffsets).empty();
}

} // namespace faxlens
