#include "tiff/page_info.h"

#include "base/numbers.h"
#include "tiff/tag_report.h"
#include "tiff/tag_values.h"
#include "tiff/tiff_facts.h"

#include <optional>

namespace faxlens::tiff {

namespace {

// Reads the tags of one directory.
class PageTags {
public:
    PageTags(const TiffFile& file, const Directory& directory)
        : file_(file), directory_(directory) {}

    // The tag's first number; none when it is missing or has no value.
    std::optional<int64_t> Value(uint16_t tag) const {
        return TagNumber(file_, directory_.Find(tag));
    }
    // The tag's first number as a 32-bit number; 0 when it is missing or has no value.
    int32_t Number(uint16_t tag) const { return NumberOr(tag, 0); }
    // The same, or the default when the tag is missing or has no value.
    int32_t NumberOr(uint16_t tag, int32_t byDefault) const {
        return SaturateToInt32(Value(tag).value_or(byDefault));
    }
    std::vector<int64_t> Numbers(uint16_t tag) const {
        const TagEntry* entry = directory_.Find(tag);
        return entry ? TagNumbers(file_, *entry) : std::vector<int64_t>{};
    }
    // Whether the tag is there with a value that has a text.
    bool HasValue(uint16_t tag) const { return Value(tag).has_value(); }

    const TiffFile& File() const { return file_; }
    const Directory& Entries() const { return directory_; }

private:
    const TiffFile& file_;
    const Directory& directory_;
};

// The darker of the two colours of a one-bit palette, by the grey level of each (0.2989 red +
// 0.5866 green + 0.1145 blue); -1 when the colour map does not hold two colours. The map holds
// the reds, then the greens, then the blues.
int32_t DarkerPaletteIndex(const std::vector<int64_t>& map) {
    if (map.size() != 6)
        return -1;
    auto grey = [&](std::size_t index) {
        return 0.2989 * SaturateToInt32(map[index]) + 0.5866 * SaturateToInt32(map[2 + index]) +
               0.1145 * SaturateToInt32(map[4 + index]);
    };
    return grey(0) < grey(1) ? 0 : 1;
}

void ReadSizeAndResolution(const PageTags& tags, TiffPage& page) {
    page.width = tags.Value(tag::kImageWidth).value_or(0);
    page.height = tags.Value(tag::kImageLength).value_or(0);
    if (page.width == 0 || page.height == 0) {
        page.width = page.height = page.xResolution = page.yResolution = 0;
        return;
    }
    page.xResolution = tags.Number(tag::kXResolution);
    page.yResolution = tags.Number(tag::kYResolution);
    page.compressionName = CompressionText(tags.File(), tags.Entries());
}

// Without byte counts the strips are still there; each gets a count of 0, which the decoder
// reads as "up to the next strip".
void ReadStrips(const PageTags& tags, TiffPage& page) {
    page.rowsPerStrip = tags.Value(tag::kRowsPerStrip).value_or(0);
    const std::vector<int64_t> offsets = tags.Numbers(tag::kStripOffsets);
    const std::vector<int64_t> counts = tags.Numbers(tag::kStripByteCounts);
    page.strips.resize(offsets.size());
    for (std::size_t i = 0; i < offsets.size(); ++i)
        page.strips[i] = {offsets[i], i < counts.size() ? counts[i] : 0};
}

void ReadCoding(const PageTags& tags, PageCoding& c) {
    c.compression = tags.NumberOr(tag::kCompression, compression::kNone);
    c.t4Options = tags.NumberOr(tag::kT4Options, 0);
    c.fillOrder = tags.NumberOr(tag::kFillOrder, kFillOrderHighBitFirst);
    c.photometric = tags.NumberOr(tag::kPhotometric, photometric::kWhiteIsZero);
    c.bitsPerSample = tags.NumberOr(tag::kBitsPerSample, 1);
    c.samplesPerPixel = tags.NumberOr(tag::kSamplesPerPixel, 1);
    c.predictor = tags.NumberOr(tag::kPredictor, 1);
    c.resolutionUnit = tags.NumberOr(tag::kResolutionUnit, kResolutionInInches);
    c.tiled = tags.HasValue(tag::kTileOffsets);
    if (c.photometric == photometric::kPalette)
        c.paletteDarkIndex = DarkerPaletteIndex(tags.Numbers(tag::kColorMap));
}

} // namespace

Result<TiffPage> ReadPageParameters(const TiffFile& file, int64_t ifdOffset) {
    TiffPage page;
    const Directory directory = file.ReadDirectory(ifdOffset);
    const PageTags tags(file, directory);
    ReadSizeAndResolution(tags, page);
    ReadStrips(tags, page);
    ReadCoding(tags, page.coding);
    return file.Checked(std::move(page));
}

} // namespace faxlens::tiff
