#pragma once

// The encoder in text form, as first written: one run of one colour as its modified Huffman code
// words (ITU-T T.4), or the end-of-line code with the fill zeros that make it end on a byte
// boundary.

#include "codec/codec_types.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace faxlens::reference {

// The codes of one run, for the caller to append to lineSoFar (which is read for its length
// only). A run of 64 or more gives make-up words of at most 2560 pixels each and always a
// terminating word; a negative run gives 0 to 7 fill zeros and the EOL, so that lineSoFar plus
// the result is a whole number of bytes. Colour 0 is white, any other value black; an EOL
// ignores it.
codec::BitString EncodeRun(int32_t run, codec::Colour colour, std::string_view lineSoFar);

// The same codes, appended to line in place; line is also the line so far.
void AppendRun(codec::BitString& line, int32_t run, codec::Colour colour);

// Ends a Group 4 strip: two EOLs.
inline constexpr std::string_view kEndOfFacsimileBlock = "000000000001000000000001";

// Appends the codes of the coding row to line. Both rows are ChangeLists (running sums of their
// runs, white first) that end at the row width.
void AppendRow2D(codec::BitString& line, std::span<const int32_t> reference,
                 std::span<const int32_t> coding, int32_t width);

// Packs the whole bytes of a BitString, most significant bit first: byte k holds characters
// 8k + 1 to 8k + 8; a '1' is a one bit, any other character a zero bit.
void BitsToBytes(std::string_view line, std::vector<uint8_t>& bytes);

} // namespace faxlens::reference
