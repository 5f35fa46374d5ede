#pragma once

// Decoding primitives of the CCITT codec in text form, as first written: the rules the decoding
// engine is held to. Each looks at a BitString from a 1-based position,
// reports what it recognised there and how many characters that used, and keeps no state.
// Characters other than '0' and '1' (such as the placeholders after the valid part of a decoding
// window) never match anything.

#include "codec/codec_types.h"
#include "codec/reference_line.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

namespace faxlens::reference {

using codec::FindB1B2;
using codec::ReferenceWalk;

// The bits of a byte, most significant first: 0 gives "00000000", 128 gives "10000000". A value
// outside 0..255 gives the 16 characters of its 16-bit pattern.
codec::BitString NumberToBits(int16_t value);
// The same 8 characters of a byte, written over out[0..7] without allocating.
void WriteByteBits(uint8_t byte, char* out);

// One-dimensional decoding of one run of the given colour, make-up words and terminating word.
//  - true: a run of runLength >= 0 pixels; bitsUsed covers all its code words.
//  - false, runLength -1: an EOL starts at position; bitsUsed reaches through its final '1',
//    fill zeros in front of it included.
//  - false, runLength >= 0: no code word matched at some point; runLength and bitsUsed cover the
//    make-up words matched before it (both 0 when none).
bool DecodeRun(std::string_view bits, int32_t position, codec::Colour colour, int32_t& runLength,
               int32_t& bitsUsed);

// One two-dimensional mode code: exactly one of pass, horizontal, vertical is set on success;
// delta is a1 - b1 in vertical mode (-3..3). EOL and extension codes are not recognised.
bool ReadModeCode(std::string_view bits, int32_t position, bool& pass, bool& horizontal,
                  bool& vertical, int32_t& delta, int32_t& codeLength);

// The same from the start of a walk: a change at column 0 can serve as b1 only while a0 is 0.
void FindB1B2(int32_t a0, std::span<const int32_t> reference, int32_t count, int32_t& b1,
              int32_t& b2, codec::Colour colour);

// One two-dimensional coding step: the run of the colour of a0 (pass modes before it folded in),
// or with horizontalPending set on entry the second run of a horizontal mode. Sets
// horizontalPending after either horizontal run and never clears it. The walk moves on past
// the elements that the step used. A pass that takes a0 to rowEnd (the row's width) or beyond
// completes the row: the step ends there with the run of a0's colour up to it. On failure
// runLength and bitsUsed are 0.
bool DecodeStep2D(std::string_view bits, int32_t position, codec::Colour colour, int32_t a0,
                  std::span<const int32_t> reference, int32_t count, int32_t& runLength,
                  int32_t& bitsUsed, bool& horizontalPending, ReferenceWalk& walk, int32_t rowEnd);
// The same as the first step of a walk, with a change at column 0 serving while a0 is 0, and a
// pass always followed by another mode code.
bool DecodeStep2D(std::string_view bits, int32_t position, codec::Colour colour, int32_t a0,
                  std::span<const int32_t> reference, int32_t count, int32_t& runLength,
                  int32_t& bitsUsed, bool& horizontalPending);

} // namespace faxlens::reference
