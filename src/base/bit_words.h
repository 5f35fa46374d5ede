#pragma once

// Rows of bits, the first pixel in the most significant bit of the first byte, read a 64-bit word
// at a time.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace faxlens {

// The eight bytes from p as one number, the first byte most significant.
inline uint64_t LoadBigEndian64(const uint8_t* p) {
    uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::little)
        word = __builtin_bswap64(word);
    return word;
}

// Writes a number as eight bytes from p, the most significant first.
inline void StoreBigEndian64(uint8_t* p, uint64_t word) {
    if constexpr (std::endian::native == std::endian::little)
        word = __builtin_bswap64(word);
    std::memcpy(p, &word, sizeof word);
}

// The bits of a row from bit `from` on, the first in the most significant place; at least 57 of
// them come from the row (and what follows it), the rest are 0. Eight bytes from the byte of
// `from` must be readable.
inline uint64_t BitsFrom(const uint8_t* row, int64_t from) {
    return LoadBigEndian64(row + (from >> 3)) << (from & 7);
}

// The 1 bits among bits [from, to) of a row; the bytes up to eight past the byte of `to` must be
// readable.
inline int64_t CountOnes(const uint8_t* row, int64_t from, int64_t to) {
    int64_t ones = 0;
    while (to - from > 56) {
        ones += std::popcount(BitsFrom(row, from) >> 8);
        from += 56;
    }
    if (to > from)
        ones += std::popcount(BitsFrom(row, from) >> (64 - (to - from)));
    return ones;
}

// The first pixel at or after `from` and before `end` whose bit is `value`; `end` when there is
// none. Rows are read a word at a time, so the 8 bytes after the byte of `end` must be readable.
inline int64_t NextBitOf(const uint8_t* row, int64_t from, int64_t end, bool value) {
    const uint64_t flip = value ? 0 : ~uint64_t{0};
    while (from < end) {
        // The shift brings in zeros, which are never taken for the bit looked for.
        const int skip = static_cast<int>(from & 7);
        const uint64_t word = (LoadBigEndian64(row + (from >> 3)) ^ flip) << skip;
        const int valid = 64 - skip;
        const int lead = std::countl_zero(word);
        if (lead < valid)
            return std::min(from + lead, end);
        from += valid;
    }
    return end;
}

// Cuts the span [from, to) of a row to its pixels 0 to width - 1; false when nothing is left.
inline bool ClipSpan(int64_t& from, int64_t& to, int64_t width) {
    from = from < 0 ? 0 : from;
    to = to > width ? width : to;
    return from < to;
}

// Spans of a row of bits gathered a 64-bit word at a time: the spans that share a word make one
// mask, handed to flush(word, mask) once the spans move on to another word. Finish hands on the
// last mask. Plain values, so that a painter keeps it in registers.
struct WordMask {
    int64_t word = -1; // the word the mask is for
    uint64_t mask = 0;

    // Adds pixels [from, to) of the row; from < to.
    template <typename Flush>
    void Add(int64_t from, int64_t to, Flush&& flush) {
        while (from < to) {
            const int64_t at = from >> 6;
            if (at != word) {
                Finish(flush);
                word = at;
            }
            const int64_t end = to < (at + 1) << 6 ? to : (at + 1) << 6;
            const int length = static_cast<int>(end - from);
            const uint64_t ones = length == 64 ? ~uint64_t{0} : (uint64_t{1} << length) - 1;
            mask |= ones << (64 - (from & 63) - length);
            from = end;
        }
    }
    template <typename Flush>
    void Finish(Flush&& flush) {
        if (mask != 0)
            flush(word, mask);
        mask = 0;
    }
};

// The bits of a byte turned round: the first pixel of FillOrder 2 into the top bit.
inline uint8_t ReversedByte(uint8_t byte) {
    static constexpr std::array<uint8_t, 256> kReversed = [] {
        std::array<uint8_t, 256> table{};
        for (int b = 0; b < 256; ++b)
            for (int bit = 0; bit < 8; ++bit)
                if (b & (1 << bit))
                    table[static_cast<std::size_t>(b)] |= static_cast<uint8_t>(0x80 >> bit);
        return table;
    }();
    return kReversed[byte];
}

// The bits of each of eight bytes turned round.
inline uint64_t ReverseBitsOfBytes(uint64_t word) {
    word = (word >> 1 & 0x5555555555555555) | (word & 0x5555555555555555) << 1;
    word = (word >> 2 & 0x3333333333333333) | (word & 0x3333333333333333) << 2;
    return (word >> 4 & 0x0F0F0F0F0F0F0F0F) | (word & 0x0F0F0F0F0F0F0F0F) << 4;
}

} // namespace faxlens
