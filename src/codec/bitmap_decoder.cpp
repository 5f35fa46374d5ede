// Pages stored as plain bits, one bit a pixel, each row beginning on a byte boundary:
// uncompressed, or packed with PackBits.

#include "codec/page_decode.h"

#include <algorithm>

namespace faxlens::codec {

std::size_t BitmapRowBytes(int32_t width) {
    return (static_cast<std::size_t>(std::max(width, 0)) + 7) / 8;
}

void SetRowInk(RowSink* sink, int64_t row, std::span<const uint8_t> bits, int32_t width) {
    const int64_t pixels = std::min<int64_t>(std::max(width, 0), int64_t{8} * bits.size());
    const auto wholeBytes = static_cast<std::size_t>(pixels / 8);
    const int tail = static_cast<int>(pixels % 8);
    const auto tailMask = static_cast<uint8_t>(0xFF00 >> tail);
    const bool inked =
        std::any_of(bits.begin(), bits.begin() + static_cast<std::ptrdiff_t>(wholeBytes),
                    [](uint8_t byte) { return byte != 0; }) ||
        (tail != 0 && (bits[wholeBytes] & tailMask) != 0);
    uint8_t* const ink = inked ? sink->BeginInk(row) : nullptr;
    if (!ink)
        return;
    for (std::size_t i = 0; i < wholeBytes; ++i)
        ink[i] |= bits[i];
    if (tail != 0)
        ink[wholeBytes] |= bits[wholeBytes] & tailMask;
    sink->EndInk(row);
}

int64_t DecodeStripBitmap(RowSink* sink, std::span<const uint8_t> data, int32_t width, int32_t rows,
                          int64_t firstRow) {
    const std::size_t rowBytes = BitmapRowBytes(width);
    if (rowBytes == 0)
        return 0;
    int32_t r = 0;
    for (; r < rows; ++r) {
        const std::size_t start = static_cast<std::size_t>(r) * rowBytes;
        if (start >= data.size())
            break;
        const std::size_t length = std::min(rowBytes, data.size() - start);
        if (sink)
            SetRowInk(sink, firstRow + r, data.subspan(start, length), width);
    }
    return r;
}

std::vector<uint8_t> UnpackBits(std::span<const uint8_t> packed, std::size_t limit) {
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i < packed.size() && bytes.size() < limit;) {
        const auto n = static_cast<int8_t>(packed[i++]);
        if (n >= 0) { // n + 1 bytes as they stand
            const std::size_t count = std::min(
                {static_cast<std::size_t>(n) + 1, packed.size() - i, limit - bytes.size()});
            bytes.insert(bytes.end(), packed.begin() + static_cast<std::ptrdiff_t>(i),
                         packed.begin() + static_cast<std::ptrdiff_t>(i + count));
            i += static_cast<std::size_t>(n) + 1;
        } else if (n != -128 && i < packed.size()) { // the next byte 1 - n times
            const std::size_t count = std::min<std::size_t>(1 - n, limit - bytes.size());
            bytes.insert(bytes.end(), count, packed[i++]);
        }
    }
    return bytes;
}

} // namespace faxlens::codec
