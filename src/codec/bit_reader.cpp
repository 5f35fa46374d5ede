#include "codec/bit_reader.h"

#include <array>
#include <bit>
#include <cstring>

namespace faxlens::modConvert_TIF2DC {

namespace {

constexpr std::array<uint8_t, 256> kReversedBytes = [] {
    std::array<uint8_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        for (int bit = 0; bit < 8; ++bit)
            if (b & (1 << bit))
                table[static_cast<std::size_t>(b)] |= static_cast<uint8_t>(0x80 >> bit);
    return table;
}();

} // namespace

BitReader::BitReader(std::span<const uint8_t> data, bool lowBitFirst)
    : data_(data), lowBitFirst_(lowBitFirst), length_(static_cast<int64_t>(data.size()) * 8),
      lastOne_(-1) {
    for (std::size_t i = data_.size(); i-- > 0;) {
        if (const uint8_t byte = ByteAt(i); byte != 0) {
            lastOne_ = static_cast<int64_t>(i) * 8 + 7 - std::countr_zero(byte);
            break;
        }
    }
    Refill();
}

uint8_t BitReader::ByteAt(std::size_t index) const {
    return lowBitFirst_ ? kReversedBytes[data_[index]] : data_[index];
}

void BitReader::Refill() {
    while (buffered_ <= 56 && nextByte_ < data_.size()) {
        buffer_ |= uint64_t{ByteAt(nextByte_++)} << (56 - buffered_);
        buffered_ += 8;
    }
}

void BitReader::Seek(int64_t position) {
    position_ = position;
    buffer_ = 0;
    buffered_ = 0;
    if (position >= length_ || position < 0) {
        nextByte_ = data_.size();
        return;
    }
    nextByte_ = static_cast<std::size_t>(position / 8);
    Refill();
    const int within = static_cast<int>(position % 8);
    buffer_ <<= within;
    buffered_ -= within;
}

int64_t BitReader::NextOne() {
    if (lastOne_ < position_)
        return -1;
    if (buffer_ != 0)
        return position_ + std::countl_zero(buffer_);
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

} // namespace faxlens::modConvert_TIF2DC
