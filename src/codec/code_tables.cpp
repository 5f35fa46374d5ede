#include "codec/code_tables.h"

#include <atomic>

namespace faxlens::codec {

namespace {

constexpr std::size_t kOwnWordCount = 91; // terminating 0..63 and make-up 64..1728
constexpr std::size_t kSharedWordCount = kCodeTableSize - kOwnWordCount;

using OwnWords = std::array<std::string_view, kOwnWordCount>;

// Make-up code words of 1792 to 2560 pixels, the same for both colours (indices 91 to 103).
constexpr std::array<std::string_view, kSharedWordCount> kSharedMakeUpWords = {
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011",
    "000000010100", "000000010101", "000000010110", "000000010111", "000000011100",
    "000000011101", "000000011110", "000000011111"};

constexpr OwnWords kWhiteWords = {
    // terminating, runs 0 to 63
    "00110101", "000111", "0111", "1000", "1011", "1100", "1110", "1111",                 // 0-7
    "10011", "10100", "00111", "01000", "001000", "000011", "110100", "110101",           // 8-15
    "101010", "101011", "0100111", "0001100", "0001000", "0010111", "0000011", "0000100", // 16-23
    "0101000", "0101011", "0010011", "0100100", "0011000", "00000010", "00000011",        // 24-30
    "00011010", "00011011", "00010010", "00010011", "00010100", "00010101", "00010110",   // 31-37
    "00010111", "00101000", "00101001", "00101010", "00101011", "00101100", "00101101",   // 38-44
    "00000100", "00000101", "00001010", "00001011", "01010010", "01010011", "01010100",   // 45-51
    "01010101", "00100100", "00100101", "01011000", "01011001", "01011010", "01011011",   // 52-58
    "01001010", "01001011", "00110010", "00110011", "00110100",                           // 59-63
    // make-up, 64 to 1728
    "11011", "10010", "010111", "0110111", "00110110", "00110111", "01100100",    // 64-448
    "01100101", "01101000", "01100111", "011001100", "011001101", "011010010",    // 512-832
    "011010011", "011010100", "011010101", "011010110", "011010111", "011011000", // 896-1216
    "011011001", "011011010", "011011011", "010011000", "010011001", "010011010", // 1280-1600
    "011000", "010011011"};                                                       // 1664-1728

constexpr OwnWords kBlackWords = {
    // terminating, runs 0 to 63
    "0000110111", "010", "11", "10", "011", "0011", "0010", "00011",                // 0-7
    "000101", "000100", "0000100", "0000101", "0000111", "00000100", "00000111",    // 8-14
    "000011000", "0000010111", "0000011000", "0000001000", "00001100111",           // 15-19
    "00001101000", "00001101100", "00000110111", "00000101000", "00000010111",      // 20-24
    "00000011000", "000011001010", "000011001011", "000011001100", "000011001101",  // 25-29
    "000001101000", "000001101001", "000001101010", "000001101011", "000011010010", // 30-34
    "000011010011", "000011010100", "000011010101", "000011010110", "000011010111", // 35-39
    "000001101100", "000001101101", "000011011010", "000011011011", "000001010100", // 40-44
    "000001010101", "000001010110", "000001010111", "000001100100", "000001100101", // 45-49
    "000001010010", "000001010011", "000000100100", "000000110111", "000000111000", // 50-54
    "000000100111", "000000101000", "000001011000", "000001011001", "000000101011", // 55-59
    "000000101100", "000001011010", "000001100110", "000001100111",                 // 60-63
    // make-up, 64 to 1728
    "0000001111", "000011001000", "000011001001", "000001011011", "000000110011",        // 64-320
    "000000110100", "000000110101", "0000001101100", "0000001101101", "0000001001010",   // 384-640
    "0000001001011", "0000001001100", "0000001001101", "0000001110010", "0000001110011", // 704-960
    "0000001110100", "0000001110101", "0000001110110", "0000001110111", "0000001010010", // -1280
    "0000001010011", "0000001010100", "0000001010101", "0000001011010", "0000001011011", // -1600
    "0000001100100", "0000001100101"};                                                   // -1728

// A short initialiser list would leave empty words at the end unnoticed.
constexpr bool AllFilled(const OwnWords& words) {
    for (std::string_view word : words)
        if (word.empty())
            return false;
    return true;
}
static_assert(AllFilled(kWhiteWords) && AllFilled(kBlackWords));

struct CodeTables {
    CodeTable white;
    CodeTable black;
};

CodeTable TableOf(const OwnWords& ownWords) {
    CodeTable table;
    for (std::size_t i = 0; i < kOwnWordCount; ++i)
        table[i] = BitString(ownWords[i]);
    for (std::size_t i = 0; i < kSharedWordCount; ++i)
        table[kOwnWordCount + i] = BitString(kSharedMakeUpWords[i]);
    return table;
}

std::atomic<bool> tablesReady{false};

// The tables are the program's one piece of codec state: filled once, never changed, never freed.
// A function-local static makes the first fill safe should two threads ever meet here.
const CodeTables& FilledTables() {
    static const CodeTables tables{TableOf(kWhiteWords), TableOf(kBlackWords)};
    static const bool marked = (tablesReady.store(true, std::memory_order_release), true);
    (void)marked;
    return tables;
}

} // namespace

void InitCodeTables() {
    (void)FilledTables();
}

bool CodeTablesReady() {
    return tablesReady.load(std::memory_order_acquire);
}

const CodeTable& WhiteCodes() {
    return FilledTables().white;
}

const CodeTable& BlackCodes() {
    return FilledTables().black;
}

const CodeTable& CodeTableFor(Colour colour) {
    return colour == kBlack ? BlackCodes() : WhiteCodes();
}

} // namespace faxlens::codec
