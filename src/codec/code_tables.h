#pragma once

// The one-dimensional (modified Huffman) run-length code words of ITU-T T.4 as BitStrings, one
// table for white runs and one for black runs. Index 0..63 holds the terminating code word of a
// run of that many pixels, index 64..103 the make-up code word of (index - 63) x 64 pixels.

#include "codec/codec_types.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace faxlens::codec {

inline constexpr int32_t kCodeTableSize = 104;
inline constexpr int32_t kLastTerminatingIndex = 63;
inline constexpr int32_t kMakeUpStep = 64;
inline constexpr int32_t kLongestMakeUp = 2560; // index 103, the largest run of one code word

// Neither table holds the end-of-line code; the decoder knows it by its eleven leading zeros.
inline constexpr std::string_view kEndOfLine = "000000000001";
inline constexpr std::string_view kEndOfLineZeros = "00000000000";

using CodeTable = std::array<BitString, kCodeTableSize>;

// Fills both tables on the first call (thread-safe) and returns at once on every later call.
void InitCodeTables();
bool CodeTablesReady();

// The filled tables; they fill themselves when nobody called InitCodeTables yet.
const CodeTable& WhiteCodes();
const CodeTable& BlackCodes();
// The table of the colour.
const CodeTable& CodeTableFor(Colour colour);

// Index of the make-up code word of a multiple of 64 from 64 to 2560.
constexpr int32_t MakeUpIndex(int32_t makeUpLength) {
    return makeUpLength / kMakeUpStep + kLastTerminatingIndex;
}

// Pixels a table index stands for: the run itself for a terminating word, else the make-up length.
constexpr int32_t RunOfIndex(int32_t index) {
    return index <= kLastTerminatingIndex ? index : (index - kLastTerminatingIndex) * kMakeUpStep;
}

} // namespace faxlens::codec
