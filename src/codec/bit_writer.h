#pragma once

// Where coded bits go: a BitWriter packs them into bytes, most significant bit first, through a
// 64-bit buffer that goes to the bytes 32 bits at a time. The coders take any sink with its Put,
// PutZeros and BitCount.

#include "codec/codec_types.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace faxlens::codec {

class BitWriter {
public:
    // Appends the last `length` bits of `bits` (length up to 32), the first most significant.
    void Put(uint32_t bits, int length) {
        buffer_ = buffer_ << length | (bits & ((uint64_t{1} << length) - 1));
        buffered_ += length;
        bitCount_ += length;
        if (buffered_ >= 32) {
            buffered_ -= 32;
            AppendWord(static_cast<uint32_t>(buffer_ >> buffered_));
        }
    }
    void PutZeros(int64_t count) {
        for (; count > 32; count -= 32)
            Put(0, 32);
        Put(0, static_cast<int>(count));
    }
    // Bits written since the writer was made, whole bytes taken out included.
    int64_t BitCount() const { return bitCount_; }

    // The whole bytes written and not yet taken out; a part byte stays in the writer.
    std::span<const uint8_t> Bytes() {
        while (buffered_ >= 8) {
            buffered_ -= 8;
            Reserve(1);
            bytes_[size_++] = static_cast<uint8_t>(buffer_ >> buffered_);
        }
        return {bytes_.data(), size_};
    }
    // At least the whole bytes that Bytes() would give, without gathering them.
    std::size_t ByteCountAbout() const { return size_; }
    // The bytes that Bytes() gave are taken out.
    void TakeBytes() { size_ = 0; }

private:
    void Reserve(std::size_t more) {
        if (bytes_.size() - size_ < more)
            Grow(more);
    }
    [[gnu::noinline]] void Grow(std::size_t more) {
        bytes_.resize(std::max<std::size_t>(2 * bytes_.size(), size_ + more + 4096));
    }
    void AppendWord(uint32_t word) {
        Reserve(4);
        uint8_t* const at = bytes_.data() + size_;
        at[0] = static_cast<uint8_t>(word >> 24);
        at[1] = static_cast<uint8_t>(word >> 16);
        at[2] = static_cast<uint8_t>(word >> 8);
        at[3] = static_cast<uint8_t>(word);
        size_ += 4;
    }

    std::vector<uint8_t> bytes_; // the first size_ are written, the rest is room
    std::size_t size_ = 0;
    uint64_t buffer_ = 0; // the last buffered_ bits (fewer than 32 after a Put) are not yet bytes
    int buffered_ = 0;
    int64_t bitCount_ = 0;
};

} // namespace faxlens::codec
