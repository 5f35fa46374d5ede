#pragma once

// Reads the bits of a strip one code at a time through a 64-bit buffer, in either fill order.
// Bits past the end of the strip read as 0, but the reader always knows how many real bits are
// left, so that a code is recognised only when all of its bits are there.

#include <cstddef>
#include <cstdint>
#include <span>

namespace faxlens::modConvert_TIF2DC {

class BitReader {
public:
    // With lowBitFirst the bits of every byte are taken least significant first (FillOrder 2).
    BitReader(std::span<const uint8_t> data, bool lowBitFirst);

    // Bits taken so far; may run past the end when a skip does.
    int64_t Position() const { return position_; }
    int64_t Length() const { return length_; }
    // Real bits from the position on (0 or less at the end).
    int64_t Available() const { return length_ - position_; }

    // The next n bits (1 to 32), the first in the most significant place of the n.
    uint32_t Peek(int n) {
        if (buffered_ < n)
            Refill();
        return static_cast<uint32_t>(buffer_ >> (64 - n));
    }
    void Skip(int64_t n) {
        if (n <= buffered_) {
            buffer_ = n == 64 ? 0 : buffer_ << n;
            buffered_ -= static_cast<int>(n);
            position_ += n;
        } else {
            Seek(position_ + n);
        }
    }
    void Seek(int64_t position);

    // Whether n real bits follow and all are 0.
    bool ZerosAhead(int n) { return Available() >= n && Peek(n) == 0; }
    // The first 1 bit at or after the position; -1 when there is none.
    int64_t NextOne();
    // Whether a 1 bit lies after the given position.
    bool OneAfter(int64_t position) const { return lastOne_ > position; }

private:
    uint8_t ByteAt(std::size_t index) const;
    void Refill();

    std::span<const uint8_t> data_;
    bool lowBitFirst_;
    int64_t length_;
    int64_t lastOne_;
    int64_t position_ = 0;
    std::size_t nextByte_ = 0; // the first byte not yet in the buffer
    uint64_t buffer_ = 0;      // the next bits, the first in the top bit
    int buffered_ = 0;         // how many bits of the buffer come from the data
};

} // namespace faxlens::modConvert_TIF2DC
