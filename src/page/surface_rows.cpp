#include "page/surface_rows.h"

#include "base/bit_words.h"

#include <algorithm>

namespace faxlens::page {

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

void SurfaceRows::RowChanges(int32_t y, int32_t width, codec::ChangeList& changes) const {
    changes.clear();
    int32_t column = 0;
    ScanRow(surface_, y, width, [&](codec::Colour, int32_t run) {
        column += run;
        changes.push_back(column);
    });
}

} // namespace faxlens::page
