#include "codec/code_tables.h"
#include "codec/reference/run_encoder.h"

#include <climits>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace faxlens::reference {
namespace {

using namespace codec;

using namespace std::string_literals;

const std::string k2560 = "000000011111";
const std::string kEol = "000000000001";

TEST(EncodeRun, DescribedRuns) {
    const struct {
        int32_t run;
        codec::Colour colour;
        std::string expected;
    } cases[] = {
        {0, codec::kWhite, "00110101"},
        {0, codec::kBlack, "0000110111"},
        {64, codec::kWhite, "11011"s + "00110101"},
        {1728, codec::kWhite, "010011011"s + "00110101"},
        {2560, codec::kWhite, k2560 + "00110101"},
        {2561, codec::kWhite, k2560 + "000111"},
        {5200, codec::kWhite, k2560 + k2560 + "11011" + "101010"},
        {5200, codec::kBlack, k2560 + k2560 + "0000001111" + "0000010111"},
        {3, codec::kBlack, "10"},
        {8, codec::kBlack, "000101"},
        {63, codec::kWhite, "00110100"},
        {127, codec::kBlack, "0000001111"s + "000001100111"},
        {2624, codec::kWhite, k2560 + "11011" + "00110101"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeRun(c.run, c.colour, ""), c.expected)
            << "run " << c.run << (c.colour == codec::kBlack ? " black" : " white");
}

TEST(EncodeRun, EndOfLineIsFilledToAByteBoundary) {
    EXPECT_EQ(EncodeRun(-1, codec::kWhite, std::string(17, '1')), "000" + kEol);
    EXPECT_EQ(EncodeRun(-1, codec::kWhite, "0111"), kEol);
    EXPECT_EQ(EncodeRun(-1, codec::kWhite, ""), "0000" + kEol);
    for (std::size_t length = 0; length <= 40; ++length) {
        const std::string line(length, '0');
        const std::string eol = EncodeRun(-1, codec::kWhite, line);
        EXPECT_EQ((length + eol.size()) % 8, 0u) << length;
        EXPECT_TRUE(eol.ends_with(kEol)) << length;
        EXPECT_LE(eol.size(), kEol.size() + 7) << length;
        EXPECT_EQ(eol.find_first_not_of('0'), eol.size() - 1) << length;
    }
}

TEST(EncodeRun, AnyNegativeRunIsTheSameEndOfLineInEitherColour) {
    for (const std::string& line : {""s, "0"s, std::string(17, '1'), std::string(100, '0')}) {
        const std::string eol = EncodeRun(-1, codec::kWhite, line);
        for (int32_t run : {-1, -5, INT32_MIN})
            for (codec::Colour colour : {codec::kWhite, codec::kBlack}) {
                EXPECT_EQ(EncodeRun(run, colour, line), eol);
            }
    }
}

TEST(EncodeRun, LeavesTheLineSoFarAlone) {
    const std::string line = "0111";
    const std::string before = line;
    (void)EncodeRun(-1, codec::kBlack, line);
    (void)EncodeRun(100, codec::kBlack, line);
    EXPECT_EQ(line, before);
}

TEST(EncodeRun, ExactMultiplesOf64EndWithTerminatingZero) {
    for (codec::Colour colour : {codec::kWhite, codec::kBlack})
        for (int32_t run = 64; run <= 8000; run += 64)
            EXPECT_TRUE(EncodeRun(run, colour, "").ends_with(CodeTableFor(colour)[0])) << run;
}

TEST(EncodeRun, LongestRunRepeatsTheLongestMakeUp) {
    const std::string coded = EncodeRun(INT32_MAX, codec::kWhite, "");
    const std::size_t fullChunks = INT32_MAX / 2560; // then 2047 = 1984 + 63 remains
    EXPECT_EQ(coded.size(), fullChunks * k2560.size() + 12 + 8);
    EXPECT_TRUE(coded.ends_with("000000010010"s + "00110100"));
}

TEST(AppendRun, BuildsTheSameLineAsEncodeRun) {
    const struct {
        int32_t run;
        codec::Colour colour;
    } runs[] = {{0, codec::kWhite},  {5, codec::kBlack},  {1700, codec::kWhite},
                {23, codec::kBlack}, {0, codec::kWhite},  {3000, codec::kBlack},
                {-1, codec::kWhite}, {12, codec::kWhite}, {-1, codec::kWhite}};
    std::string byEncode;
    std::string byAppend;
    for (const auto& r : runs) {
        byEncode += EncodeRun(r.run, r.colour, byEncode);
        AppendRun(byAppend, r.run, r.colour);
        ASSERT_EQ(byAppend, byEncode);
    }
    EXPECT_EQ(byAppend.size() % 8, 0u);
}

// --- bits to bytes -----------------------------------------------------------------------

TEST(BitsToBytes, PacksWholeBytesMostSignificantBitFirst) {
    const struct {
        std::string line;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"", {}},
        {"10000000", {0x80}},
        {"00000001", {0x01}},
        {"0100110110011010", {0x4D, 0x9A}},
        {"1x1y1 1-1", {0xAA}},    // only '1' is a one bit
        {"111111110000", {0xFF}}, // a part byte at the end is left out
        {"1111111", {}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes{7, 7, 7, 7, 7};
        BitsToBytes(c.line, bytes);
        EXPECT_EQ(bytes, c.bytes) << '"' << c.line << '"';
    }
}

// --- the bytes of the strip --------------------------------------------------------------

// Group 3 strips open with an EOL of their own (00 01) before the first row, so that readers
// which expect an EOL before every row find row 0; the rows that follow are the modified
// Huffman codes of their runs, fill bits and their closing EOL.
} // namespace
} // namespace faxlens::reference
