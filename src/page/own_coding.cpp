#include "page/own_coding.h"

#include "codec/page_decode.h"
#include "tiff/tiff_facts.h"

namespace faxlens::page {

bool MayKeepOwnCoding(const tiff::TiffFile& file, const tiff::TiffPage& page) {
    const auto& strips = page.strips;
    return page.coding.compression == tiff::compression::kGroup4 && strips.size() == 1 &&
           strips[0].byteCount > 0 && strips[0].offset + strips[0].byteCount <= file.Length();
}

std::vector<uint8_t> OwnCoding(const tiff::TiffFile& file, const tiff::TiffPage& page) {
    const tiff::StripSlot& strip = page.strips[0];
    std::vector<uint8_t> bytes = file.Read(strip.offset, static_cast<std::size_t>(strip.byteCount));
    if (page.coding.fillOrder == tiff::kFillOrderLowBitFirst)
        codec::ReverseBitOrder(bytes);
    return bytes;
}

} // namespace faxlens::page
