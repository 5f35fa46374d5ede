// The eight-element look at a changing-element line that Group 4's runs of V0 codes take: a bit
// for each element that lies before the width and is followed by a larger one, the same as asking
// each element in turn, with elements anywhere in the 32-bit range (the sealing largest number,
// the zeros before a line, a damaged line's negative or falling elements).

#include "base/numbers.h"
#include "codec/change_line.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <random>

namespace faxlens::codec {
namespace {

uint32_t RisingOneByOne(const int32_t* at, int32_t width) {
    uint32_t bits = 0;
    for (int k = 0; k < 8; ++k)
        if (at[k] < width && at[k + 1] > at[k])
            bits |= 1u << k;
    return bits;
}

TEST(ChangeLine, RisingBeforeWidthAsEachElementInTurn) {
    const std::array<int32_t, 9> values = {0, 1, 7, 63, 64, 1727, 1728, kInt32Max, -5};
    const std::array<int32_t, 5> widths = {1, 64, 1728, 1729, kInt32Max};
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        std::array<int32_t, 9> at{};
        for (int32_t& element : at)
            element = random() % 4 == 0 ? static_cast<int32_t>(random())
                                        : values[random() % values.size()];
        if (round % 2 == 0)
            std::sort(at.begin(), at.end());
        const int32_t width = widths[random() % widths.size()];
        ASSERT_EQ(RisingBeforeWidth(at.data(), width), RisingOneByOne(at.data(), width))
            << "round " << round;
    }
}

// A sealed line may be looked at from its last element: the sealing elements and the room after
// them hold the ninth, and the look stops at the seal.
TEST(ChangeLine, LookFromTheLastElementStopsAtTheSeal) {
    ChangeLine line(4);
    for (int32_t change : {10, 20, 30})
        line.Append(change);
    line.Seal();
    const int32_t* last = line.Begin() + line.Count() - 1;
    EXPECT_EQ(RisingBeforeWidth(last, 1728), 1u);
    EXPECT_EQ(RisingBeforeWidth(line.Begin(), 1728), 0b111u);
    EXPECT_EQ(RisingBeforeWidth(line.Begin(), 20), 0b001u);
}

} // namespace
} // namespace faxlens::codec
