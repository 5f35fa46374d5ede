#include "codec/page_decode.h"

#include "tiff/binary_file.h"
#include "tiff/tag_dictionary.h"

#include <algorithm>
#include <array>
#include <vector>

namespace faxlens::modConvert_TIF2DC {

namespace {

constexpr int32_t kNone = 1;
constexpr int32_t kHuffmanRle = 2;
constexpr int32_t kGroup3 = 3;
constexpr int32_t kGroup4 = 4;
constexpr int32_t kPackBits = 32773;
constexpr int32_t kTwoDimensionalLines = 1; // T4Options bit 0

// The bytes of one strip that exist in the file: a byte count beyond the end of the file
// reads what is there and no more.
std::vector<uint8_t> ReadStrip(const BinaryFile& file, const StripSlot& slot) {
    const int64_t available = std::max<int64_t>(file.Length() - slot.offset, 0);
    const int64_t count = std::clamp<int64_t>(slot.byteCount, 0, available);
    return file.Read(slot.offset, static_cast<std::size_t>(count));
}

PageDecoder DecoderForCompression(const PageCoding& coding) {
    switch (coding.compression) {
    case kNone:
        return PageDecoder::Uncompressed;
    case kHuffmanRle:
        return PageDecoder::HuffmanRle;
    case kGroup3:
        return coding.t4Options & kTwoDimensionalLines ? PageDecoder::Group3TwoD
                                                       : PageDecoder::Group3;
    case kGroup4:
        return PageDecoder::Group4;
    case kPackBits:
        return PageDecoder::PackBits;
    default:
        return PageDecoder::None;
    }
}

std::string CompressionWords(int32_t code) {
    const std::string name = CompressionName(code);
    return name == "Unknown" ? "unknown (" + std::to_string(code) + ")" : name;
}

std::string Counted(int32_t count, const std::string& thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

// Rows that strip `index` holds: RowsPerStrip, or the rest of the page when it is missing.
int32_t RowsOfStrip(const TiffPage& page, int64_t firstRow) {
    const int64_t left = std::max<int64_t>(page.height - firstRow, 0);
    return static_cast<int32_t>(page.rowsPerStrip > 0 ? std::min<int64_t>(page.rowsPerStrip, left)
                                                      : left);
}

void DecodeStrip(PageDecoder decoder, PageSurface& surface, std::span<uint8_t> data,
                 const TiffPage& page, int64_t firstRow, ColourValue ink, const EventPump& pump) {
    const int32_t width = page.width;
    switch (decoder) {
    case PageDecoder::Group3:
        return DecodeStrip1D(surface, data, width, page.height, 0, firstRow, ink, pump);
    case PageDecoder::Group3TwoD:
        return DecodeStripGroup3TwoD(surface, data, width, page.height, 0, firstRow, ink, pump);
    case PageDecoder::Group4:
        return DecodeStrip2D(surface, data, width, page.height, 0, firstRow, ink, pump);
    case PageDecoder::HuffmanRle:
        return DecodeStripHuffmanRle(surface, data, width, page.height, 0, firstRow, ink, pump);
    case PageDecoder::Uncompressed:
        return DecodeStripBitmap(surface, data, width, RowsOfStrip(page, firstRow), 0, firstRow,
                                 ink);
    case PageDecoder::PackBits: {
        const int32_t rows = RowsOfStrip(page, firstRow);
        const auto bytes = UnpackBits(data, BitmapRowBytes(width) * static_cast<std::size_t>(rows));
        return DecodeStripBitmap(surface, bytes, width, rows, 0, firstRow, ink);
    }
    case PageDecoder::None:
        return;
    }
}

} // namespace

PageDecoder DecoderFor(const TiffPage& page) {
    return UnsupportedReason(page).empty() ? DecoderForCompression(page.coding) : PageDecoder::None;
}

std::string UnsupportedReason(const TiffPage& page) {
    const PageCoding& c = page.coding;
    if (DecoderForCompression(c) == PageDecoder::None)
        return "its compression is " + CompressionWords(c.compression);
    if (c.bitsPerSample != 1 || c.samplesPerPixel != 1)
        return "it has " + Counted(c.bitsPerSample, "bit") + " per sample and " +
               Counted(c.samplesPerPixel, "sample") +
               " per pixel; only black and white pages of 1 bit per pixel are shown";
    if (c.photometric != 0 && c.photometric != 1)
        return "its photometric interpretation is " + std::to_string(c.photometric) +
               "; only black and white pages are shown";
    if (c.tiled && page.strips.empty())
        return "it is stored in tiles";
    return {};
}

void ReverseBitOrder(std::span<uint8_t> bytes) {
    static const std::array<uint8_t, 256> reversed = [] {
        std::array<uint8_t, 256> table{};
        for (int b = 0; b < 256; ++b)
            for (int bit = 0; bit < 8; ++bit)
                if (b & (1 << bit))
                    table[static_cast<std::size_t>(b)] |= static_cast<uint8_t>(0x80 >> bit);
        return table;
    }();
    for (uint8_t& byte : bytes)
        byte = reversed[byte];
}

bool DecodePageIntoSurface(PageSurface& surface, const std::string& path, const TiffPage& page,
                           const EventPump& pump) {
    const PageDecoder decoder = DecoderFor(page);
    const BinaryFile file(path);
    if (decoder == PageDecoder::None || !file.IsOpen())
        return false;
    // What the codes call black is white on a black-is-zero page.
    const bool blackIsZero = page.coding.photometric == 1;
    if (blackIsZero)
        surface.Fill(kColourBlack);
    const ColourValue ink = blackIsZero ? kColourWhite : kColourBlack;
    for (std::size_t i = 0; i < page.strips.size(); ++i) {
        const StripSlot& slot = page.strips[i];
        if (!slot.HoldsStrip())
            continue;
        std::vector<uint8_t> data = ReadStrip(file, slot);
        if (page.coding.fillOrder == 2)
            ReverseBitOrder(data);
        const int64_t firstRow = static_cast<int64_t>(i) * page.rowsPerStrip;
        DecodeStrip(decoder, surface, data, page, firstRow, ink, pump);
    }
    return true;
}

DecodedPage DecodePage(const std::string& path, int64_t ifdOffset, const EventPump& pump) {
    DecodedPage decoded;
    TiffPage& page = decoded.page;
    GetPageInfo(path, ifdOffset, page);
    GetStrips(path, ifdOffset, page);
    GetPageCoding(path, ifdOffset, page);
    if (page.width <= 0 || page.height <= 0) {
        decoded.status = PageStatus::NoSize;
        return decoded;
    }
    if (DecoderFor(page) == PageDecoder::None) {
        decoded.status = PageStatus::Unsupported;
        return decoded;
    }
    decoded.surface = CreatePageSurface(page.width, page.height, kColourWhite);
    if (!decoded.surface) {
        decoded.status = PageStatus::TooLarge;
        return decoded;
    }
    DecodePageIntoSurface(*decoded.surface, path, page, pump);
    decoded.status = PageStatus::Decoded;
    return decoded;
}

std::string PageProblem(const DecodedPage& decoded) {
    const TiffPage& page = decoded.page;
    switch (decoded.status) {
    case PageStatus::Unsupported:
        return "This page cannot be shown: " + UnsupportedReason(page) + ".";
    case PageStatus::TooLarge:
        return "This page is too large to show: " + std::to_string(page.width) + " x " +
               std::to_string(page.height) + " pixels.";
    case PageStatus::NoSize:
        return "This page has no usable width and height.";
    case PageStatus::Decoded:
        break;
    }
    return {};
}

} // namespace faxlens::modConvert_TIF2DC
