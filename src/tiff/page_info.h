#pragma once

// The parameters of one image that the viewer needs to decode and show it: size, resolution,
// compression name and the table of its strips.

#include "base/result.h"
#include "tiff/tiff_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace faxlens::tiff {

// One slot of the strip table. A slot with a negative offset holds no strip.
struct StripSlot {
    int64_t offset = -1;
    int64_t byteCount = 0;

    bool HoldsStrip() const { return offset >= 0; }
};

// How a page's pixels are stored, as far as decoding needs to know; TIFF's defaults when a tag
// is missing.
struct PageCoding {
    int32_t compression = 1; // the Compression code; 1 (none) when the tag is missing
    int32_t t4Options = 0;
    int32_t fillOrder = 1;   // 2: the bits of every byte are taken least significant first
    int32_t photometric = 0; // 0 white is zero, 1 black is zero, 3 palette
    int32_t bitsPerSample = 1;
    int32_t samplesPerPixel = 1;
    int32_t predictor = 1; // 1: none
    bool tiled = false;    // stored in tiles rather than strips
    // A palette page of two colours: the index of the darker one; -1 without such a palette.
    int32_t paletteDarkIndex = -1;
    // The unit of the resolutions: 2 inches (the default), 3 centimetres, 1 none. The viewer
    // draws with the numbers as they stand; what goes out of it (saves, PDF, print, clipboard)
    // takes the unit into account.
    int32_t resolutionUnit = 2;
};

struct TiffPage {
    int64_t width = 0; // as the file gives them: up to 4294967295
    int64_t height = 0;
    int32_t xResolution = 0;
    int32_t yResolution = 0;
    std::string compressionName;
    int64_t rowsPerStrip = 0;
    std::vector<StripSlot> strips;
    PageCoding coding;
};

// The parameters of the image whose directory lies at ifdOffset, all from one reading of it:
// - width, height, the resolutions (rounded to whole dots per inch) and the compression name;
//   a page without width or without height gets all four numbers 0;
// - RowsPerStrip and the strip table from StripOffsets and StripByteCounts: one slot per listed
//   offset, in the file's order; offsets without a byte count (all of them when
//   StripByteCounts is missing) get a count of 0;
// - the coding: compression, T4Options, FillOrder, PhotometricInterpretation, BitsPerSample,
//   SamplesPerPixel, Predictor, ResolutionUnit, whether the page has tiles, and for a palette
//   page its darker colour.
// Fails only when the file cannot be read.
Result<TiffPage> ReadPageParameters(const TiffFile& file, int64_t ifdOffset);

} // namespace faxlens::tiff
