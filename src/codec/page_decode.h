#pragma once

// Decoding a page's strips into rows: each strip goes to the decoder of the page's compression,
// and the rows it decodes go to a row sink as the spans of their ink.

#include "base/result.h"
#include "base/work_check.h"
#include "codec/page_damage.h"
#include "codec/row_sink.h"
#include "tiff/page_info.h"
#include "tiff/tiff_file.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace faxlens::codec {

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
    Jbig,         // JBIG (ITU-T T.82 or its fax profile T.85), a bi-level image entity a strip
};

// The decoder for the page's compression and sample layout.
PageDecoder DecoderFor(const tiff::TiffPage& page);
// Whether the decoder is the fax engine's (Group 3, Group 4, Huffman RLE): its pages can be
// traced code by code.
bool IsFaxDecoder(PageDecoder decoder);

// Why a page has no decoder, in words for the user ("its compression is LZW"); empty when it
// has one.
std::string UnsupportedReason(const tiff::TiffPage& page);

// Decodes every strip of the page, handing its rows to the sink; without a sink the strips are
// only read, to learn what they hold. Gives what was met besides sound data; a page without a
// decoder is left as it is. Fails only when the file cannot be read.
Result<PageDamage> DecodePageRows(RowSink* sink, const tiff::TiffFile& file,
                                  const tiff::TiffPage& page, const WorkCheck& check = {});

// Whether what the page's codes call black shows white: a black-is-zero page, or a palette page
// whose first colour is the darker. Such a page starts black and its ink is white.
bool InkIsWhite(const tiff::TiffPage& page);

// The fax codings that the decoding engine reads.
enum class FaxCoding { Group3, Group3TwoD, Group4, HuffmanRle };

// Where the engine left a strip: the bit it stopped at, and the first 1 bit after that which
// belongs to no EOL (-1 when the rest is clean). Data that could not be decoded starts there.
struct FaxStripEnd {
    int64_t stopBit = 0;
    int64_t firstUnexplainedBit = -1;
};

// Decodes one fax strip, handing its rows to the sink as rows firstRow on (without a sink it is
// only read): at most rowLimit rows, each width pixels. With lowBitFirst the bits of every byte
// are taken least significant first (FillOrder 2). Returns the rows reached, a row begun included
// for Group 3 and Group 4. The check runs at the start and now and then after.
int64_t DecodeFaxStrip(FaxCoding coding, RowSink* sink, std::span<const uint8_t> data,
                       bool lowBitFirst, int32_t width, int32_t rowLimit, int64_t firstRow,
                       const WorkCheck& check = {}, FaxStripEnd* end = nullptr);

// Rows of one bit a pixel, each beginning on a byte boundary, from firstRow on: the runs of set
// bits are the ink that goes to the sink (without a sink, nowhere). Returns the rows reached.
int64_t DecodeStripBitmap(RowSink* sink, std::span<const uint8_t> data, int32_t width, int32_t rows,
                          int64_t firstRow);
std::size_t BitmapRowBytes(int32_t width);
// Sets the ink of one row given as plain bits, 1 for ink, the first pixel in the most significant
// bit: its set bits among the first `width` pixels (and those the bits reach).
void SetRowInk(RowSink* sink, int64_t row, std::span<const uint8_t> bits, int32_t width);

// PackBits unpacked, at most limit bytes.
std::vector<uint8_t> UnpackBits(std::span<const uint8_t> packed, std::size_t limit);

// Turns the bits of every byte round (FillOrder 2 to FillOrder 1).
void ReverseBitOrder(std::span<uint8_t> bytes);

} // namespace faxlens::codec
