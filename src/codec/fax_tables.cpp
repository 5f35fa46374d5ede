#include "codec/fax_tables.h"

#include "codec/code_tables.h"

#include <bit>

namespace faxlens::codec {

namespace {

// Terminating words stand for fewer than 64 pixels, make-up words for 64 or more.
static_assert(RunOfIndex(kLastTerminatingIndex) < 64 &&
              RunOfIndex(kLastTerminatingIndex + 1) == 64);

// Every 13-bit value that begins with a code word points at that word.
RunLookup RunLookupOf(const CodeTable& table) {
    RunLookup lookup{};
    for (int32_t index = 0; index < kCodeTableSize; ++index) {
        const BitString& word = table[static_cast<std::size_t>(index)];
        std::size_t value = 0;
        for (char bit : word)
            value = value << 1 | static_cast<std::size_t>(bit == '1');
        const std::size_t spread = kRunLookupBits - word.size();
        const RunCode code{.run = static_cast<uint16_t>(RunOfIndex(index)),
                           .length = static_cast<uint16_t>(word.size())};
        for (std::size_t low = 0; low < (std::size_t{1} << spread); ++low)
            lookup[value << spread | low] = code;
    }
    return lookup;
}

RunPairLookup RunPairLookupOf(const RunLookup& white, const RunLookup& black) {
    RunPairLookup pairs{};
    constexpr int kUnused = kRunLookupBits - kRunPairBits;
    constexpr uint32_t kPairMask = (uint32_t{1} << kRunPairBits) - 1;
    for (uint32_t value = 0; value < pairs.size(); ++value) {
        // A word of 12 bits or fewer is known by the first 12 bits whatever the 13th is.
        const RunCode first = white[value << kUnused];
        if (!first.Known() || !first.Terminating() || first.length >= kRunPairBits)
            continue;
        const uint32_t rest = value << first.length & kPairMask;
        const RunCode second = black[rest << kUnused];
        if (!second.Known() || !second.Terminating() || first.length + second.length > kRunPairBits)
            continue;
        pairs[value] = {.white = first.run,
                        .black = second.run,
                        .length = static_cast<uint16_t>(first.length + second.length)};
    }
    return pairs;
}

// A mode code is known by where its first 1 stands among the first six bits: "1" V0, "001"
// horizontal, "0001" pass; "01x", "00001x" and "000001x" are vertical modes of 1, 2 and 3 pixels,
// right of b1 when x is 1.
ModeCode ModeOf(uint32_t seven) {
    const int one = std::countl_zero(seven << 25);
    switch (one) {
    case 0:
        return {Mode::Vertical, 0, 1};
    case 2:
        return {Mode::Horizontal, 0, 3};
    case 3:
        return {Mode::Pass, 0, 4};
    case 1:
    case 4:
    case 5: {
        const int size = one == 1 ? 1 : one - 2;
        const auto length = static_cast<uint8_t>(one + 2);
        const bool right = (seven >> (kModeLookupBits - length) & 1) != 0;
        return {Mode::Vertical, static_cast<int8_t>(right ? size : -size), length};
    }
    default:
        return {};
    }
}

CodeBitsTable CodeBitsOf(const CodeTable& table) {
    CodeBitsTable bits{};
    for (std::size_t i = 0; i < bits.size(); ++i) {
        uint16_t value = 0;
        for (char bit : table[i])
            value = static_cast<uint16_t>(value << 1 | (bit == '1'));
        bits[i] = {value, static_cast<uint8_t>(table[i].size())};
    }
    return bits;
}

} // namespace

const RunLookup& RunLookupFor(Colour colour) {
    static const RunLookup white = RunLookupOf(WhiteCodes());
    static const RunLookup black = RunLookupOf(BlackCodes());
    return colour == kBlack ? black : white;
}

const RunPairLookup& RunPairLookup12() {
    static const RunPairLookup pairs = RunPairLookupOf(RunLookupFor(kWhite), RunLookupFor(kBlack));
    return pairs;
}

const std::array<ModeCode, std::size_t{1} << kModeLookupBits>& ModeLookup() {
    static const auto lookup = [] {
        std::array<ModeCode, std::size_t{1} << kModeLookupBits> modes{};
        for (uint32_t value = 0; value < modes.size(); ++value)
            modes[value] = ModeOf(value);
        return modes;
    }();
    return lookup;
}

const CodeBitsTable& CodeBitsFor(Colour colour) {
    static const CodeBitsTable white = CodeBitsOf(WhiteCodes());
    static const CodeBitsTable black = CodeBitsOf(BlackCodes());
    return colour == kBlack ? black : white;
}

} // namespace faxlens::codec
