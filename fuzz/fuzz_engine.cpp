// The decoding engine against the reference decoder on arbitrary strips: the first bytes choose a
// small page (width 1 to 2048, 1 to 64 rows), the fax coding, the fill order, an offset and
// whether the page is narrower than the strip; the rest is the strip. Both must paint the same
// pixels and reach the same rows, always, and the engine's trace of the strip must reach those rows
// and stop where the engine stops.

#include "codec/fax_trace.h"
#include "codec/page_decode.h"
#include "codec/reference/reference_decoder.h"
#include "codec/reference/surface_strips.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

namespace {

using namespace faxlens;
using namespace faxlens::codec;

using ReferenceDecoder = int64_t (*)(page::PageSurface&, std::span<const uint8_t>, int32_t, int32_t,
                                     int64_t, int64_t, page::ColourValue, const WorkCheck&);

struct Coding {
    FaxCoding engine;
    ReferenceDecoder reference;
};

constexpr Coding kCodings[] = {
    {FaxCoding::Group3, reference::DecodeStrip1D},
    {FaxCoding::Group4, reference::DecodeStrip2D},
    {FaxCoding::Group3TwoD, reference::DecodeStripGroup3TwoD},
    {FaxCoding::HuffmanRle, reference::DecodeStripHuffmanRle},
};

// Takes the codes and says nothing: the trace is run for where it ends.
struct NoListener final : FaxTraceListener {
    void Code(int64_t, const TracedCode&) override {}
    void RowEnds(int64_t) override {}
    void Stopped(int64_t, int64_t, int64_t, Expected) override {}
};

bool SamePlanes(const page::PageSurface& a, const page::PageSurface& b) {
    return a.IsBilevel() && b.IsBilevel() && a.Background() == b.Background() &&
           a.Ink() == b.Ink() &&
           std::memcmp(a.PlaneRow(0), b.PlaneRow(0), a.PlaneStride() * a.Height()) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const int32_t width = 1 + (data[0] | (data[1] & 0x07) << 8); // 1 to 2048
    const int32_t rows = 1 + data[2] % 64;
    const Coding& coding = kCodings[data[3] % 4];
    const bool lowBitFirst = (data[3] & 0x80) != 0;
    const int64_t xOffset = (data[3] & 0x40) != 0 ? -3 : 0;
    // A page narrower than the strip cuts its rows.
    const int32_t pageWidth = (data[3] & 0x20) != 0 ? std::max(width - 40, 1) : width;
    const std::span<const uint8_t> strip(data + 4, size - 4);

    // The reference reads bits most significant first: it gets the bytes turned round.
    std::vector<uint8_t> msbFirst(strip.begin(), strip.end());
    if (lowBitFirst)
        ReverseBitOrder(msbFirst);
    auto expected = page::CreatePageSurface(pageWidth, rows, page::kColourWhite);
    auto actual = page::CreatePageSurface(pageWidth, rows, page::kColourWhite);
    const int64_t expectedRows =
        coding.reference(*expected, msbFirst, width, rows, xOffset, 0, page::kColourBlack, {});
    FaxStripEnd end;
    const int64_t actualRows =
        test::PaintFaxStrip(coding.engine, actual.get(), strip, lowBitFirst, width, rows, xOffset,
                            0, page::kColourBlack, {}, &end);
    if (expectedRows != actualRows || !SamePlanes(*expected, *actual))
        __builtin_trap();
    NoListener listener;
    FaxStripEnd traceEnd;
    if (TraceFaxStrip(coding.engine, strip, lowBitFirst, width, rows, 0, listener, {}, &traceEnd) !=
            actualRows ||
        traceEnd.stopBit != end.stopBit || traceEnd.firstUnexplainedBit != end.firstUnexplainedBit)
        __builtin_trap();
    return 0;
}
