#include "codec/reference/strip_window.h"

#include "codec/reference/run_decoding.h"

#include <algorithm>

namespace faxlens::reference {

void StripWindow::DropDecoded() {
    const int64_t decoded = std::clamp<int64_t>(position_ - 1, 0, validLength_);
    bits_.erase(0, static_cast<std::size_t>(decoded));
    validLength_ -= decoded;
    dropped_ += decoded;
    bits_.resize(static_cast<std::size_t>(validLength_));
    position_ = 1;
}

void StripWindow::Append(std::size_t maxBytes, const std::function<void(std::size_t)>& afterByte) {
    DropDecoded();
    for (std::size_t n = 0; n < maxBytes && !AllLoaded(); ++n) {
        bits_.resize(bits_.size() + 8);
        reference::WriteByteBits(data_[nextByte_++], bits_.data() + validLength_);
        validLength_ += 8;
        if (afterByte)
            afterByte(nextByte_);
    }
}

void StripWindow::Rebuild(std::size_t maxBytes, std::size_t minRoom) {
    DropDecoded();
    const std::size_t bytes = std::min(maxBytes, data_.size() - nextByte_);
    bits_.resize(static_cast<std::size_t>(validLength_) + std::max(minRoom, 8 * bytes),
                 kPlaceholder);
    for (std::size_t n = 0; n < bytes; ++n) {
        reference::WriteByteBits(data_[nextByte_++], bits_.data() + validLength_);
        validLength_ += 8;
    }
}

bool StripWindow::ZerosAt(int32_t n) const {
    if (Remaining() < n)
        return false;
    const std::string_view next = std::string_view(bits_).substr(position_ - 1, n);
    return std::all_of(next.begin(), next.end(), [](char c) { return c == '0'; });
}

} // namespace faxlens::reference
