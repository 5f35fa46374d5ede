#pragma once

// Lookup tables of the fast decoding engine and encoders, derived once from the code tables:
// which code word the next 13 bits begin with, which runs the next 12 bits end, which mode code
// the next 7 bits begin with, which vertical modes the next 10 bits begin with, and each code
// word as bits to write.

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
// Both tables, white's first, so that a colour held as a number picks its table by index.
using RunLookups = std::array<RunLookup, 2>;
const RunLookups& RunLookupsByColour();

// What one lookup of 12 bits takes of one-dimensional code from a colour: the words that begin
// there and fit in the 12 bits, up to the end of a second run, or make-up words alone when no run
// ends within them. `ended` runs end, at `first` and `second` pixels on (the same when one does);
// with none, the words are make-up words of `second` pixels. Most runs of a page end within a
// lookup, and pairs of short runs within one.
inline constexpr int kRunStepBits = 12;
inline constexpr uint32_t kRunStepMostPixels = 0xfff; // what `first` and `second` can hold
struct RunStep {
    // The bits taken; 0 when no word of the colour begins there. First and six bits wide, so that
    // a shift by it needs no mask.
    uint32_t length : 6 = 0;
    uint32_t ended : 2 = 0;
    uint32_t first : 12 = 0;
    uint32_t second : 12 = 0;

    bool Known() const { return length != 0; }
};
static_assert(sizeof(RunStep) == 4);
// The bit of a RunStep, read as a 32-bit word, that is set where one run ends in it, and so the
// colour changes: the lowest of `ended`, after the six of `length`.
inline constexpr uint32_t kRunStepChangesColour = 1U << 6;
using RunStepLookup = std::array<std::array<RunStep, std::size_t{1} << kRunStepBits>, 2>;
// White's steps first, as in RunLookups.
const RunStepLookup& RunSteps();

enum class Mode : uint8_t { None, Pass, Horizontal, Vertical };

// The mode code that a 7-bit value begins with, recognised as ReadModeCode recognises it: a
// vertical mode left of b1 (VL1 to VL3) counts only when a 1 follows the code somewhere.
struct alignas(4) ModeCode { // four bytes, so that one read fetches it
    Mode mode = Mode::None;
    int8_t delta = 0; // a1 - b1 of a vertical mode
    uint8_t length = 0;
};
const std::array<ModeCode, std::size_t{1} << kModeLookupBits>& ModeLookup();

// What one lookup of 10 bits takes of the vertical mode codes that begin there: up to four codes
// one after another, each whole within the 10 bits, up to the first code that is not a vertical
// mode. Most stretches of a page's steps are vertical modes, and four of them fit in 10 bits.
inline constexpr int kVerticalModesBits = 10;
inline constexpr int kMostVerticalModes = 4;
struct alignas(16) VerticalModes {
    int8_t delta[kMostVerticalModes]{}; // a1 - b1 of each code
    uint8_t end[kMostVerticalModes]{};  // the bits taken up to the end of each code
    uint8_t count = 0; // how many codes; none where the bits begin with another code
};
using VerticalModesLookup = std::array<VerticalModes, std::size_t{1} << kVerticalModesBits>;
const VerticalModesLookup& VerticalModesTable();

// A code word as bits to write: the last `length` bits of `bits`, first bit first.
struct CodeBits {
    uint16_t bits = 0;
    uint8_t length = 0;
};
// The mode code of a horizontal mode, "001", and of a pass, "0001".
inline constexpr CodeBits kHorizontalModeCode{0b001, 3};
inline constexpr CodeBits kPassModeCode{0b0001, 4};
// Index i as in the code tables: a terminating word for i up to 63, else a make-up word.
using CodeBitsTable = std::array<CodeBits, 104>;
const CodeBitsTable& CodeBitsFor(Colour colour);

} // namespace faxlens::codec
