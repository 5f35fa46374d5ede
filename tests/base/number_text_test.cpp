#include "base/number_text.h"
#include "base/numbers.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace faxlens {
namespace {

struct NumberCase {
    const char* text;
    double value;
};

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfTheText) {
    // clang-format off
    const NumberCase cases[] = {
        {"100%", 100}, {"400%", 400}, {"12.5 %", 12.5}, {" 1 5 0", 150}, {"\t75\n%", 75},
        {"\r5", 5},    {"abc", 0},    {"", 0},          {"%50", 0},       {"-20%", -20},
        {"+7", 7},     {".5", 0.5},   {"5.", 5},        {"1.2.3", 1.2},   {"1e2%", 100},
        {"2E-1", 0.2}, {"1e", 1},     {"1e+", 1},       {"-", 0},         {".", 0},
        {"0", 0},      {"007", 7},    {"12,5", 12},     {"8, 8, 8", 8},   {"1 2.5 e 1", 125},
    };
    // clang-format on
    for (const NumberCase& c : cases) {
        EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.value) << '"' << c.text << '"';
        EXPECT_DOUBLE_EQ(LeadingNumber(c.text, true), c.value) << '"' << c.text << '"';
    }
}

TEST(LeadingNumber, DMarksAnExponentOnlyWhenAsked) {
    EXPECT_DOUBLE_EQ(LeadingNumber("3d1"), 3);
    EXPECT_DOUBLE_EQ(LeadingNumber("3d1", true), 30);
    EXPECT_DOUBLE_EQ(LeadingNumber("2D-1", true), 0.2);
}

TEST(LeadingNumber, NumbersBeyondADoubleAreInfiniteOrZero) {
    EXPECT_TRUE(std::isinf(LeadingNumber(std::string(400, '9'))));
    EXPECT_TRUE(std::isinf(LeadingNumber("-1e999")));
    EXPECT_DOUBLE_EQ(LeadingNumber("1e-999"), 0);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbourAndTheEndsSaturate) {
    const std::pair<double, int32_t> cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {0.49, 0},
        {1e30, INT32_MAX},
        {-1e30, INT32_MIN},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {std::numeric_limits<double>::infinity(), INT32_MAX},
    };
    for (const auto& [value, rounded] : cases)
        EXPECT_EQ(RoundHalfEven(value), rounded) << value;
}

TEST(SaturateToInt32, KeepsInt32sAndClampsTheRest) {
    EXPECT_EQ(SaturateToInt32(-5), -5);
    EXPECT_EQ(SaturateToInt32(int64_t{1} << 40), INT32_MAX);
    EXPECT_EQ(SaturateToInt32(-(int64_t{1} << 40)), INT32_MIN);
}

} // namespace
} // namespace faxlens
