#pragma once

// Lookup tables of the fast decoding engine and encoders, derived once from the code tables:
// which code word the next 13 bits begin with, which mode code the next 7 bits begin with, and
// each code word as bits to write.

#include "codec/codec_types.h"

#include <array>
#include <cstdint>

namespace faxlens::codec {

inline constexpr int kRunLookupBits = 13; // the longest code word
inline constexpr int kModeLookupBits = 7; // the longest mode code

// The code word that a 13-bit value begins with, in two bytes, so that both colours' tables
// (16 KiB each) stay in the first-level cache while a strip decodes.
struct RunCode {
    uint16_t run : 12 = 0;   // the pixels it stands for (at most 2560)
    uint16_t length : 4 = 0; // its bits; 0 when no word begins so

    bool Known() const { return length != 0; }
    // A terminating word ends a run; a make-up word (64 pixels or more) does not.
    bool Terminating() const { return run < 64; }
};
static_assert(sizeof(RunCode) == 2);
using RunLookup = std::array<RunCode, std::size_t{1} << kRunLookupBits>;

// The table of the colour.
const RunLookup& RunLookupFor(Colour colour);

// A white run and the black run after it, each a terminating word, that a 12-bit value begins
// with: most runs of a page of text come in such pairs, which one lookup decodes.
inline constexpr int kRunPairBits = 12;
struct RunPair {
    uint16_t white : 6 = 0;
    uint16_t black : 6 = 0;
    uint16_t length : 4 = 0; // the bits of both words; 0 when the value begins with no such pair
};
static_assert(sizeof(RunPair) == 2);
using RunPairLookup = std::array<RunPair, std::size_t{1} << kRunPairBits>;
const RunPairLookup& RunPairLookup12();

enum class Mode : uint8_t { None, Pass, Horizontal, Vertical };

// The mode code that a 7-bit value begins with, recognised as ReadModeCode recognises it: a
// vertical mode left of b1 (VL1 to VL3) counts only when a 1 follows the code somewhere.
struct alignas(4) ModeCode { // four bytes, so that one read fetches it
    Mode mode = Mode::None;
    int8_t delta = 0; // a1 - b1 of a vertical mode
    uint8_t length = 0;
};
const std::array<ModeCode, std::size_t{1} << kModeLookupBits>& ModeLookup();

// A code word as bits to write: the last `length` bits of `bits`, first bit first.
struct CodeBits {
    uint16_t bits = 0;
    uint8_t length = 0;
};
// Index i as in the code tables: a terminating word for i up to 63, else a make-up word.
using CodeBitsTable = std::array<CodeBits, 104>;
const CodeBitsTable& CodeBitsFor(Colour colour);

} // namespace faxlens::codec
