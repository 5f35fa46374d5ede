// The engine's one-lookup steps of one-dimensional code, every one of them, against decoding the
// same twelve bits run by run with the plain primitive.

#include "codec/fax_tables.h"
#include "codec/reference/run_decoding.h"

#include <gtest/gtest.h>
#include <string>

namespace faxlens::codec {
namespace {

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
                step = {.first = static_cast<uint32_t>(run),
                        .second = static_cast<uint32_t>(run),
                        .length = static_cast<uint32_t>(used)};
            return step;
        }
        position += used;
        pixels += run;
        first = ended == 1 ? pixels : first;
        step = {.first = static_cast<uint32_t>(first),
                .second = static_cast<uint32_t>(pixels),
                .length = static_cast<uint32_t>(position - 1),
                .ended = ended};
        colour = OppositeColour(colour);
    }
    return step;
}

TEST(RunSteps, TakeWhatDecodingTheirBitsRunByRunTakes) {
    for (const Colour colour : {kWhite, kBlack}) {
        for (uint32_t value = 0; value < (1U << kRunStepBits); ++value) {
            std::string bits;
            for (int bit = kRunStepBits - 1; bit >= 0; --bit)
                bits += (value >> bit & 1) != 0 ? '1' : '0';
            const RunStep expected = StepByRuns(bits, colour);
            const RunStep step = RunSteps()[static_cast<std::size_t>(colour)][value];
            SCOPED_TRACE(bits + (colour == kWhite ? " from white" : " from black"));
            ASSERT_EQ(step.length, expected.length);
            ASSERT_EQ(step.ended, expected.ended);
            ASSERT_EQ(step.first, expected.first);
            ASSERT_EQ(step.second, expected.second);
        }
    }
}

} // namespace
} // namespace faxlens::codec
