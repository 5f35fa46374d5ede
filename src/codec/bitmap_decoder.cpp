// Pages stored as plain bits, one bit a pixel, each row beginning on a byte boundary:
// uncompressed, or packed with PackBits.

#include "codec/page_decode.h"

#include <algorithm>

namespace faxlens::codec {

namespace {

bool BitAt(std::span<const uint8_t> row, int32_t x) {
    return (row[static_cast<std::size_t>(x) / 8] >> (7 - x % 8)) & 1;
}

// Sets the runs of set bits of one row.
void PaintSetBits(RowPainter& painter, std::span<const uint8_t> row, int32_t width) {
    const int32_t available = static_cast<int32_t>(std::min<int64_t>(width, row.size() * 8));
    for (int32_t start = 0; start < available;) {
        if (!BitAt(row, start)) {
            ++start;
            continue;
        }
        int32_t end = start;
        while (end < available && BitAt(row, end))
            ++end;
        painter.Paint(start, end);
        start = end;
    }
}

} // namespace

std::size_t BitmapRowBytes(int32_t width) {
    return (static_cast<std::size_t>(std::max(width, 0)) + 7) / 8;
}

int64_t DecodeStripBitmap(RowSink* sink, std::span<const uint8_t> data, int32_t width, int32_t rows,
                          int64_t firstRow) {
    const std::size_t rowBytes = BitmapRowBytes(width);
    if (rowBytes == 0)
        return 0;
    RowPainter painter(sink);
    int32_t r = 0;
    for (; r < rows; ++r) {
        const std::size_t start = static_cast<std::size_t>(r) * rowBytes;
        if (start >= data.size())
            break;
        const std::size_t length = std::min(rowBytes, data.size() - start);
        painter.Start(firstRow + r);
        if (sink)
            PaintSetBits(painter, data.subspan(start, length), width);
    }
    painter.Finish();
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
