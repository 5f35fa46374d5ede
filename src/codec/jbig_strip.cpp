#include "codec/jbig_strip.h"

extern "C" {
#include <jbig85.h>
}

#include <algorithm>
#include <vector>

namespace faxlens::codec {

namespace {

// The stream goes to jbigkit in pieces of this many bytes, with a check between them.
constexpr std::size_t kPieceBytes = 16 * 1024;

// Where jbigkit's rows go: the sink, from firstRow on, no further than rowLimit rows.
struct RowsOut {
    RowSink* sink;
    int64_t firstRow;
    int32_t width;
    int32_t rowLimit;
    int64_t reached = 0;
};

// jbigkit's row callback: a row past the strip's share interrupts the decoding.
int TakeRow(const jbg85_dec_state*, unsigned char* start, std::size_t length, unsigned long y,
            void* file) {
    auto& out = *static_cast<RowsOut*>(file);
    if (y >= static_cast<unsigned long>(out.rowLimit))
        return 1;
    out.reached = static_cast<int64_t>(y) + 1;
    // A row of jbigkit is a row of plain bits, 1 for ink, as an uncompressed page holds it.
    DecodeStripBitmap(out.sink, std::span<const uint8_t>(start, length), out.width, 1,
                      out.firstRow + static_cast<int64_t>(y));
    return 0;
}

bool IsError(int result) {
    return result != JBG_EOK && result != JBG_EOK_INTR && result != JBG_EAGAIN;
}

bool AllZero(std::span<const uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

} // namespace

// jbigkit keeps three rows of the image (the row being decoded and the two above it, for its
// context), in a buffer of ours sized for the page's width: a stream of a wider image does not
// fit it and is refused by jbigkit before it decodes a row.
int64_t DecodeT85Strip(RowSink* sink, std::span<uint8_t> data, int32_t width, int32_t rowLimit,
                       int64_t firstRow, const WorkCheck& check, FaxStripEnd& end) {
    RowsOut out{sink, firstRow, width, rowLimit};
    if (width < 1 || rowLimit < 1)
        return 0;
    std::vector<unsigned char> rows(3 * ((static_cast<std::size_t>(width) + 7) / 8));
    jbg85_dec_state state{};
    jbg85_dec_init(&state, rows.data(), rows.size(), TakeRow, &out);
    std::size_t offset = 0;
    int result = JBG_EAGAIN;
    while (offset < data.size() && result == JBG_EAGAIN) {
        CheckWork(check);
        const std::size_t piece = std::min(kPieceBytes, data.size() - offset);
        std::size_t used = 0;
        result = jbg85_dec_in(&state, data.data() + offset, piece, &used);
        offset += used;
    }
    // A stream whose height was left open ends with its data.
    if (result == JBG_EAGAIN)
        result = jbg85_dec_end(&state);
    end.stopBit = static_cast<int64_t>(offset) * 8;
    const bool extra = result != JBG_EAGAIN && !IsError(result) &&
                       !AllZero(data.subspan(std::min(offset, data.size())));
    end.firstUnexplainedBit = IsError(result) || extra ? end.stopBit : -1;
    return out.reached;
}

} // namespace faxlens::codec
