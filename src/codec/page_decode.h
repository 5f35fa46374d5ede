#pragma once

// modConvert_TIF2DC: decoding a page's strips into its page surface. Group 3 strips go to the
// one-dimensional decoder, Group 4 strips to the two-dimensional one; black runs are painted,
// white runs are not (the surface starts white).

#include "tiff/event_pump.h"
#include "tiff/page_info.h"
#include "viewer/page_surface.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace faxlens::modConvert_TIF2DC {

enum class PageDecoder { None, Group3, Group4 };

// The decoder a compression name asks for: "group3" or "group4" in it, in any case.
PageDecoder DecoderFor(const std::string& compressionName);

// Reads each strip of the page from the file and decodes it into the surface, strip i from
// row i x RowsPerStrip. Returns false when the page has no decoder (it then stays white) or
// the file cannot be opened.
bool DecodePageIntoSurface(PageSurface& surface, const std::string& path, const TiffPage& page,
                           const EventPump& pump = {});

enum class PageStatus {
    Decoded,   // decoded by one of the decoders
    NoDecoder, // a white page: its compression has no decoder
    NoSize,    // no surface: the width or height is missing or negative
    TooLarge,  // no surface: the page is beyond what a surface may take
};

struct DecodedPage {
    TiffPage page;
    std::unique_ptr<PageSurface> surface; // null unless the page has a usable size
    PageStatus status = PageStatus::NoSize;
};

// Opens image ifdOffset of the file as the viewer does: page parameters, strip table, a white
// surface of the page's size, and the page decoded into it.
DecodedPage DecodePage(const std::string& path, int64_t ifdOffset, const EventPump& pump = {});

void DecodeStrip1D(PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                   int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
                   const EventPump& pump = {});

void DecodeStrip2D(PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                   int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
                   const EventPump& pump = {});

} // namespace faxlens::modConvert_TIF2DC
