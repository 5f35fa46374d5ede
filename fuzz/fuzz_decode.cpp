// The strip decoders on arbitrary bytes: the first bytes choose the page size (small), the
// decoder and the fill order, the rest is the strip. Bit 6 of the fourth byte chooses JBIG
// (T.85 and T.82 alike: the stream's header says which).

#include "codec/jbig_strip.h"
#include "codec/page_decode.h"
#include "codec/strip_unpacking.h"
#include "page/surface_row_sink.h"

#include <span>

namespace {

using namespace faxlens;
using namespace faxlens::codec;

constexpr FaxCoding kFaxCodings[] = {FaxCoding::Group3, FaxCoding::Group4, FaxCoding::Group3TwoD,
                                     FaxCoding::HuffmanRle};

int64_t Decode(int choice, page::PageSurface& surface, std::span<uint8_t> strip, int32_t width,
               int32_t rows) {
    page::SurfaceRowSink sink(surface, page::kColourBlack);
    if (choice == 8) {
        FaxStripEnd end;
        return DecodeJbigStrip(&sink, strip, width, rows, 0, {}, end);
    }
    if (choice < 4)
        return DecodeFaxStrip(kFaxCodings[choice], &sink, strip, false, width, rows, 0);
    if (choice == 4)
        return DecodeStripBitmap(&sink, strip, width, rows, 0);
    const std::size_t limit = BitmapRowBytes(width) * static_cast<std::size_t>(rows);
    const auto bytes = choice == 5   ? UnpackBits(strip, limit)
                       : choice == 6 ? UnpackLzw(strip, limit)
                                     : Inflate(strip, limit);
    return DecodeStripBitmap(&sink, bytes, width, rows, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const int32_t width = 1 + (data[0] | (data[1] & 0x07) << 8); // 1 to 2048
    const int32_t rows = 1 + data[2] % 64;
    const int choice = (data[3] & 0x40) != 0 ? 8 : data[3] % 8;
    const bool leastSignificantFirst = data[3] & 0x80;
    std::vector<uint8_t> strip(data + 4, data + size);
    if (leastSignificantFirst)
        ReverseBitOrder(strip);
    auto surface = page::CreatePageSurface(width, rows, page::kColourWhite);
    Decode(choice, *surface, strip, width, rows);
    for (int32_t y = 0; y < rows; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const page::ColourValue c = surface->Pixel(x, y);
            if (c != page::kColourWhite && c != page::kColourBlack)
                __builtin_trap(); // only the two colours are ever painted
        }
    return 0;
}
