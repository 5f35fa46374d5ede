#pragma once

// The decoding window of a strip decoder: the not yet decoded part of a strip's bits as a
// BitString, refilled from the strip's bytes as decoding goes on.

#include "codec/codec_types.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace faxlens::reference {

// Fills the room after the valid bits of a window: neither '0' nor '1', so nothing matches it.
inline constexpr char kPlaceholder = '\0';

class StripWindow {
public:
    explicit StripWindow(std::span<const uint8_t> data) : data_(data) {}

    // The bits to decode, valid characters first; positions are 1-based.
    std::string_view Bits() const { return bits_; }
    int32_t Position() const { return position_; }
    void Advance(int32_t characters) { position_ += characters; }

    // Valid characters from the position on, and whether every byte is in the window.
    int64_t Remaining() const { return validLength_ - position_ + 1; }
    bool AllLoaded() const { return nextByte_ >= data_.size(); }
    bool Empty() const { return validLength_ == 0; }
    // Characters decoded since the start of the strip.
    int64_t Consumed() const { return dropped_ + position_ - 1; }

    // Drops what lies before the position and appends up to maxBytes more bytes, calling
    // afterByte with the number of bytes loaded so far in the strip after each one.
    void Append(std::size_t maxBytes, const std::function<void(std::size_t)>& afterByte);

    // Drops what lies before the position and lays the window out anew: the valid characters,
    // then room of placeholders (at least minRoom, and enough for maxBytes), over which up to
    // maxBytes more bytes are written.
    void Rebuild(std::size_t maxBytes, std::size_t minRoom);

    // Whether the n characters at the position are all '0'.
    bool ZerosAt(int32_t n) const;

private:
    void DropDecoded();

    std::span<const uint8_t> data_;
    std::size_t nextByte_ = 0;
    codec::BitString bits_;
    int64_t validLength_ = 0;
    int32_t position_ = 1;
    int64_t dropped_ = 0;
};

} // namespace faxlens::reference
