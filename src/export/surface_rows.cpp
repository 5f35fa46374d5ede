#include "export/surface_rows.h"

#include "base/bit_words.h"

#include <algorithm>

namespace faxlens::modConvert_DC2TIF {

float GreyLevel(int32_t red, int32_t green, int32_t blue) {
    const auto grey = static_cast<float>(0.2989 * red + 0.5866 * green + 0.1145 * blue);
    return std::clamp(grey, 0.0f, 255.0f);
}

bool PixelIsBlack(ColourValue colour, int32_t threshold) {
    if (colour == kColourBlack)
        return true;
    if (colour == kColourWhite)
        return false;
    return GreyLevel(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF) <= threshold;
}

int64_t NextBitOf(const uint8_t* row, int64_t from, int64_t end, bool value) {
    const uint64_t flip = value ? 0 : ~uint64_t{0};
    while (from < end) {
        // The shift brings in zeros, which are never taken for the bit looked for.
        const int skip = static_cast<int>(from & 7);
        const uint64_t word = (LoadBigEndian64(row + (from >> 3)) ^ flip) << skip;
        const int valid = 64 - skip;
        const int lead = std::countl_zero(word);
        if (lead < valid)
            return std::min(from + lead, end);
        from += valid;
    }
    return end;
}

} // namespace faxlens::modConvert_DC2TIF
