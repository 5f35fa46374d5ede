#include "export/surface_rows.h"

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

} // namespace faxlens::modConvert_DC2TIF
