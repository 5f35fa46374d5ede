#pragma once

// Reads the bits of a strip one code at a time through a 64-bit buffer, in either fill order.
// Bits past the end of the strip read as 0, but the reader always knows how many real bits are
// left, so that a code is recognised only when all of its bits are there. Everything is inline:
// a decoder keeps its reader in a local, and the compiler keeps its state in registers.
// The buffer past its `buffered_` bits holds 0s or the strip's own bits that follow them, never
// anything else, so that a refill may OR in bits already there.

#include "base/bit_words.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace faxlens::codec {

class BitReader {
public:
    // With lowBitFirst the bits of every byte are taken least significant first (FillOrder 2).
    BitReader(std::span<const uint8_t> data, bool lowBitFirst)
        : data_(data), lowBitFirst_(lowBitFirst), length_(static_cast<int64_t>(data.size()) * 8) {
        for (std::size_t i = data_.size(); i-- > 0;) {
            if (const uint8_t byte = ByteAt(i); byte != 0) {
                lastOne_ = static_cast<int64_t>(i) * 8 + 7 - std::countr_zero(byte);
                break;
            }
        }
        Refill();
    }

    // Bits taken so far; may run past the end when a skip does.
    [[gnu::always_inline]] int64_t Position() const { return end_ - buffered_; }
    int64_t Length() const { return length_; }
    // Real bits from the position on (0 or less at the end).
    [[gnu::always_inline]] int64_t Available() const { return length_ - Position(); }

    // The next n bits (1 to 32), the first in the most significant place of the n.
    [[gnu::always_inline]] uint32_t Peek(int n) {
        if (buffered_ < n)
            Refill();
        return PeekBuffered(n);
    }
    // How many bits the buffer holds: a Peek of up to so many needs no refill.
    [[gnu::always_inline]] int Buffered() const { return buffered_; }
    // The next n bits (1 to 32) where the buffer holds them.
    [[gnu::always_inline]] uint32_t PeekBuffered(int n) const {
        return static_cast<uint32_t>(buffer_ >> (64 - n));
    }
    [[gnu::always_inline]] void Skip(int64_t n) {
        if (n <= buffered_) {
            buffer_ <<= n;
            buffered_ -= static_cast<int>(n);
        } else {
            Seek(Position() + n);
        }
    }
    // How many of the buffered real bits ahead are 1 before the first 0, at most `most`, so that
    // SkipBuffered may take them.
    [[gnu::always_inline]] int OnesAhead(int64_t most) const {
        const int ones = std::min(std::countl_one(buffer_), buffered_);
        return static_cast<int>(std::min<int64_t>(ones, most));
    }
    // Skips n bits that are in the buffer (after a Peek of n or more with n real bits left).
    [[gnu::always_inline]] void SkipBuffered(int n) {
        buffer_ <<= n;
        buffered_ -= n;
    }
    // Fills the buffer to at least 56 bits without a branch on how many it holds, for a decoder
    // that refills on every step instead of on a test that follows no pattern. Only at positions
    // from 0 up to RefillStop(), where the eight bytes it reads lie in the data.
    [[gnu::always_inline]] void RefillInside() {
        uint64_t word = LoadBigEndian64(data_.data() + nextByte_);
        if (lowBitFirst_)
            word = ReverseBitsOfBytes(word);
        // The bytes that do not fit whole are ORed in again, with the same bits, next time.
        buffer_ |= word >> buffered_;
        const int bytes = (63 - buffered_) >> 3;
        nextByte_ += static_cast<std::size_t>(bytes);
        end_ += 8 * bytes;
        buffered_ |= 56; // buffered_ + 8 * bytes
    }
    // The position before which RefillInside may be used: the next unread byte lies at most 63
    // bits on from the position, and eight bytes from it must lie in the data.
    int64_t RefillStop() const { return length_ - 63 - 64; }

    void Seek(int64_t position) {
        buffer_ = 0;
        buffered_ = 0;
        if (position >= length_ || position < 0) {
            nextByte_ = data_.size();
            end_ = position;
            return;
        }
        nextByte_ = static_cast<std::size_t>(position / 8);
        end_ = position / 8 * 8;
        Refill();
        const int within = static_cast<int>(position % 8);
        buffer_ <<= within;
        buffered_ -= within;
    }

    // Whether n real bits follow and all are 0.
    bool ZerosAhead(int n) { return Available() >= n && Peek(n) == 0; }
    // Whether a 1 bit lies after the given position.
    bool OneAfter(int64_t position) const { return lastOne_ > position; }
    // The position of the last 1 bit of the data; -1 when there is none.
    int64_t LastOne() const { return lastOne_; }

    // The first 1 bit at or after the position; -1 when there is none.
    int64_t NextOne() const {
        if (lastOne_ < Position())
            return -1;
        if (buffer_ != 0)
            return Position() + std::countl_zero(buffer_);
        // Only zeros are buffered: look on from the first byte not yet read, eight at a time.
        std::size_t i = nextByte_;
        for (uint64_t word = 0; i + 8 <= data_.size(); i += 8) {
            std::memcpy(&word, data_.data() + i, 8);
            if (word != 0)
                break;
        }
        while (ByteAt(i) == 0)
            ++i;
        return static_cast<int64_t>(i) * 8 + std::countl_zero(ByteAt(i));
    }

private:
    uint8_t ByteAt(std::size_t index) const {
        return lowBitFirst_ ? ReversedByte(data_[index]) : data_[index];
    }

    [[gnu::always_inline]] void Refill() {
        if (nextByte_ + 8 <= data_.size()) {
            RefillInside();
            return;
        }
        while (buffered_ <= 55 && nextByte_ < data_.size()) {
            buffer_ |= uint64_t{ByteAt(nextByte_++)} << (56 - buffered_);
            buffered_ += 8;
            end_ += 8;
        }
    }

    std::span<const uint8_t> data_;
    bool lowBitFirst_;
    int64_t length_;
    int64_t lastOne_ = -1;
    // The position after the buffered bits: bits up to nextByte_, or where a seek out of the data
    // went. Moved by refills only, so that taking bits costs no more than shifting them out.
    int64_t end_ = 0;
    std::size_t nextByte_ = 0; // the first byte not yet in the buffer
    uint64_t buffer_ = 0;      // the next bits, the first in the top bit
    int buffered_ = 0;         // how many bits of the buffer come from the data, below 64
};

} // namespace faxlens::codec
