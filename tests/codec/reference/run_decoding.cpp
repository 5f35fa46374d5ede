#include "codec/reference/run_decoding.h"

#include "codec/code_tables.h"
#include "codec/fax_tables.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>

namespace faxlens::reference {

using namespace codec;

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

int32_t CountToInt32(std::size_t count) {
    return static_cast<int32_t>(std::min<std::size_t>(
        count, static_cast<std::size_t>(std::numeric_limits<int32_t>::max())));
}

// The 0-based index of a 1-based position, or kNotFound for a position before the start.
std::size_t IndexOfPosition(int32_t position) {
    return position >= 1 ? static_cast<std::size_t>(position) - 1 : kNotFound;
}

bool IsOneAt(std::string_view bits, std::size_t index) {
    return index < bits.size() && bits[index] == '1';
}

// --- code word lookup ------------------------------------------------------------------------

// Looking a code word up by the next 13 bits gives the same answer as comparing the entries with
// the text one after the other in index order and taking the first that matches: each table is a
// prefix code, so at most one entry can match at a position, and the lookup table holds exactly
// that entry for every 13-bit value beginning with it. When fewer than 13 usable characters are
// left, the missing bits count as 0 and a word longer than the usable part is refused, so a word
// matches only when all of its characters are there and equal.

constexpr int kLongestCodeWord = kRunLookupBits;

// Up to 13 bits from index on, stopping early at the end of the text or at a character that is
// neither '0' nor '1'; the bits are left-aligned in 13 bits, known tells how many are real.
struct Peek {
    std::size_t value = 0;
    std::size_t known = 0;
};

Peek PeekBits(std::string_view bits, std::size_t index) {
    Peek peek;
    const std::size_t available = std::min<std::size_t>(kLongestCodeWord, bits.size() - index);
    while (peek.known < available) {
        const char c = bits[index + peek.known];
        if (c != '0' && c != '1')
            break;
        peek.value = peek.value << 1 | static_cast<std::size_t>(c == '1');
        ++peek.known;
    }
    peek.value <<= kLongestCodeWord - peek.known;
    return peek;
}

// The word that the text at index begins with; a word longer than the text left never matches.
RunCode MatchCodeWord(std::string_view bits, std::size_t index, const RunLookup& table) {
    if (index >= bits.size())
        return {};
    const Peek peek = PeekBits(bits, index);
    const RunCode code = table[peek.value];
    return code.length <= peek.known ? code : RunCode{};
}

bool EndOfLineZerosAt(std::string_view bits, std::size_t index) {
    return bits.substr(index).starts_with(kEndOfLineZeros);
}

} // namespace

// --- bytes to bits -----------------------------------------------------------------------------

void WriteByteBits(uint8_t byte, char* out) {
    for (int bit = 7; bit >= 0; --bit)
        *out++ = (byte >> bit & 1) != 0 ? '1' : '0';
}

codec::BitString NumberToBits(int16_t value) {
    const auto pattern = static_cast<uint16_t>(value);
    if (pattern <= 0xFF) {
        codec::BitString bits(8, '0');
        WriteByteBits(static_cast<uint8_t>(pattern), bits.data());
        return bits;
    }
    codec::BitString bits(16, '0');
    WriteByteBits(static_cast<uint8_t>(pattern >> 8), bits.data());
    WriteByteBits(static_cast<uint8_t>(pattern & 0xFF), bits.data() + 8);
    return bits;
}

// --- one-dimensional runs ----------------------------------------------------------------------

bool DecodeRun(std::string_view bits, int32_t position, codec::Colour colour, int32_t& runLength,
               int32_t& bitsUsed) {
    InitCodeTables();
    runLength = 0;
    bitsUsed = 0;
    std::size_t index = IndexOfPosition(position);
    if (index >= bits.size())
        return false;

    if (EndOfLineZerosAt(bits, index)) {
        // The EOL ends at the first '1' anywhere after the position; fill zeros count as its own.
        const std::size_t one = bits.find('1', index);
        if (one != kNotFound) {
            runLength = -1;
            bitsUsed = CountToInt32(one - index + 1);
        }
        return false;
    }

    const RunLookup& table = RunLookupFor(colour);
    const std::size_t start = index;
    int32_t total = 0;
    for (;;) {
        const RunCode word = MatchCodeWord(bits, index, table);
        if (!word.Known()) {
            runLength = total;
            bitsUsed = CountToInt32(index - start);
            return false;
        }
        index += word.length;
        // A long chain of make-up words saturates at the largest long instead of wrapping.
        total = SaturateToInt32(int64_t{total} + word.run);
        if (word.Terminating()) {
            runLength = total;
            bitsUsed = CountToInt32(index - start);
            return true;
        }
    }
}

// --- two-dimensional mode codes ----------------------------------------------------------------

bool ReadModeCode(std::string_view bits, int32_t position, bool& pass, bool& horizontal,
                  bool& vertical, int32_t& delta, int32_t& codeLength) {
    pass = horizontal = vertical = false;
    delta = 0;
    codeLength = 0;
    const std::size_t index = IndexOfPosition(position);
    if (index >= bits.size())
        return false;

    // Every known mode code has its first '1' among its first six characters; a '1' further on
    // (EOL, extension codes) or none at all is no code, so the search stops there.
    constexpr std::size_t kSearchSpan = 6;
    const std::size_t one = bits.substr(index, kSearchSpan).find('1');
    if (one == kNotFound)
        return false;

    switch (one) {
    case 0: // "1"
        vertical = true;
        codeLength = 1;
        return true;
    case 2: // "001"
        horizontal = true;
        codeLength = 3;
        return true;
    case 3: // "0001"
        pass = true;
        codeLength = 4;
        return true;
    case 1:   // "011" VR1 or "010" VL1
    case 4:   // "000011" VR2 or "000010" VL2
    case 5: { // "0000011" VR3 or "0000010" VL3
        // The last character is judged by the next '1': right there is VR, any later one VL,
        // none at all no code.
        const std::size_t last = index + one + 1;
        const int32_t size = one == 1 ? 1 : static_cast<int32_t>(one) - 2;
        if (IsOneAt(bits, last))
            delta = size;
        else if (last < bits.size() && bits.find('1', last + 1) != kNotFound)
            delta = -size;
        else
            return false;
        vertical = true;
        codeLength = static_cast<int32_t>(one) + 2;
        return true;
    }
    default:
        return false;
    }
}

// --- reference line ----------------------------------------------------------------------------

void FindB1B2(int32_t a0, std::span<const int32_t> reference, int32_t count, int32_t& b1,
              int32_t& b2, codec::Colour colour) {
    ReferenceWalk walk{0, a0 > 0};
    FindB1B2(a0, reference, count, b1, b2, colour, walk);
}

// --- two-dimensional steps ---------------------------------------------------------------------

bool DecodeStep2D(std::string_view bits, int32_t position, codec::Colour colour, int32_t a0,
                  std::span<const int32_t> reference, int32_t count, int32_t& runLength,
                  int32_t& bitsUsed, bool& horizontalPending, ReferenceWalk& walk, int32_t rowEnd) {
    runLength = 0;
    bitsUsed = 0;
    // Column arithmetic in 64 bits, the result saturated to 32 bits. Pass modes telescope (each
    // moves a to its b2), so the total stays near the columns involved.
    int64_t total = 0;
    int64_t used = 0;
    int64_t p = position;
    int32_t a = a0;
    // The walk moves only when the step succeeds: a step that fails is tried again once more
    // bits are loaded.
    ReferenceWalk stepWalk = walk;

    while (!horizontalPending) {
        bool pass = false;
        bool horizontal = false;
        bool vertical = false;
        int32_t delta = 0;
        int32_t codeLength = 0;
        if (!ReadModeCode(bits, SaturateToInt32(p), pass, horizontal, vertical, delta, codeLength))
            return false;
        used += codeLength;
        p += codeLength;
        if (horizontal)
            break; // its runs are coded in full; b1 and b2 play no part
        int32_t b1 = 0;
        int32_t b2 = 0;
        FindB1B2(a, reference, count, b1, b2, colour, stepWalk);
        if (vertical) {
            // a1 changes the colour: b1 of the new colour is the element after b1, or for a1
            // left of b1 the one before it.
            stepWalk.next = SaturateToInt32(int64_t{stepWalk.next} + (delta < 0 ? -1 : 1));
            stepWalk.runDecoded = true;
            walk = stepWalk;
            runLength = SaturateToInt32(total + b1 + delta - a);
            bitsUsed = SaturateToInt32(used);
            return true;
        }
        // Pass mode: a0 moves under b2 in the same colour and the next mode code follows,
        // unless the row is complete.
        stepWalk.next = SaturateToInt32(int64_t{stepWalk.next} + 2);
        total += int64_t{b2} - a;
        a = b2;
        if (a >= rowEnd) { // b2 past the end, when no change is left, counts as the end
            walk = stepWalk;
            runLength = SaturateToInt32(total - (a - rowEnd));
            bitsUsed = SaturateToInt32(used);
            return true;
        }
    }

    int32_t run = 0;
    int32_t runBits = 0;
    if (!DecodeRun(bits, SaturateToInt32(p), colour, run, runBits))
        return false;
    horizontalPending = true;
    stepWalk.runDecoded = true;
    walk = stepWalk;
    runLength = SaturateToInt32(total + run);
    bitsUsed = SaturateToInt32(used + runBits);
    return true;
}

bool DecodeStep2D(std::string_view bits, int32_t position, codec::Colour colour, int32_t a0,
                  std::span<const int32_t> reference, int32_t count, int32_t& runLength,
                  int32_t& bitsUsed, bool& horizontalPending) {
    ReferenceWalk walk{0, a0 > 0};
    constexpr int32_t kNoRowEnd = std::numeric_limits<int32_t>::max();
    return DecodeStep2D(bits, position, colour, a0, reference, count, runLength, bitsUsed,
                        horizontalPending, walk, kNoRowEnd);
}

} // namespace faxlens::reference
