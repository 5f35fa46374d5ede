#pragma once

// The parameters of one image that the viewer needs to decode and show it: size, resolution,
// compression name and the table of its strips.

#include <cstdint>
#include <string>
#include <vector>

namespace faxlens {

// One slot of the strip table. A slot with a negative offset holds no strip.
struct StripSlot {
    int32_t offset = -1;
    int32_t byteCount = 0;

    bool HoldsStrip() const { return offset >= 0; }
};

struct TiffPage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t xResolution = 0;
    int32_t yResolution = 0;
    std::string compressionName;
    int32_t rowsPerStrip = 0;
    std::vector<StripSlot> strips;
};

// Fills width, height, the resolutions (rounded to whole dots per inch) and the compression
// name. A page without width or without height gets all four numbers 0.
void GetPageInfo(const std::string& path, int64_t ifdOffset, TiffPage& page);

// Fills RowsPerStrip and the strip table from StripOffsets and StripByteCounts: one slot per
// listed offset, in the file's order. Offsets without a byte count get a count of 0.
void GetStrips(const std::string& path, int64_t ifdOffset, TiffPage& page);

} // namespace faxlens
