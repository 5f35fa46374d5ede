#pragma once

// Decoding primitives of the CCITT codec. Each looks at a BitString from a 1-based position,
// reports what it recognised there and how many characters that used, and keeps no state.
// Characters other than '0' and '1' (such as the placeholders after the valid part of a decoding
// window) never match anything.

#include "codec/codec_types.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace faxlens::modTIF {

// The bits of a byte, most significant first: 0 gives "00000000", 128 gives "10000000". A value
// outside 0..255 gives the 16 characters of its 16-bit pattern.
BitString NumberToBits(int16_t value);
// The same 8 characters of a byte, written over out[0..7] without allocating.
void WriteByteBits(uint8_t byte, char* out);

// One-dimensional decoding of one run of the given colour, make-up words and terminating word.
//  - true: a run of runLength >= 0 pixels; bitsUsed covers all its code words.
//  - false, runLength -1: an EOL starts at position; bitsUsed reaches through its final '1',
//    fill zeros in front of it included.
//  - false, runLength >= 0: no code word matched at some point; runLength and bitsUsed cover the
//    make-up words matched before it (both 0 when none).
bool DecodeRun(std::string_view bits, int32_t position, int16_t colour, int32_t& runLength,
               int32_t& bitsUsed);

// One two-dimensional mode code: exactly one of pass, horizontal, vertical is set on success;
// delta is a1 - b1 in vertical mode (-3..3). EOL and extension codes are not recognised.
bool ReadModeCode(std::string_view bits, int32_t position, bool& pass, bool& horizontal,
                  bool& vertical, int32_t& delta, int32_t& codeLength);

// How far a row has walked along its reference line. Every element before `next` has served as
// b1 or b2 of a coding step of the row, so a change is never taken twice, also where two
// changes stand at one column (a zero-length run). Each row starts a new walk.
struct ReferenceWalk {
    int32_t next = 0;        // the first element that may still serve as b1
    bool runDecoded = false; // whether a run of the row has been decoded yet
};

// The changing elements b1 and b2 of the reference line (its first count elements) for a0 of
// the given colour. b1 is the first element from walk.next on that changes to the colour
// opposite a0's and lies right of a0; before the row's first run, while a0 still stands at the
// start of the row or under a pass, it may also lie on a0. b2 is the element after b1, or the
// last element when that one lies left of b1. When no element qualifies, b1 is the last
// element and b2 one column further. walk.next is left at b1's index.
void FindB1B2(int32_t a0, std::span<const int32_t> reference, int32_t count, int32_t& b1,
              int32_t& b2, int16_t colour, ReferenceWalk& walk);
// The same from the start of a walk: a change at column 0 can serve as b1 only while a0 is 0.
void FindB1B2(int32_t a0, std::span<const int32_t> reference, int32_t count, int32_t& b1,
              int32_t& b2, int16_t colour);

// One two-dimensional coding step: the run of the colour of a0 (pass modes before it folded in),
// or with horizontalPending set on entry the second run of a horizontal mode. Sets
// horizontalPending after either horizontal run and never clears it. The walk moves on past
// the elements that the step used. On failure runLength and bitsUsed are 0.
bool DecodeStep2D(std::string_view bits, int32_t position, int16_t colour, int32_t a0,
                  std::span<const int32_t> reference, int32_t count, int32_t& runLength,
                  int32_t& bitsUsed, bool& horizontalPending, ReferenceWalk& walk);
// The same as the first step of a walk, with a change at column 0 serving while a0 is 0.
bool DecodeStep2D(std::string_view bits, int32_t position, int16_t colour, int32_t a0,
                  std::span<const int32_t> reference, int32_t count, int32_t& runLength,
                  int32_t& bitsUsed, bool& horizontalPending);

} // namespace faxlens::modTIF
