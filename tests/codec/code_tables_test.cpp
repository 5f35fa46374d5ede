#include "codec/code_tables.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace faxlens::codec {
namespace {

struct KnownRow {
    int32_t index;
    const char* white;
    const char* black;
};

// Code words checked one by one; the structural tests below cover the rest of the tables.
constexpr KnownRow kKnownRows[] = {
    {0, "00110101", "0000110111"},
    {1, "000111", "010"},
    {2, "0111", "11"},
    {3, "1000", "10"},
    {19, "0001100", "00001100111"},
    {63, "00110100", "000001100111"},
    {64, "11011", "0000001111"},
    {65, "10010", "000011001000"},
    {71, "01100101", "0000001101100"},
    {72, "01101000", "0000001101101"},
    {89, "011000", "0000001100100"},
    {90, "010011011", "0000001100101"},
    {91, "00000001000", "00000001000"},
    {92, "00000001100", "00000001100"},
    {93, "00000001101", "00000001101"},
    {94, "000000010010", "000000010010"},
    {103, "000000011111", "000000011111"},
};

TEST(CodeTables, HoldTheKnownRows) {
    for (const KnownRow& row : kKnownRows) {
        SCOPED_TRACE(row.index);
        EXPECT_EQ(WhiteCodes()[static_cast<std::size_t>(row.index)], row.white);
        EXPECT_EQ(BlackCodes()[static_cast<std::size_t>(row.index)], row.black);
    }
}

TEST(CodeTables, ShareTheExtendedMakeUpWordsOnly) {
    for (int32_t i = 0; i < kCodeTableSize; ++i) {
        SCOPED_TRACE(i);
        const auto index = static_cast<std::size_t>(i);
        if (i >= MakeUpIndex(1792))
            EXPECT_EQ(WhiteCodes()[index], BlackCodes()[index]);
        else
            EXPECT_NE(WhiteCodes()[index], BlackCodes()[index]);
    }
}

TEST(CodeTables, WordsAreTwoToThirteenBitCharacters) {
    const struct {
        const CodeTable* table;
        std::size_t shortest;
        std::size_t longest;
    } tables[] = {{&WhiteCodes(), 4, 12}, {&BlackCodes(), 2, 13}};
    for (const auto& t : tables) {
        std::size_t shortest = 99;
        std::size_t longest = 0;
        for (const BitString& word : *t.table) {
            EXPECT_EQ(word.find_first_not_of("01"), BitString::npos) << word;
            shortest = std::min(shortest, word.size());
            longest = std::max(longest, word.size());
        }
        EXPECT_EQ(shortest, t.shortest);
        EXPECT_EQ(longest, t.longest);
    }
}

// The decoder tells an EOL by eleven zeros before it looks at the tables. No word may even begin
// with eight zeros: that corner of the code tree belongs to the EOL alone.
TEST(CodeTables, NoWordIsOrStartsLikeTheEndOfLine) {
    for (const CodeTable* table : {&WhiteCodes(), &BlackCodes()})
        for (const BitString& word : *table) {
            EXPECT_NE(word, kEndOfLine);
            EXPECT_FALSE(word.starts_with(kEndOfLineZeros)) << word;
            EXPECT_FALSE(word.starts_with("00000000")) << word;
        }
}

void ExpectPrefixFree(const CodeTable& table) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        for (std::size_t j = 0; j < table.size(); ++j) {
            if (i != j) {
                EXPECT_FALSE(table[j].starts_with(table[i]))
                    << "entry " << i << " (" << table[i] << ") begins entry " << j;
            }
        }
    }
}

TEST(CodeTables, AreEachAPrefixCode) {
    ExpectPrefixFree(WhiteCodes());
    ExpectPrefixFree(BlackCodes());
}

// Kraft sum in units of 2^-13. A prefix-free code whose sum reaches 1 - 2^-8 leaves no word
// unused outside the "00000000" corner (checked above). So a mistyped word keeps its length and
// collides with another one (caught as not prefix-free), or changes its length (caught here);
// two words swapped between indices are caught by the known rows and the libtiff cross-check.
int64_t KraftSum(const CodeTable& table) {
    int64_t sum = 0;
    for (const BitString& word : table)
        sum += int64_t{1} << (13 - word.size());
    return sum;
}

TEST(CodeTables, AreCompleteApartFromTheEndOfLineCorner) {
    constexpr int64_t kAllButEightZeros = (int64_t{1} << 13) - (int64_t{1} << 5);
    EXPECT_EQ(KraftSum(WhiteCodes()), kAllButEightZeros);
    EXPECT_EQ(KraftSum(BlackCodes()), kAllButEightZeros);
}

TEST(CodeTables, SecondInitChangesNothing) {
    InitCodeTables();
    EXPECT_TRUE(CodeTablesReady());
    const CodeTable* white = &WhiteCodes();
    const CodeTable white0 = WhiteCodes();
    const CodeTable black0 = BlackCodes();
    InitCodeTables();
    EXPECT_TRUE(CodeTablesReady());
    EXPECT_EQ(&WhiteCodes(), white);
    EXPECT_EQ(WhiteCodes(), white0);
    EXPECT_EQ(BlackCodes(), black0);
}

TEST(CodeTables, ColourChoosesTheTable) {
    EXPECT_EQ(&CodeTableFor(kWhite), &WhiteCodes());
    EXPECT_EQ(&CodeTableFor(kBlack), &BlackCodes());
}

TEST(CodeTables, MakeUpIndexAndRunOfIndexAgree) {
    EXPECT_EQ(MakeUpIndex(64), 64);
    EXPECT_EQ(MakeUpIndex(1728), 90);
    EXPECT_EQ(MakeUpIndex(1792), 91);
    EXPECT_EQ(MakeUpIndex(2560), 103);
    for (int32_t length = 64; length <= 2560; length += 64)
        EXPECT_EQ(RunOfIndex(MakeUpIndex(length)), length);
    EXPECT_EQ(RunOfIndex(63), 63);
}

} // namespace
} // namespace faxlens::codec
