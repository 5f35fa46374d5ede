#pragma once

// Where coded bits go: a BitWriter packs them into bytes, most significant bit first, through a
// 64-bit buffer. The coders take any sink with its Put, PutZeros and BitCount.

#include "codec/codec_types.h"

#include <cstdint>
#include <vector>

namespace faxlens::codec {

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

} // namespace faxlens::codec
