#include "codec/page_decode.h"

#include "base/bit_words.h"
#include "base/numbers.h"
#include "codec/fax_trace.h"
#include "codec/jbig_strip.h"
#include "codec/strip_unpacking.h"
#include "tiff/tag_dictionary.h"
#include "tiff/tiff_facts.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace faxlens::codec {

namespace {

// Where a strip without a usable byte count ends: at the next strip of the page, or at the end
// of the file when no strip follows it.
int64_t UnknownStripEnd(const tiff::TiffPage& page, const tiff::StripSlot& slot,
                        int64_t fileLength) {
    int64_t end = fileLength;
    for (const tiff::StripSlot& other : page.strips)
        if (other.offset > slot.offset)
            end = std::min<int64_t>(end, other.offset);
    return end;
}

// The bytes of one strip that exist in the file: a byte count beyond the end of the file reads
// what is there and no more, a count of 0 (or none) reads up to the next strip, and never more
// than the budget leaves.
std::vector<uint8_t> ReadStrip(const tiff::TiffFile& file, const tiff::TiffPage& page,
                               const tiff::StripSlot& slot, int64_t budget) {
    const int64_t available = std::max<int64_t>(file.Length() - slot.offset, 0);
    const int64_t wanted = slot.byteCount > 0
                               ? slot.byteCount
                               : UnknownStripEnd(page, slot, file.Length()) - slot.offset;
    const int64_t count = std::clamp<int64_t>(wanted, 0, std::min(available, budget));
    return file.Read(slot.offset, static_cast<std::size_t>(count));
}

PageDecoder DecoderForCompression(const tiff::PageCoding& coding) {
    switch (coding.compression) {
    case tiff::compression::kNone:
        return PageDecoder::Uncompressed;
    case tiff::compression::kHuffmanRle:
        return PageDecoder::HuffmanRle;
    case tiff::compression::kGroup3:
        return coding.t4Options & tiff::kT4TwoDimensional ? PageDecoder::Group3TwoD
                                                          : PageDecoder::Group3;
    case tiff::compression::kGroup4:
        return PageDecoder::Group4;
    case tiff::compression::kPackBits:
        return PageDecoder::PackBits;
    case tiff::compression::kLzw:
        return PageDecoder::Lzw;
    case tiff::compression::kDeflate:
    case tiff::compression::kOldDeflate:
        return PageDecoder::Deflate;
    case tiff::compression::kJbigT85:
    case tiff::compression::kJbig:
        return PageDecoder::Jbig;
    default:
        return PageDecoder::None;
    }
}

// Compressions that the tag dictionary does not name but a user may meet.
struct NamedCompression {
    int32_t code;
    const char* name;
};
constexpr NamedCompression kMoreCompressionNames[] = {
    {tiff::compression::kDeflate, "Deflate"},     {tiff::compression::kJbigT85, "JBIG"},
    {tiff::compression::kJbigT43, "JBIG"},        {tiff::compression::kJbig, "JBIG"},
    {tiff::compression::kJpeg2000, "JPEG 2000"},  {tiff::compression::kLzma, "LZMA"},
    {tiff::compression::kZstandard, "Zstandard"}, {tiff::compression::kWebP, "WebP"},
};

std::string CompressionWords(int32_t code) {
    for (const NamedCompression& named : kMoreCompressionNames)
        if (named.code == code)
            return named.name;
    const std::string name = tiff::CompressionName(code);
    return name == "Unknown" ? "unknown (" + std::to_string(code) + ")" : name;
}

bool HoldsAnyStrip(const tiff::TiffPage& page) {
    return std::any_of(page.strips.begin(), page.strips.end(),
                       [](const tiff::StripSlot& slot) { return slot.HoldsStrip(); });
}

std::string Counted(int32_t count, const std::string& thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

// The rows a strip from firstRow holds: RowsPerStrip, or the rest of the page when it is
// missing or the strip is the last (a lone strip under a RowsPerStrip that is too small holds
// the whole page). Rows a strip codes beyond them belong to no row of the page.
int32_t RowsOfStrip(const tiff::TiffPage& page, int64_t firstRow, bool last) {
    // DecodePageRows decodes only pages whose sides fit 32 bits.
    const int64_t left = std::clamp<int64_t>(page.height - firstRow, 0, page.height);
    return static_cast<int32_t>(
        page.rowsPerStrip > 0 && !last ? std::min<int64_t>(page.rowsPerStrip, left) : left);
}

// The rows of a strip packed with a general-purpose compression, at most rowLimit of them.
std::vector<uint8_t> UnpackStrip(PageDecoder decoder, std::span<const uint8_t> data, int32_t width,
                                 int32_t rowLimit) {
    const std::size_t limit = BitmapRowBytes(width) * static_cast<std::size_t>(rowLimit);
    switch (decoder) {
    case PageDecoder::Lzw:
        return UnpackLzw(data, limit);
    case PageDecoder::Deflate:
        return Inflate(data, limit);
    default:
        return UnpackBits(data, limit);
    }
}

bool TakesPredictor(PageDecoder decoder) {
    return decoder == PageDecoder::Lzw || decoder == PageDecoder::Deflate;
}

// The coding of a page that the fax engine decodes.
std::optional<FaxCoding> FaxCodingOf(PageDecoder decoder) {
    switch (decoder) {
    case PageDecoder::Group3:
        return FaxCoding::Group3;
    case PageDecoder::Group3TwoD:
        return FaxCoding::Group3TwoD;
    case PageDecoder::Group4:
        return FaxCoding::Group4;
    case PageDecoder::HuffmanRle:
        return FaxCoding::HuffmanRle;
    default:
        return std::nullopt;
    }
}

// The decoders that say where in a strip they stopped and what was left there.
bool KnowsWhereItStopped(PageDecoder decoder) {
    return FaxCodingOf(decoder).has_value() || decoder == PageDecoder::Jbig;
}

// Decodes one strip of at most rowLimit rows; returns the rows it reached. A fax strip also
// tells where the engine left it.
int64_t DecodeStrip(PageDecoder decoder, RowSink* sink, std::span<uint8_t> data,
                    const tiff::TiffPage& page, int64_t firstRow, int32_t rowLimit,
                    const WorkCheck& check, FaxStripEnd& end) {
    const auto width = static_cast<int32_t>(page.width);
    const bool lowBitFirst = page.coding.fillOrder == tiff::kFillOrderLowBitFirst;
    if (const std::optional<FaxCoding> coding = FaxCodingOf(decoder))
        return DecodeFaxStrip(*coding, sink, data, lowBitFirst, width, rowLimit, firstRow, check,
                              &end);
    if (lowBitFirst)
        ReverseBitOrder(data);
    switch (decoder) {
    case PageDecoder::Uncompressed:
        return DecodeStripBitmap(sink, data, width, rowLimit, firstRow);
    case PageDecoder::PackBits:
    case PageDecoder::Lzw:
    case PageDecoder::Deflate:
        return DecodeStripBitmap(sink, UnpackStrip(decoder, data, width, rowLimit), width, rowLimit,
                                 firstRow);
    case PageDecoder::Jbig:
        return DecodeJbigStrip(sink, data, width, rowLimit, firstRow, check, end);
    default:
        return 0;
    }
}

// What the strips of one page may cost in all. In a sound file the strips lie side by side and
// cover the page's rows once, so they never reach these bounds; strips that all point at the
// same data, or all start at row 0, must not make a page cost the square of its file.
struct PageBudget {
    int64_t bytes;
    int64_t rows;

    PageBudget(const tiff::TiffFile& file, const tiff::TiffPage& page)
        : bytes(file.Length() + kSlackBytes), rows(4 * int64_t{page.height} + kSlackRows) {}

    bool Spent() const { return bytes <= 0 || rows <= 0; }

    static constexpr int64_t kSlackBytes = 64 * 1024;
    static constexpr int64_t kSlackRows = 64;
};

} // namespace

PageDecoder DecoderFor(const tiff::TiffPage& page) {
    return UnsupportedReason(page).empty() ? DecoderForCompression(page.coding) : PageDecoder::None;
}

bool IsFaxDecoder(PageDecoder decoder) {
    return FaxCodingOf(decoder).has_value();
}

std::string UnsupportedReason(const tiff::TiffPage& page) {
    const tiff::PageCoding& c = page.coding;
    if (DecoderForCompression(c) == PageDecoder::None)
        return "its compression is " + CompressionWords(c.compression);
    if (c.bitsPerSample != 1 || c.samplesPerPixel != 1)
        return "it has " + Counted(c.bitsPerSample, "bit") + " per sample and " +
               Counted(c.samplesPerPixel, "sample") +
               " per pixel; only black and white pages of 1 bit per pixel are shown";
    if (TakesPredictor(DecoderForCompression(c)) && c.predictor != 1)
        return "its predictor is " + std::to_string(c.predictor) +
               "; only pages without a predictor are shown";
    if (c.photometric == tiff::photometric::kPalette && c.paletteDarkIndex < 0)
        return "its colour map does not hold two colours";
    if (c.photometric != tiff::photometric::kWhiteIsZero &&
        c.photometric != tiff::photometric::kBlackIsZero &&
        c.photometric != tiff::photometric::kPalette)
        return "its photometric interpretation is " + std::to_string(c.photometric) +
               "; only black and white pages are shown";
    if (c.tiled && page.strips.empty())
        return "it is stored in tiles";
    if (!HoldsAnyStrip(page))
        return "it has no strips";
    return {};
}

void ReverseBitOrder(std::span<uint8_t> bytes) {
    for (uint8_t& byte : bytes)
        byte = ReversedByte(byte);
}

namespace {

// What a decoded strip says about the page: the rows it did not reach, the code it could not
// decode, and data after its rows.
void NoteStripEnd(PageDamage& damage, int32_t strip, bool fax, const FaxStripEnd& end,
                  std::size_t dataBytes, int64_t firstRow, int64_t rowsReached, int32_t rows) {
    const int64_t reached = std::min<int64_t>(rowsReached, rows);
    const bool unexplained = fax && end.firstUnexplainedBit >= 0;
    if (reached < rows) {
        damage.AddUndecodedRows(firstRow + reached, firstRow + rows);
        if (unexplained && !damage.firstBadCode)
            damage.firstBadCode = {strip, end.firstUnexplainedBit / 8,
                                   static_cast<int32_t>(firstRow + reached + 1)};
    } else if (unexplained) {
        damage.stripsWithExtra.push_back(strip);
        damage.extraBytes += static_cast<int64_t>(dataBytes) - end.firstUnexplainedBit / 8;
    }
}

} // namespace

bool InkIsWhite(const tiff::TiffPage& page) {
    const tiff::PageCoding& coding = page.coding;
    return coding.photometric == tiff::photometric::kBlackIsZero ||
           (coding.photometric == tiff::photometric::kPalette && coding.paletteDarkIndex == 0);
}

namespace {

// Walks the strips of a page whose sides fit 32 bits, reading each that holds data and handing it
// to decodeStrip(strip, data, firstRow, rowLimit, end), which gives the rows it reached; says
// what the walk and the strips met besides sound data.
template <typename DecodeOneStrip>
Result<PageDamage> WalkStrips(const tiff::TiffFile& file, const tiff::TiffPage& page,
                              PageDecoder decoder, DecodeOneStrip decodeStrip) {
    PageDamage damage;
    damage.rowsExpected = static_cast<int32_t>(page.height);
    PageBudget budget(file, page);
    // Strips from firstRow on; past the page's last row nothing of a strip could be shown.
    int64_t firstRow = 0;
    for (std::size_t i = 0; i < page.strips.size() && firstRow < page.height;
         ++i, firstRow += std::max<int64_t>(page.rowsPerStrip, 0)) {
        const tiff::StripSlot& slot = page.strips[i];
        const auto strip = static_cast<int32_t>(i);
        const int32_t rows = RowsOfStrip(page, firstRow, i + 1 == page.strips.size());
        if (!slot.HoldsStrip() || slot.offset >= file.Length() || budget.Spent()) {
            if (!slot.HoldsStrip())
                damage.missingStrips.push_back(strip);
            else if (slot.offset >= file.Length())
                damage.outsideStrips.push_back(strip);
            damage.AddUndecodedRows(firstRow, firstRow + rows);
            continue;
        }
        std::vector<uint8_t> data = ReadStrip(file, page, slot, budget.bytes);
        if (Status read = file.ReadStatus(); !read)
            return std::move(read).TakeFailure();
        budget.bytes -= static_cast<int64_t>(data.size());
        if (slot.byteCount > 0 && slot.offset + slot.byteCount > file.Length())
            damage.shortStrips.push_back(
                {strip, static_cast<int64_t>(data.size()), slot.byteCount});
        const auto rowLimit = static_cast<int32_t>(std::min<int64_t>(rows, budget.rows));
        FaxStripEnd end;
        const int64_t reached = decodeStrip(strip, data, firstRow, rowLimit, end);
        budget.rows -= reached;
        // A strip without a byte count is read up to whatever follows it (the next strip, a
        // directory, the end of the file): what lies after its rows is no sign of damage.
        const bool endKnown = slot.byteCount > 0;
        NoteStripEnd(damage, strip, KnowsWhereItStopped(decoder) && (endKnown || reached < rows),
                     end, data.size(), firstRow, reached, rows);
    }
    return damage;
}

bool SidesFit(const tiff::TiffPage& page) {
    return page.width <= kInt32Max && page.height <= kInt32Max;
}

} // namespace

Result<PageDamage> DecodePageRows(RowSink* sink, const tiff::TiffFile& file,
                                  const tiff::TiffPage& page, const WorkCheck& check) {
    const PageDecoder decoder = DecoderFor(page);
    if (decoder == PageDecoder::None || !SidesFit(page))
        return PageDamage{};
    return WalkStrips(file, page, decoder,
                      [&](int32_t, std::span<uint8_t> data, int64_t firstRow, int32_t rowLimit,
                          FaxStripEnd& end) {
                          return DecodeStrip(decoder, sink, data, page, firstRow, rowLimit, check,
                                             end);
                      });
}

Result<PageDamage> TracePageRows(const tiff::TiffFile& file, const tiff::TiffPage& page,
                                 PageTraceListener& listener, const WorkCheck& check) {
    const PageDecoder decoder = DecoderFor(page);
    const std::optional<FaxCoding> coding = FaxCodingOf(decoder);
    if (!coding || !SidesFit(page))
        return PageDamage{};
    const bool lowBitFirst = page.coding.fillOrder == tiff::kFillOrderLowBitFirst;
    return WalkStrips(file, page, decoder,
                      [&](int32_t strip, std::span<uint8_t> data, int64_t firstRow,
                          int32_t rowLimit, FaxStripEnd& end) {
                          listener.StripBegins(strip, data, firstRow);
                          return TraceFaxStrip(*coding, data, lowBitFirst,
                                               static_cast<int32_t>(page.width), rowLimit, firstRow,
                                               listener, check, &end);
                      });
}

} // namespace faxlens::codec
