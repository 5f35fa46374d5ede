#include "codec/code_tables.h"
#include "codec/reference/run_decoding.h"
#include "codec/reference/run_encoder.h"

#include <array>
#include <climits>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <string_view>

namespace faxlens::reference {
namespace {

using namespace codec;

using namespace std::string_literals;

// A character the strip decoders put after the valid part of a window.
constexpr char kPlaceholder = '\0';

struct RunResult {
    bool status;
    int32_t runLength;
    int32_t bitsUsed;
    bool operator==(const RunResult&) const = default;
};

std::ostream& operator<<(std::ostream& out, const RunResult& r) {
    return out << "{" << r.status << ", " << r.runLength << ", " << r.bitsUsed << "}";
}

RunResult Decode(std::string_view bits, codec::Colour colour, int32_t position = 1) {
    RunResult r{true, 12345, 12345};
    r.status = DecodeRun(bits, position, colour, r.runLength, r.bitsUsed);
    return r;
}

// --- NumberToBits --------------------------------------------------------------------------------

TEST(NumberToBits, GivesEightCharactersMostSignificantFirst) {
    EXPECT_EQ(NumberToBits(0), "00000000");
    EXPECT_EQ(NumberToBits(1), "00000001");
    EXPECT_EQ(NumberToBits(128), "10000000");
    EXPECT_EQ(NumberToBits(255), "11111111");
    EXPECT_EQ(NumberToBits(0x5A), "01011010");
}

TEST(NumberToBits, WriteByteBitsAgreesForEveryByte) {
    for (int value = 0; value < 256; ++value) {
        std::array<char, 10> out;
        out.fill('x');
        WriteByteBits(static_cast<uint8_t>(value), out.data() + 1);
        const std::string bits = NumberToBits(static_cast<int16_t>(value));
        EXPECT_EQ(std::string(out.begin() + 1, out.end() - 1), bits);
        EXPECT_EQ(out.front(), 'x');
        EXPECT_EQ(out.back(), 'x');
    }
}

TEST(NumberToBits, ValuesBeyondAByteGiveSixteenCharacters) {
    EXPECT_EQ(NumberToBits(256), "0000000100000000");
}

// --- DecodeRun: the described cases ------------------------------------------------------------

struct DecodeCase {
    const char* name;
    std::string bits;
    codec::Colour colour;
    RunResult expected;
};

const std::string kZeros11 = "00000000000";
const std::string k2560 = "000000011111";

TEST(DecodeRun, DescribedCases) {
    const DecodeCase cases[] = {
        {"white terminating", "0111", codec::kWhite, {true, 2, 4}},
        {"black terminating", "11", codec::kBlack, {true, 2, 2}},
        {"make-up then terminating", "11011"s + "0111", codec::kWhite, {true, 66, 9}},
        {"make-up 2560 twice", k2560 + k2560 + "00110101", codec::kWhite, {true, 5120, 32}},
        {"make-up 2560 twice, black",
         k2560 + k2560 + "0000110111",
         codec::kBlack,
         {true, 5120, 34}},
        {"black make-up 64 and 0", "0000001111"s + "0000110111", codec::kBlack, {true, 64, 20}},
        {"EOL after one fill zero", "0000000000001", codec::kWhite, {false, -1, 13}},
        {"EOL, black", "000000000001", codec::kBlack, {false, -1, 12}},
        {"EOL after many fill zeros", std::string(40, '0') + "1", codec::kWhite, {false, -1, 41}},
        {"EOL then data", "000000000001"s + "0111", codec::kWhite, {false, -1, 12}},
        {"ten zeros and a one", "00000000001", codec::kWhite, {false, 0, 0}},
        {"ten zeros and a one, black", "00000000001", codec::kBlack, {false, 0, 0}},
        {"EOL after make-up", "11011"s + "000000000001", codec::kWhite, {false, 64, 5}},
        {"zeros without a one", std::string(30, '0'), codec::kWhite, {false, 0, 0}},
        {"eleven zeros exactly", kZeros11, codec::kBlack, {false, 0, 0}},
        {"fewer than eleven zeros", "0000000", codec::kWhite, {false, 0, 0}},
        {"empty", "", codec::kWhite, {false, 0, 0}},
        {"ends inside a word", "0001", codec::kWhite, {false, 0, 0}},
        {"ends inside the word after make-up", "11011"s + "01", codec::kWhite, {false, 64, 5}},
        {"ends inside a black word", "00001101", codec::kBlack, {false, 0, 0}},
        {"white word cut short as black", "000011", codec::kBlack, {false, 0, 0}},
        {"placeholder inside a word", "01"s + kPlaceholder + "1", codec::kWhite, {false, 0, 0}},
        {"placeholder where a word's 0 is due", "1"s + kPlaceholder, codec::kBlack, {false, 0, 0}},
        {"placeholders after make-up",
         "11011"s + std::string(20, kPlaceholder),
         codec::kWhite,
         {false, 64, 5}},
        {"placeholders after eleven zeros",
         kZeros11 + std::string(20, kPlaceholder),
         codec::kWhite,
         {false, 0, 0}},
        {"word followed by placeholders",
         "0111"s + std::string(20, kPlaceholder),
         codec::kWhite,
         {true, 2, 4}},
    };
    for (const DecodeCase& c : cases)
        EXPECT_EQ(Decode(c.bits, c.colour), c.expected) << c.name;
}

TEST(DecodeRun, StartsAtTheOneBasedPosition) {
    EXPECT_EQ(Decode("110111", codec::kWhite, 3), (RunResult{true, 2, 4}));
    EXPECT_EQ(Decode("1000000000001", codec::kWhite, 2), (RunResult{false, -1, 12}));
    EXPECT_EQ(Decode("0111", codec::kWhite, 5), (RunResult{false, 0, 0}));
    EXPECT_EQ(Decode("0111", codec::kWhite, 99), (RunResult{false, 0, 0}));
    EXPECT_EQ(Decode("0111", codec::kWhite, 0), (RunResult{false, 0, 0}));
    EXPECT_EQ(Decode("0111", codec::kWhite, INT32_MIN), (RunResult{false, 0, 0}));
}

// --- DecodeRun: every code word
// -------------------------------------------------------------------

TEST(DecodeRun, EveryWordDecodesToItsRunWhateverFollows) {
    for (codec::Colour colour : {codec::kWhite, codec::kBlack}) {
        const CodeTable& table = CodeTableFor(colour);
        const codec::BitString& zero = table[0];
        for (int32_t i = 0; i < kCodeTableSize; ++i) {
            SCOPED_TRACE(testing::Message()
                         << (colour == codec::kBlack ? "black" : "white") << " index " << i);
            const codec::BitString& word = table[static_cast<std::size_t>(i)];
            const codec::BitString coded = i <= kLastTerminatingIndex ? word : word + zero;
            const RunResult expected{true, RunOfIndex(i), static_cast<int32_t>(coded.size())};
            EXPECT_EQ(Decode(coded, colour), expected);
            EXPECT_EQ(Decode(coded + "1111111111111", colour), expected);
            EXPECT_EQ(Decode(coded + kZeros11 + "1", colour), expected);
        }
    }
}

TEST(DecodeRun, EveryWordCutShortMatchesNothing) {
    for (codec::Colour colour : {codec::kWhite, codec::kBlack}) {
        const CodeTable& table = CodeTableFor(colour);
        const codec::BitString makeUp = table[static_cast<std::size_t>(MakeUpIndex(128))];
        for (const codec::BitString& word : table)
            for (std::size_t cut = 1; cut < word.size(); ++cut) {
                const std::string part = word.substr(0, cut);
                SCOPED_TRACE(part);
                EXPECT_EQ(Decode(part, colour), (RunResult{false, 0, 0}));
                EXPECT_EQ(Decode(part + kPlaceholder, colour), (RunResult{false, 0, 0}));
                EXPECT_EQ(Decode(makeUp + part, colour),
                          (RunResult{false, 128, static_cast<int32_t>(makeUp.size())}));
            }
    }
}

TEST(DecodeRun, RoundTripsEveryEncodedRunUpTo6000) {
    for (codec::Colour colour : {codec::kWhite, codec::kBlack})
        for (int32_t run = 0; run <= 6000; ++run) {
            const codec::BitString coded = EncodeRun(run, colour, "");
            ASSERT_EQ(Decode(coded, colour),
                      (RunResult{true, run, static_cast<int32_t>(coded.size())}))
                << (colour == codec::kBlack ? "black" : "white") << " run " << run;
        }
}

// Make-up words beyond 32 bits saturate at the largest 32-bit number instead of wrapping.
TEST(DecodeRun, ManyMakeUpWordsSaturateAtTheLargestInt32) {
    const std::size_t words = INT32_MAX / 2560 + 2;
    std::string bits;
    bits.reserve(words * k2560.size() + 4);
    for (std::size_t i = 0; i < words; ++i)
        bits += k2560;
    bits += "0111";
    EXPECT_EQ(Decode(bits, codec::kWhite),
              (RunResult{true, INT32_MAX, static_cast<int32_t>(bits.size())}));
}

// --- DecodeRun against the table search in index order
// ---------------------------------------------

// The decoder as the tables describe it: the EOL test, then each entry compared with the text in
// index order, first match wins.
RunResult DecodeByComparingWords(const std::string& bits, codec::Colour colour) {
    if (bits.substr(0, 11) == kZeros11) {
        const std::size_t one = bits.find('1');
        return one == std::string::npos ? RunResult{false, 0, 0}
                                        : RunResult{false, -1, static_cast<int32_t>(one + 1)};
    }
    const CodeTable& table = CodeTableFor(colour);
    RunResult result{false, 0, 0};
    std::size_t at = 0;
    for (;;) {
        int32_t match = -1;
        for (int32_t i = 0; i < kCodeTableSize && match < 0; ++i) {
            const codec::BitString& word = table[static_cast<std::size_t>(i)];
            if (at <= bits.size() && bits.substr(at, word.size()) == word)
                match = i;
        }
        if (match < 0)
            return result;
        at += table[static_cast<std::size_t>(match)].size();
        result.runLength += RunOfIndex(match);
        result.bitsUsed = static_cast<int32_t>(at);
        if (match <= kLastTerminatingIndex) {
            result.status = true;
            return result;
        }
    }
}

TEST(DecodeRun, AgreesWithTheWordByWordSearchOnAllShortTexts) {
    for (std::size_t length = 0; length <= 13; ++length)
        for (uint32_t pattern = 0; pattern < (1u << length); ++pattern) {
            std::string bits;
            for (std::size_t k = length; k-- > 0;)
                bits += (pattern >> k & 1) != 0 ? '1' : '0';
            for (codec::Colour colour : {codec::kWhite, codec::kBlack}) {
                ASSERT_EQ(Decode(bits, colour), DecodeByComparingWords(bits, colour)) << bits;
                const std::string padded = bits + std::string(3, kPlaceholder);
                ASSERT_EQ(Decode(padded, colour), DecodeByComparingWords(padded, colour)) << bits;
            }
        }
}

// Chains of make-up and terminating words, cut, flipped or padded at random.
TEST(DecodeRun, AgreesWithTheWordByWordSearchOnDamagedWordChains) {
    std::mt19937 random(20240611);
    for (int trial = 0; trial < 20000; ++trial) {
        const codec::Colour colour = trial % 2 == 0 ? codec::kWhite : codec::kBlack;
        const CodeTable& table = CodeTableFor(colour);
        std::string bits;
        const int words = 1 + static_cast<int>(random() % 4);
        for (int w = 0; w < words; ++w)
            bits += table[random() % kCodeTableSize];
        switch (random() % 4) {
        case 0:
            bits.resize(random() % (bits.size() + 1));
            break;
        case 1:
            bits[random() % bits.size()] ^= 1; // '0' <-> '1'
            break;
        case 2:
            bits.insert(random() % (bits.size() + 1), 1, kPlaceholder);
            break;
        default:
            break;
        }
        ASSERT_EQ(Decode(bits, colour), DecodeByComparingWords(bits, colour)) << bits;
    }
}

} // namespace
} // namespace faxlens::reference
