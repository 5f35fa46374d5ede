#pragma once

// Where coded bits go: a BitWriter packs them into bytes, most significant bit first, through a
// 64-bit buffer; a TextBits appends them to a BitString. The coders are written once for both.

#include "codec/codec_types.h"

#include <cstdint>
#include <vector>

namespace faxlens::modTIF {

class BitWriter {
public:
    // Appends the last `length` bits of `bits` (length up to 32), the first most significant.
    void Put(uint32_t bits, int length) {
        buffer_ = buffer_ << length | (bits & ((uint64_t{1} << length) - 1));
        buffered_ += length;
        bitCount_ += length;
        while (buffered_ >= 8) {
            buffered_ -= 8;
            bytes_.push_back(static_cast<uint8_t>(buffer_ >> buffered_));
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
    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    uint64_t buffer_ = 0; // the last buffered_ bits are written but not yet in bytes_
    int buffered_ = 0;
    int64_t bitCount_ = 0;
};

// Bits appended to a BitString as the characters '0' and '1'.
class TextBits {
public:
    explicit TextBits(BitString& text) : text_(text) {}
    void Put(uint32_t bits, int length) {
        for (int i = length - 1; i >= 0; --i)
            text_ += (bits >> i & 1) != 0 ? '1' : '0';
    }
    void PutZeros(int64_t count) { text_.append(static_cast<std::size_t>(count), '0'); }
    int64_t BitCount() const { return static_cast<int64_t>(text_.size()); }

private:
    BitString& text_;
};

} // namespace faxlens::modTIF
