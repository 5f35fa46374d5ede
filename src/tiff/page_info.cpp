#include "tiff/page_info.h"

#include "tiff/tag_report.h"
#include "tiff/tiff_facts.h"
#include "tiff/tiff_reader.h"

#include <string_view>

namespace faxlens {

namespace {

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

// The darker of the two colours of a one-bit palette, by the grey level of each (0.2989 red +
// 0.5866 green + 0.1145 blue); -1 when the colour map does not hold two colours. The map holds
// the reds, then the greens, then the blues.
int32_t DarkerPaletteIndex(std::string_view colourMap) {
    const auto values = SplitAtCommas(WithoutCutMarker(colourMap));
    if (colourMap.empty() || values.size() != 6)
        return -1;
    auto grey = [&](std::size_t index) {
        return 0.2989 * TextToLong(values[index]) + 0.5866 * TextToLong(values[2 + index]) +
               0.1145 * TextToLong(values[4 + index]);
    };
    return grey(0) < grey(1) ? 0 : 1;
}

} // namespace

void GetPageInfo(const std::string& path, int64_t ifdOffset, TiffPage& page) {
    page.width = TagNumber(path, ifdOffset, tag::kImageWidth);
    page.height = TagNumber(path, ifdOffset, tag::kImageLength);
    if (page.width == 0 || page.height == 0) {
        page.width = page.height = page.xResolution = page.yResolution = 0;
        return;
    }
    page.xResolution = TagNumber(path, ifdOffset, tag::kXResolution);
    page.yResolution = TagNumber(path, ifdOffset, tag::kYResolution);
    page.compressionName = CompressionText(path, ifdOffset);
}

void GetStrips(const std::string& path, int64_t ifdOffset, TiffPage& page) {
    page.rowsPerStrip = TagNumber(path, ifdOffset, tag::kRowsPerStrip);
    const std::string offsetsText = GetTagText(path, ifdOffset, tag::kStripOffsets);
    const std::string countsText = GetTagText(path, ifdOffset, tag::kStripByteCounts);
    // Without byte counts the strips are still there; each gets a count of 0, which the
    // decoder reads as "up to the next strip".
    if (offsetsText.empty())
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
    c.compression = TagNumberOr(path, ifdOffset, tag::kCompression, compression::kNone);
    c.t4Options = TagNumberOr(path, ifdOffset, tag::kT4Options, 0);
    c.fillOrder = TagNumberOr(path, ifdOffset, tag::kFillOrder, kFillOrderHighBitFirst);
    c.photometric = TagNumberOr(path, ifdOffset, tag::kPhotometric, photometric::kWhiteIsZero);
    c.bitsPerSample = TagNumberOr(path, ifdOffset, tag::kBitsPerSample, 1);
    c.samplesPerPixel = TagNumberOr(path, ifdOffset, tag::kSamplesPerPixel, 1);
    c.predictor = TagNumberOr(path, ifdOffset, tag::kPredictor, 1);
    c.resolutionUnit = TagNumberOr(path, ifdOffset, tag::kResolutionUnit, kResolutionInInches);
    c.tiled = !GetTagText(path, ifdOffset, tag::kTileOffsets).empty();
    if (c.photometric == photometric::kPalette)
        c.paletteDarkIndex = DarkerPaletteIndex(GetTagText(path, ifdOffset, tag::kColorMap));
}

} // namespace faxlens
