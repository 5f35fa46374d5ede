#include "codec/jbig_strip.h"

extern "C" {
#include <jbig.h>
#include <jbig85.h>
}

#include <algorithm>
#include <optional>
#include <vector>

namespace faxlens::codec {

namespace {

// The stream goes to jbigkit in pieces of this many bytes, with a check between them.
constexpr std::size_t kPieceBytes = 16 * 1024;

// The bi-level image header that starts every stream: DL, D, P, a reserved byte, XD, YD and L0
// (four bytes each, most significant first), MX, MY, the order byte and the options byte.
constexpr std::size_t kHeaderBytes = 20;
constexpr std::size_t kOrderAt = 18;
constexpr std::size_t kOptionsAt = 19;

struct ImageHeader {
    int lowestLayer;
    int layers;
    int planes;
    uint32_t width;
    uint32_t height;
    int options;
};

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

std::optional<ImageHeader> ReadHeader(std::span<const uint8_t> data) {
    if (data.size() < kHeaderBytes)
        return std::nullopt;
    return ImageHeader{
        data[0], data[1], data[2], BigEndian32(&data[4]), BigEndian32(&data[8]), data[kOptionsAt]};
}

// libtiff writes the streams of its JBIG pages with the bits of every byte reversed under
// FillOrder 1, and reads them so. The header's plane count of a bi-level image (1) tells which
// way round a stream is: reversed it reads 0x80.
void TurnRoundIfReversed(std::span<uint8_t> data) {
    if (data.size() > 2 && data[2] == 0x80)
        ReverseBitOrder(data);
}

// A private table of deterministic prediction follows the header.
bool HoldsPredictionTable(int options) {
    return (options & JBG_DPON) && (options & JBG_DPPRIV) && !(options & JBG_DPLAST);
}

// A stream of one layer and one plane is a T.85 stream once its header says nothing of what
// only higher layers and more planes use: the order of layers and planes, and the predictions
// of differential layers (the T.82 encoders, libtiff's among them, set them all the same).
// Clearing them changes no pixel; jbigkit's T.85 decoder refuses a header that keeps them.
bool NarrowToT85(std::span<uint8_t> data, const ImageHeader& header) {
    if (header.lowestLayer != 0 || header.layers != 0 || header.planes != 1 ||
        HoldsPredictionTable(header.options))
        return false;
    data[kOrderAt] = 0;
    data[kOptionsAt] =
        static_cast<uint8_t>(header.options & (JBG_LRLTWO | JBG_VLENGTH | JBG_TPBON));
    return true;
}

// Where jbigkit's rows go: the sink, from firstRow on, no further than rowLimit rows.
struct RowsOut {
    RowSink* sink;
    int64_t firstRow;
    int32_t width;
    int32_t rowLimit;
    int64_t reached = 0;

    void Take(const uint8_t* bits, int64_t y) {
        // A row of jbigkit is a row of plain bits, 1 for ink, as an uncompressed page holds it.
        if (sink)
            SetRowInk(sink, firstRow + y, std::span<const uint8_t>(bits, BitmapRowBytes(width)),
                      width);
        reached = y + 1;
    }
};

// jbigkit's row callback: a row past the strip's share interrupts the decoding.
int TakeRow(const jbg85_dec_state*, unsigned char* start, std::size_t, unsigned long y,
            void* file) {
    auto& out = *static_cast<RowsOut*>(file);
    if (y >= static_cast<unsigned long>(out.rowLimit))
        return 1;
    out.Take(start, static_cast<int64_t>(y));
    return 0;
}

// jbigkit's results carry a detail in their low four bits.
int Kind(int result) {
    return result & 0xF0;
}

bool IsError(int result) {
    return Kind(result) != JBG_EOK && Kind(result) != JBG_EOK_INTR && Kind(result) != JBG_EAGAIN;
}

bool AllZero(std::span<const uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

// Feeds the stream to a decoder in pieces until it wants no more; gives its last answer and
// how many bytes it took.
template <typename Decode>
int FeedInPieces(std::span<uint8_t> data, const WorkCheck& check, std::size_t& offset,
                 Decode decode) {
    int result = JBG_EAGAIN;
    while (offset < data.size() && result == JBG_EAGAIN) {
        CheckWork(check);
        const std::size_t piece = std::min(kPieceBytes, data.size() - offset);
        std::size_t used = 0;
        result = decode(data.data() + offset, piece, &used);
        offset += used;
    }
    return result;
}

void NoteWhereItStopped(std::span<const uint8_t> data, std::size_t offset, int result,
                        FaxStripEnd& end) {
    end.stopBit = static_cast<int64_t>(offset) * 8;
    const bool extra = result != JBG_EAGAIN && !IsError(result) &&
                       !AllZero(data.subspan(std::min(offset, data.size())));
    end.firstUnexplainedBit = IsError(result) || extra ? end.stopBit : -1;
}

// jbigkit keeps three rows of the image (the row being decoded and the two above it, for its
// context), in a buffer of ours sized for the page's width.
int DecodeRowByRow(RowsOut& out, std::span<uint8_t> data, const WorkCheck& check,
                   std::size_t& offset) {
    std::vector<unsigned char> rows(3 * BitmapRowBytes(out.width));
    jbg85_dec_state state{};
    jbg85_dec_init(&state, rows.data(), rows.size(), TakeRow, &out);
    int result =
        FeedInPieces(data, check, offset, [&state](uint8_t* p, std::size_t n, std::size_t* used) {
            return jbg85_dec_in(&state, p, n, used);
        });
    // A stream whose height was left open ends with its data.
    if (result == JBG_EAGAIN)
        result = jbg85_dec_end(&state);
    return result;
}

// jbigkit's T.82 decoder, which frees what it holds however the decoding ends.
class WholeImageDecoder {
public:
    WholeImageDecoder() { jbg_dec_init(&state_); }
    ~WholeImageDecoder() { jbg_dec_free(&state_); }
    WholeImageDecoder(const WholeImageDecoder&) = delete;
    WholeImageDecoder& operator=(const WholeImageDecoder&) = delete;

    jbg_dec_state* State() { return &state_; }

private:
    jbg_dec_state state_{};
};

// A progressive stream: every layer up to the full image is decoded into memory, then its rows
// are handed on. The image must fit the strip's rows, so it never costs more than the page.
int DecodeWholeImage(RowsOut& out, std::span<uint8_t> data, const WorkCheck& check,
                     std::size_t& offset) {
    // An open height becomes the one a NEWLEN marker gives, as the T.82 decoder wants it.
    jbg_newlen(data.data(), data.size());
    const std::optional<ImageHeader> header = ReadHeader(data);
    if (!header || header->planes != 1 || header->height > static_cast<uint32_t>(out.rowLimit))
        return JBG_EIMPL;
    WholeImageDecoder decoder;
    jbg_dec_maxsize(decoder.State(), header->width, header->height);
    const int result =
        FeedInPieces(data, check, offset, [&decoder](uint8_t* p, std::size_t n, std::size_t* used) {
            return jbg_dec_in(decoder.State(), p, n, used);
        });
    // jbigkit has an image to give only once the stream is decoded whole.
    if (Kind(result) != JBG_EOK)
        return IsError(result) ? result : JBG_EAGAIN;
    const uint8_t* image = jbg_dec_getimage(decoder.State(), 0);
    if (!image || jbg_dec_getwidth(decoder.State()) != header->width ||
        jbg_dec_getheight(decoder.State()) != header->height)
        return JBG_EINVAL;
    const std::size_t rowBytes = BitmapRowBytes(out.width);
    for (uint32_t y = 0; y < header->height; ++y)
        out.Take(image + y * rowBytes, y);
    return result;
}

} // namespace

int64_t DecodeJbigStrip(RowSink* sink, std::span<uint8_t> data, int32_t width, int32_t rowLimit,
                        int64_t firstRow, const WorkCheck& check, FaxStripEnd& end) {
    RowsOut out{sink, firstRow, width, rowLimit};
    if (width < 1 || rowLimit < 1)
        return 0;
    TurnRoundIfReversed(data);
    const std::optional<ImageHeader> header = ReadHeader(data);
    std::size_t offset = 0;
    int result = JBG_EINVAL;
    if (header && header->width == static_cast<uint32_t>(width)) {
        result = NarrowToT85(data, *header) ? DecodeRowByRow(out, data, check, offset) : JBG_EIMPL;
        // What the T.85 decoder cannot take before its first row (more layers, a template moved
        // down) goes to the T.82 decoder.
        if (Kind(result) == JBG_EIMPL && out.reached == 0) {
            offset = 0;
            result = DecodeWholeImage(out, data, check, offset);
        }
    }
    NoteWhereItStopped(data, offset, result, end);
    return out.reached;
}

} // namespace faxlens::codec
