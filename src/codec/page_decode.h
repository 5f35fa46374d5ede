#pragma once

// modConvert_TIF2DC: decoding a page's strips into its page surface. Group 3 strips go to the
// one-dimensional decoder, Group 4 strips to the two-dimensional one; black runs are painted,
// white runs are not (the surface starts white).

#include "base/event_pump.h"
#include "base/result.h"
#include "codec/page_damage.h"
#include "tiff/page_info.h"
#include "tiff/tiff_file.h"
#include "viewer/page_surface.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace faxlens::modConvert_TIF2DC {

enum class PageDecoder {
    None,       // the page cannot be shown: see UnsupportedReason
    Group3,     // one-dimensional Group 3
    Group3TwoD, // Group 3 with two-dimensional lines (T4Options bit 0)
    Group4,
    HuffmanRle,   // Compression 2: modified Huffman lines without EOLs, byte-aligned
    Uncompressed, // one bit a pixel
    PackBits,     // one bit a pixel, packed
    Lzw,          // one bit a pixel, LZW
    Deflate,      // one bit a pixel, Deflate (zlib)
};

// The decoder for the page's compression and sample layout.
PageDecoder DecoderFor(const TiffPage& page);

// Why a page has no decoder, in words for the user ("its compression is LZW"); empty when it
// has one.
std::string UnsupportedReason(const TiffPage& page);

// Decodes every strip of the page into the surface, or without a surface only to learn what the
// strips hold; gives what was met besides sound data. A page without a decoder is left as it is.
// Fails only when the file cannot be read.
Result<PageDamage> DecodePageIntoSurface(PageSurface* surface, const TiffFile& file,
                                         const TiffPage& page, const EventPump& pump = {});

enum class PageStatus {
    Decoded,     // decoded by one of the decoders
    Unsupported, // no surface: the compression or sample layout cannot be shown
    NoSize,      // no surface: the width or height is missing or negative
    TooLarge,    // no surface: the page is beyond what a surface may take
};

struct DecodedPage {
    TiffPage page;
    std::unique_ptr<PageSurface> surface; // null unless the page has a usable size and is painted
    PageStatus status = PageStatus::NoSize;
    PageDamage damage; // what decoding met besides sound data
};

// Whether a decoded page is painted into a surface, or only its strips decoded to learn what
// they hold, as a check of the file needs.
enum class Painting { Painted, NotPainted };

// Opens image ifdOffset of the file as the viewer does: page parameters, strip table, a white
// surface of the page's size, and the page decoded into it. Fails only when the file cannot be
// read.
Result<DecodedPage> DecodePage(const TiffFile& file, int64_t ifdOffset, const EventPump& pump = {},
                               Painting painting = Painting::Painted);

// What the viewer shows, and faxlens-cli says, instead of a page that was not decoded; empty
// for a decoded page.
std::string PageProblem(const DecodedPage& decoded);

// The fax codings that the decoding engine reads.
enum class FaxCoding { Group3, Group3TwoD, Group4, HuffmanRle };

// Where the engine left a strip: the bit it stopped at, and the first 1 bit after that which
// belongs to no EOL (-1 when the rest is clean). Data that could not be decoded starts there.
struct FaxStripEnd {
    int64_t stopBit = 0;
    int64_t firstUnexplainedBit = -1;
};

// Decodes one fax strip into the surface (or, without one, only reads it): rows from yOffset on,
// at most rowLimit of them, each width pixels from column xOffset, black runs painted in the ink.
// With lowBitFirst the bits of every byte are taken least significant first (FillOrder 2). Returns
// the rows reached, a row begun included for Group 3 and Group 4. The pump runs at the start and
// now and then after.
int64_t DecodeFaxStrip(FaxCoding coding, PageSurface* surface, std::span<const uint8_t> data,
                       bool lowBitFirst, int32_t width, int32_t rowLimit, int64_t xOffset,
                       int64_t yOffset, ColourValue ink, const EventPump& pump = {},
                       FaxStripEnd* end = nullptr);

// The same for strips whose bits are taken most significant first.
int64_t DecodeStrip1D(PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                      int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
                      const EventPump& pump = {});

int64_t DecodeStrip2D(PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                      int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
                      const EventPump& pump = {});

int64_t DecodeStripGroup3TwoD(PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                              int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
                              const EventPump& pump = {});

int64_t DecodeStripHuffmanRle(PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                              int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
                              const EventPump& pump = {});

// The strip decoders return the rows they reached, a row begun included.

// Rows of one bit a pixel, each beginning on a byte boundary; set bits are painted in the ink
// (without a surface, nothing is).
int64_t DecodeStripBitmap(PageSurface* surface, std::span<const uint8_t> data, int32_t width,
                          int32_t rows, int64_t xOffset, int64_t yOffset, ColourValue ink);
std::size_t BitmapRowBytes(int32_t width);

// PackBits unpacked, at most limit bytes.
std::vector<uint8_t> UnpackBits(std::span<const uint8_t> packed, std::size_t limit);

// Turns the bits of every byte round (FillOrder 2 to FillOrder 1).
void ReverseBitOrder(std::span<uint8_t> bytes);

} // namespace faxlens::modConvert_TIF2DC
