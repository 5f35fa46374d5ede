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

// The step that decodes the 12-bit value from the colour: words as long as they fit, until a
// second run ends; an entry is kept at each run's end, and at each make-up word while none has.
RunStep RunStepOf(const RunLookups& lookups, Colour start, uint32_t value) {
    constexpr uint32_t kMask = (uint32_t{1} << kRunStepBits) - 1;
    constexpr int kUnused = kRunLookupBits - kRunStepBits;
    RunStep step;
    auto colour = static_cast<std::size_t>(start);
    uint32_t taken = 0;
    uint32_t pixels = 0;
    uint32_t ended = 0;
    uint32_t first = 0;
    for (;;) {
        const RunCode code = lookups[colour][(value << taken & kMask) << kUnused];
        // Words as long as make-up words can be fit within twelve bits stand for fewer pixels
        // than twelve bits can count; the last check only keeps that so.
        if (!code.Known() || taken + code.length > kRunStepBits ||
            pixels + code.run > kRunStepMostPixels)
            return step;
        taken += code.length;
        pixels += code.run;
        if (!code.Terminating()) {
            if (ended == 0)
                step = {.length = taken, .ended = 0, .first = pixels, .second = pixels};
            continue;
        }
        if (++ended == 1)
            first = pixels;
        step = {.length = taken, .ended = ended, .first = first, .second = pixels};
        if (ended == 2)
            return step;
        colour ^= 1;
    }
}

RunStepLookup RunStepLookupOf(const RunLookups& lookups) {
    RunStepLookup steps{};
    for (const Colour colour : {kWhite, kBlack})
        for (uint32_t value = 0; value < steps[0].size(); ++value)
            steps[static_cast<std::size_t>(colour)][value] = RunStepOf(lookups, colour, value);
    return steps;
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

VerticalModes VerticalModesOf(uint32_t value) {
    constexpr uint32_t kMask = (uint32_t{1} << kModeLookupBits) - 1;
    VerticalModes modes;
    int taken = 0;
    while (modes.count < kMostVerticalModes) {
        // The seven bits from `taken` on, zeros past the value's.
        const uint32_t seven = (value << kModeLookupBits >> (kVerticalModesBits - taken)) & kMask;
        const ModeCode code = ModeOf(seven);
        if (code.mode != Mode::Vertical || taken + code.length > kVerticalModesBits)
            break;
        taken += code.length;
        modes.delta[modes.count] = code.delta;
        modes.end[modes.count] = static_cast<uint8_t>(taken);
        ++modes.count;
    }
    return modes;
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

const RunLookups& RunLookupsByColour() {
    static const RunLookups lookups{RunLookupOf(WhiteCodes()), RunLookupOf(BlackCodes())};
    return lookups;
}

const RunLookup& RunLookupFor(Colour colour) {
    return RunLookupsByColour()[static_cast<std::size_t>(colour)];
}

const RunStepLookup& RunSteps() {
    static const RunStepLookup steps = RunStepLookupOf(RunLookupsByColour());
    return steps;
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

const VerticalModesLookup& VerticalModesTable() {
    static const auto lookup = [] {
        VerticalModesLookup table{};
        for (uint32_t value = 0; value < table.size(); ++value)
            table[value] = VerticalModesOf(value);
        return table;
    }();
    return lookup;
}

const CodeBitsTable& CodeBitsFor(Colour colour) {
    static const CodeBitsTable white = CodeBitsOf(WhiteCodes());
    static const CodeBitsTable black = CodeBitsOf(BlackCodes());
    return colour == kBlack ? black : white;
}

} // namespace faxlens::codec
