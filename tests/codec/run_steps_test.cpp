// The engine's one-lookup steps, every one of them, against decoding the same bits code by code
// with the plain primitives: runs of one-dimensional code, and the vertical modes taken together.

#include "codec/fax_tables.h"
#include "codec/reference/run_decoding.h"

#include <bit>
#include <gtest/gtest.h>
#include <string>

namespace faxlens::codec {
namespace {

std::string BitsOf(uint32_t value, int count) {
    std::string bits;
    for (int bit = count - 1; bit >= 0; --bit)
        bits += (value >> bit & 1) != 0 ? '1' : '0';
    return bits;
}

// Up to two whole runs from the colour, or the make-up words alone when no run ends.
RunStep StepByRuns(const std::string& bits, Colour colour) {
    RunStep step;
    int32_t position = 1; // the primitive counts bits from 1
    int32_t pixels = 0;
    int32_t first = 0;
    for (uint32_t ended = 1; ended <= 2; ++ended) {
        int32_t run = 0;
        int32_t used = 0;
        if (!reference::DecodeRun(bits, position, colour, run, used)) {
            if (ended == 1 && run > 0)
                step = {.length = static_cast<uint32_t>(used),
                        .first = static_cast<uint32_t>(run),
                        .second = static_cast<uint32_t>(run)};
            return step;
        }
        position += used;
        pixels += run;
        first = ended == 1 ? pixels : first;
        step = {.length = static_cast<uint32_t>(position - 1),
                .ended = ended,
                .first = static_cast<uint32_t>(first),
                .second = static_cast<uint32_t>(pixels)};
        colour = OppositeColour(colour);
    }
    return step;
}

TEST(RunSteps, TakeWhatDecodingTheirBitsRunByRunTakes) {
    for (const Colour colour : {kWhite, kBlack}) {
        for (uint32_t value = 0; value < (1U << kRunStepBits); ++value) {
            const std::string bits = BitsOf(value, kRunStepBits);
            const RunStep expected = StepByRuns(bits, colour);
            const RunStep step = RunSteps()[static_cast<std::size_t>(colour)][value];
            SCOPED_TRACE(bits + (colour == kWhite ? " from white" : " from black"));
            ASSERT_EQ(step.length, expected.length);
            ASSERT_EQ(step.ended, expected.ended);
            ASSERT_EQ(step.first, expected.first);
            ASSERT_EQ(step.second, expected.second);
            // The engine reads the change of colour from the step as a word.
            ASSERT_EQ((std::bit_cast<uint32_t>(step) & kRunStepChangesColour) != 0,
                      expected.ended == 1);
        }
    }
}

// The vertical mode codes that begin the bits, up to four and each whole within them. The engine
// takes them together only where the data goes on with a 1 after them, which a vertical mode
// left of b1 needs.
VerticalModes ModesByCodes(const std::string& within) {
    const std::string bits = within + "1";
    VerticalModes modes;
    int32_t position = 1; // the primitive counts bits from 1
    while (modes.count < kMostVerticalModes) {
        bool pass = false;
        bool horizontal = false;
        bool vertical = false;
        int32_t delta = 0;
        int32_t length = 0;
        if (!reference::ReadModeCode(bits, position, pass, horizontal, vertical, delta, length) ||
            !vertical || position - 1 + length > static_cast<int32_t>(within.size()))
            break;
        position += length;
        modes.delta[modes.count] = static_cast<int8_t>(delta);
        modes.end[modes.count] = static_cast<uint8_t>(position - 1);
        ++modes.count;
    }
    return modes;
}

TEST(VerticalModes, TakeWhatReadingTheirBitsCodeByCodeTakes) {
    for (uint32_t value = 0; value < (1U << kVerticalModesBits); ++value) {
        const std::string bits = BitsOf(value, kVerticalModesBits);
        const VerticalModes expected = ModesByCodes(bits);
        const VerticalModes& modes = VerticalModesTable()[value];
        SCOPED_TRACE(bits);
        ASSERT_EQ(modes.count, expected.count);
        for (int k = 0; k < modes.count; ++k) {
            EXPECT_EQ(modes.delta[k], expected.delta[k]) << "code " << k;
            EXPECT_EQ(modes.end[k], expected.end[k]) << "code " << k;
        }
    }
}

} // namespace
} // namespace faxlens::codec
