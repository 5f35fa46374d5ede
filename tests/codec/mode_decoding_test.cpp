#include "codec/reference/run_decoding.h"

#include <climits>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace faxlens::reference {
namespace {

using namespace codec;

using namespace std::string_literals;

constexpr char kPlaceholder = '\0';
constexpr int32_t kWidth = 1728;

// --- ReadModeCode -------------------------------------------------------------------------------

struct ModeCode {
    bool status = false;
    bool pass = false;
    bool horizontal = false;
    bool vertical = false;
    int32_t delta = 0;
    int32_t codeLength = 0;
    bool operator==(const ModeCode&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ModeCode& m) {
    return out << "{status " << m.status << " P" << m.pass << " H" << m.horizontal << " V"
               << m.vertical << " delta " << m.delta << " length " << m.codeLength << "}";
}

ModeCode Read(std::string_view bits, int32_t position = 1) {
    ModeCode m{true, true, true, true, 99, 99};
    m.status =
        ReadModeCode(bits, position, m.pass, m.horizontal, m.vertical, m.delta, m.codeLength);
    if (!m.status)
        m.codeLength = 0; // not part of a failure's result
    return m;
}

const ModeCode kFails{};
constexpr ModeCode Vertical(int32_t delta, int32_t length) {
    return {true, false, false, true, delta, length};
}
constexpr ModeCode kHorizontal{true, false, true, false, 0, 3};
constexpr ModeCode kPass{true, true, false, false, 0, 4};

TEST(ReadModeCode, KnowsTheModeCodes) {
    const struct {
        std::string bits;
        ModeCode expected;
    } cases[] = {
        {"1", Vertical(0, 1)},
        {"1000", Vertical(0, 1)},
        {"011", Vertical(1, 3)},
        {"0101", Vertical(-1, 3)},
        {"0100001", Vertical(-1, 3)},
        {"010", kFails},
        {"010000000", kFails},
        {"001", kHorizontal},
        {"0010000", kHorizontal},
        {"0001", kPass},
        {"000011", Vertical(2, 6)},
        {"0000101", Vertical(-2, 6)},
        {"000010", kFails},
        {"0000011", Vertical(3, 7)},
        {"00000101", Vertical(-3, 7)},
        {"0000010" + std::string(500, '0') + "1", Vertical(-3, 7)},
        {"0000010", kFails},
        {"0000001", kFails},
        {"0000001111", kFails},
        {"000000000001", kFails},
        {"00000001", kFails},
        {std::string(50, '0'), kFails},
        {"", kFails},
        {"00", kFails},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.bits), c.expected) << c.bits;
}

TEST(ReadModeCode, PlaceholdersAreNoOnes) {
    const std::string pad(20, kPlaceholder);
    EXPECT_EQ(Read("010" + pad), kFails);
    EXPECT_EQ(Read("01" + pad), kFails);
    EXPECT_EQ(Read("00" + pad), kFails);
    EXPECT_EQ(Read(pad), kFails);
    EXPECT_EQ(Read("0101" + pad), Vertical(-1, 3));
    EXPECT_EQ(Read("0001" + pad), kPass);
}

TEST(ReadModeCode, StartsAtTheOneBasedPosition) {
    EXPECT_EQ(Read("0001011", 5), Vertical(1, 3));
    EXPECT_EQ(Read("0001", 2), kHorizontal);
    EXPECT_EQ(Read("1", 2), kFails);
    EXPECT_EQ(Read("1", 0), kFails);
    EXPECT_EQ(Read("1", -7), kFails);
}

// The mode codes as the decoder describes them: found by the positions of '1' characters, with
// unbounded searches over the whole text (1-based, 0 for not found).
ModeCode ReadByFindingOnes(const std::string& bits, int32_t position) {
    auto findOne = [&](int32_t from) {
        const std::size_t at = bits.find('1', static_cast<std::size_t>(from - 1));
        return at == std::string::npos ? 0 : static_cast<int32_t>(at) + 1;
    };
    ModeCode m;
    const int32_t c = findOne(position);
    if (c == position) {
        m.vertical = true;
        m.codeLength = 1;
    } else if (c == position + 2) {
        m.horizontal = true;
        m.codeLength = 3;
    } else if (c == position + 3) {
        m.pass = true;
        m.codeLength = 4;
    } else {
        const int32_t d = findOne(c + 1);
        if (d == 0)
            return {};
        const int32_t e = c - position + 1;
        const int32_t f = d - position + 1;
        if (e == 2)
            m.delta = f == 3 ? 1 : -1;
        else if (e == 5)
            m.delta = f == 6 ? 2 : -2;
        else if (e == 6)
            m.delta = f == 7 ? 3 : -3;
        else
            return {};
        m.vertical = true;
        m.codeLength = e + 1;
    }
    m.status = true;
    return m;
}

TEST(ReadModeCode, AgreesWithTheSearchForOnesOnAllShortTexts) {
    for (std::size_t length = 1; length <= 14; ++length)
        for (uint32_t pattern = 0; pattern < (1u << length); ++pattern) {
            std::string bits;
            for (std::size_t k = length; k-- > 0;)
                bits += (pattern >> k & 1) != 0 ? '1' : '0';
            const std::string padded = bits + std::string(4, kPlaceholder);
            for (int32_t position = 1; position <= 3 && position <= static_cast<int32_t>(length);
                 ++position) {
                ASSERT_EQ(Read(bits, position), ReadByFindingOnes(bits, position)) << bits;
                ASSERT_EQ(Read(padded, position), ReadByFindingOnes(padded, position)) << bits;
            }
        }
}

// --- FindB1B2
// -------------------------------------------------------------------------------------

struct B1B2Case {
    const char* name;
    std::vector<int32_t> reference;
    int32_t count;
    int32_t a0;
    codec::Colour colour;
    int32_t b1;
    int32_t b2;
};

TEST(FindB1B2, DescribedCases) {
    const B1B2Case cases[] = {
        {"imaginary white line", {kWidth}, 1, 0, codec::kWhite, kWidth, kWidth},
        {"change at column 0 serves when a0 is 0", {0, 5, kWidth}, 3, 0, codec::kWhite, 0, 5},
        {"black a0 skips changes to black", {0, 5, kWidth}, 3, 0, codec::kBlack, 5, kWidth},
        {"black a0 on a change", {10, 15, kWidth}, 3, 10, codec::kBlack, 15, kWidth},
        {"white a0 after the last black", {10, 15, kWidth}, 3, 15, codec::kWhite, kWidth, kWidth},
        {"b2 is the following change", {3, 7, 9, kWidth}, 4, 0, codec::kWhite, 3, 7},
        {"b1 the last element", {5, 10, 20}, 3, 12, codec::kWhite, 20, 20},
        {"a column equal to a0 above 0 is no b1",
         {10, 15, 30, kWidth},
         4,
         15,
         codec::kBlack,
         kWidth,
         kWidth},
        {"no change to black right of a0", {10, 15, 20, 25, 30}, 5, 30, codec::kWhite, 30, 31},
        {"no change to white right of a0", {10, 15, 20, 25, 30}, 5, 27, codec::kBlack, 30, 31},
        {"a0 at the end of the row",
         {10, 15, kWidth},
         3,
         kWidth,
         codec::kBlack,
         kWidth,
         kWidth + 1},
        {"only count elements are looked at", {10, 20, 30, 40}, 2, 20, codec::kWhite, 20, 21},
        {"count beyond the elements is cut", {10, 20}, 9, 20, codec::kWhite, 20, 21},
        {"empty line", {}, 0, 0, codec::kWhite, 0, 0},
        // Two changes at column 0 (a row that begins with empty runs) are b1 and b2 of a row
        // that begins with a pass.
        {"repeated changes at column 0", {0, 0, 5, 8, kWidth}, 5, 0, codec::kWhite, 0, 0},
        {"an empty run after b1 gives b2 = b1", {5, 5, 9}, 3, 0, codec::kWhite, 5, 5},
        {"a following element left of b1 gives the last", {10, 4, 30}, 3, 0, codec::kWhite, 10, 30},
        // b1 + 1 saturates at the largest 32-bit number.
        {"b2 saturates", {INT32_MAX}, 1, INT32_MAX, codec::kWhite, INT32_MAX, INT32_MAX},
    };
    for (const B1B2Case& c : cases) {
        int32_t b1 = -99;
        int32_t b2 = -99;
        FindB1B2(c.a0, c.reference, c.count, b1, b2, c.colour);
        EXPECT_EQ(b1, c.b1) << c.name;
        EXPECT_EQ(b2, c.b2) << c.name;
    }
}

// The walk along the reference line: a change that served once is never taken again, also
// where several stand at one column.
TEST(FindB1B2, WalkNeverTakesAChangeTwice) {
    const std::vector<int32_t> line = {0, 0, 2, 5, 5, 5, kWidth};
    const struct {
        const char* name;
        ReferenceWalk walk;
        int32_t a0;
        codec::Colour colour;
        int32_t b1, b2;
        int32_t next;
    } cases[] = {
        {"row start takes the first change on a0", {0, false}, 0, codec::kWhite, 0, 0, 0},
        {"after a pass over the two, the next change to black",
         {2, false},
         0,
         codec::kWhite,
         2,
         5,
         2},
        {"a run decoded: b1 lies right of a0", {0, true}, 0, codec::kWhite, 2, 5, 2},
        {"black after a1 on 2 looks from index 3", {3, true}, 2, codec::kBlack, 5, 5, 3},
        {"changes on a0 that served are passed",
         {3, true},
         5,
         codec::kBlack,
         kWidth,
         kWidth + 1,
         7},
        {"the parity of the colour is kept", {2, true}, 0, codec::kBlack, 5, 5, 3},
        {"a step back before the first change", {-1, true}, -2, codec::kBlack, 0, 0, -1},
        {"far steps back find column 0", {-9, true}, -5, codec::kWhite, 0, 0, -2},
        {"and walk on from there", {-9, true}, 3, codec::kWhite, 5, 5, 4},
        {"past the end", {9, true}, 0, codec::kWhite, kWidth, kWidth + 1, 10},
    };
    for (const auto& c : cases) {
        ReferenceWalk walk = c.walk;
        int32_t b1 = -99;
        int32_t b2 = -99;
        FindB1B2(c.a0, line, static_cast<int32_t>(line.size()), b1, b2, c.colour, walk);
        EXPECT_EQ(b1, c.b1) << c.name;
        EXPECT_EQ(b2, c.b2) << c.name;
        EXPECT_EQ(walk.next, c.next) << c.name;
    }
}

// --- DecodeStep2D --------------------------------------------------------------------------------

struct Step {
    bool status = false;
    int32_t runLength = 0;
    int32_t bitsUsed = 0;
    bool horizontalPending = false;
    bool operator==(const Step&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Step& s) {
    return out << "{" << s.status << ", run " << s.runLength << ", used " << s.bitsUsed
               << ", pending " << s.horizontalPending << "}";
}

Step DecodeStep(std::string_view bits, int32_t position, codec::Colour colour, int32_t a0,
                const std::vector<int32_t>& reference, bool pending = false) {
    Step s{true, 12345, 12345, pending};
    s.status =
        DecodeStep2D(bits, position, colour, a0, reference, static_cast<int32_t>(reference.size()),
                     s.runLength, s.bitsUsed, s.horizontalPending);
    return s;
}

const std::vector<int32_t> kWhiteLine = {kWidth};
const std::vector<int32_t> kLine = {10, 15, 30, 40, 100};

TEST(DecodeStep2D, VerticalModes) {
    EXPECT_EQ(DecodeStep("1", 1, codec::kWhite, 0, kWhiteLine), (Step{true, kWidth, 1, false}));
    EXPECT_EQ(DecodeStep("1", 1, codec::kWhite, 0, kLine), (Step{true, 10, 1, false}));
    EXPECT_EQ(DecodeStep("011", 1, codec::kWhite, 0, kLine), (Step{true, 11, 3, false}));
    EXPECT_EQ(DecodeStep("0000010"
                         "1",
                         1, codec::kWhite, 0, kLine),
              (Step{true, 7, 7, false}));
    EXPECT_EQ(DecodeStep("000011", 1, codec::kBlack, 10, kLine), (Step{true, 7, 6, false}));
    EXPECT_EQ(DecodeStep("x1", 2, codec::kWhite, 30, kLine), (Step{true, 70, 1, false}));
}

TEST(DecodeStep2D, VerticalLeftOfA0GivesANegativeRun) {
    EXPECT_EQ(DecodeStep("0000010"
                         "1",
                         1, codec::kWhite, 0, {0, 5, 10}),
              (Step{true, -3, 7, false}));
}

TEST(DecodeStep2D, PassModesFoldIntoTheFollowingRun) {
    // Pass under b2 = 15, then V0 against b1' = 30 right of it: one run of 30 from a0.
    EXPECT_EQ(DecodeStep("0001"
                         "1",
                         1, codec::kWhite, 0, kLine),
              (Step{true, 30, 5, false}));
    // Two passes (to 15, then 40), then a horizontal first run of 2 from there.
    EXPECT_EQ(DecodeStep("0001"
                         "0001"
                         "001"
                         "0111",
                         1, codec::kWhite, 0, kLine),
              (Step{true, 42, 15, true}));
}

TEST(DecodeStep2D, HorizontalModeTakesTwoCalls) {
    const std::string bits = "001"s + "1000" + "11"; // white 3, black 2
    const Step first = DecodeStep(bits, 1, codec::kWhite, 0, kLine);
    EXPECT_EQ(first, (Step{true, 3, 7, true}));
    EXPECT_EQ(DecodeStep(bits, 1 + first.bitsUsed, codec::kBlack, 3, kLine, true),
              (Step{true, 2, 2, true}));
}

TEST(DecodeStep2D, PendingHorizontalReadsNoModeCode) {
    // "1" would be V0; with the second horizontal run pending it is the black word "10" (3).
    EXPECT_EQ(DecodeStep("10", 1, codec::kBlack, 5, kLine, true), (Step{true, 3, 2, true}));
}

TEST(DecodeStep2D, FailuresReturnNothing) {
    const struct {
        const char* name;
        std::string bits;
        bool pending;
    } cases[] = {
        {"no mode code", "0000001", false},
        {"EOL", "000000000001", false},
        {"empty", "", false},
        {"placeholders", std::string(20, kPlaceholder), false},
        {"pass then no mode code",
         "0001"
         "0000001",
         false},
        {"horizontal then EOL",
         "001"
         "000000000001",
         false},
        {"horizontal then make-up and nothing",
         "001"
         "11011"
         "0000000",
         false},
        {"pending run unmatched", "00000001", true},
        {"pending run is an EOL", "000000000001", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeStep(c.bits, 1, codec::kWhite, 0, kLine, c.pending),
                  (Step{false, 0, 0, c.pending}))
            << c.name;
}

// A row that begins with a pass over two changes at column 0, then three vertical modes: each
// step moves the walk past what it used, and a failed step leaves the walk as it was.
TEST(DecodeStep2D, StepsWalkTheReferenceLine) {
    const std::vector<int32_t> above = {0, 0, 2, 5, kWidth};
    const auto count = static_cast<int32_t>(above.size());
    ReferenceWalk walk;
    bool pending = false;
    int32_t run = 0;
    int32_t used = 0;
    ASSERT_TRUE(DecodeStep2D("0001"
                             "1",
                             1, codec::kWhite, 0, above, count, run, used, pending, walk, kWidth));
    EXPECT_EQ(run, 2); // pass under column 0, then V0 under the change at 2
    EXPECT_EQ(walk.next, 3);
    // The pass leads to the reference's end; in a wider row the next code is needed, and fails.
    ASSERT_FALSE(DecodeStep2D("0001"
                              "0000001",
                              1, codec::kBlack, 2, above, count, run, used, pending, walk,
                              2 * kWidth));
    EXPECT_EQ(walk.next, 3);
    EXPECT_TRUE(walk.runDecoded);
    ASSERT_TRUE(
        DecodeStep2D("1", 1, codec::kBlack, 2, above, count, run, used, pending, walk, kWidth));
    EXPECT_EQ(run, 3);
    ASSERT_TRUE(
        DecodeStep2D("1", 1, codec::kWhite, 5, above, count, run, used, pending, walk, kWidth));
    EXPECT_EQ(run, kWidth - 5);
}

// A pass whose b2 is the end of the row completes the row: the step ends there, with no mode
// code after it, as libtiff reads it. Without a row end the next mode code is still needed.
TEST(DecodeStep2D, PassToTheEndOfTheRowCompletesIt) {
    const struct {
        std::vector<int32_t> above;
        int32_t a0;
        codec::Colour colour;
        int32_t run;
    } cases[] = {
        {{2, 4, 6, kWidth}, 6, codec::kBlack, kWidth - 6}, // b1 and b2 the last change and the end
        {{kWidth}, 0, codec::kWhite, kWidth},              // no change left: b2 past the end
    };
    for (const auto& step : cases) {
        SCOPED_TRACE(step.a0);
        const auto count = static_cast<int32_t>(step.above.size());
        ReferenceWalk walk{0, step.a0 > 0};
        bool pending = false;
        int32_t run = 0;
        int32_t used = 0;
        ASSERT_TRUE(DecodeStep2D("0001", 1, step.colour, step.a0, step.above, count, run, used,
                                 pending, walk, kWidth));
        EXPECT_EQ(run, step.run);
        EXPECT_EQ(used, 4);
        EXPECT_FALSE(
            DecodeStep2D("0001", 0, step.colour, step.a0, step.above, count, run, used, pending));
    }
}

// Column arithmetic beyond 32 bits saturates instead of wrapping.
TEST(DecodeStep2D, ColumnArithmeticSaturates) {
    EXPECT_EQ(DecodeStep("1", 1, codec::kWhite, INT32_MIN, {INT32_MAX}),
              (Step{true, INT32_MAX, 1, false}));
    EXPECT_EQ(DecodeStep("0000011", 1, codec::kWhite, 0, {INT32_MAX}),
              (Step{true, INT32_MAX, 7, false}));
    EXPECT_EQ(DecodeStep("0000010"
                         "1",
                         1, codec::kBlack, INT32_MAX, {INT32_MIN, 0}),
              (Step{true, INT32_MIN, 7, false}));
}

} // namespace
} // namespace faxlens::reference
