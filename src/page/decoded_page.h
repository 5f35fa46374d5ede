#pragma once

// A page of a file decoded into a surface of its own, as the viewer shows it and faxlens-cli
// works on it, or only decoded to learn what its strips hold.

#include "base/result.h"
#include "base/work_check.h"
#include "codec/page_damage.h"
#include "page/page_surface.h"
#include "tiff/page_info.h"
#include "tiff/tiff_file.h"

#include <cstdint>
#include <memory>
#include <string>

namespace faxlens::page {

// Decodes every strip of the page into the surface, or without a surface only to learn what the
// strips hold; gives what was met besides sound data. A page whose codes call white black starts
// black and is painted white. A page without a decoder is left as it is. Fails only when the file
// cannot be read.
Result<codec::PageDamage> DecodePageIntoSurface(PageSurface* surface, const tiff::TiffFile& file,
                                                const tiff::TiffPage& page,
                                                const WorkCheck& check = {});

enum class PageStatus {
    Decoded,     // decoded by one of the decoders
    Unsupported, // no surface: the compression or sample layout cannot be shown
    NoSize,      // no surface: the width or height is missing or negative
    TooLarge,    // no surface: the page is beyond what a surface may take
};

struct DecodedPage {
    tiff::TiffPage page;
    std::unique_ptr<PageSurface> surface; // null unless the page has a usable size and is painted
    PageStatus status = PageStatus::NoSize;
    codec::PageDamage damage; // what decoding met besides sound data
};

// Whether a decoded page is painted into a surface, or only its strips decoded to learn what
// they hold, as a check of the file needs.
enum class Painting { Painted, NotPainted };

// Opens image ifdOffset of the file as the viewer does: page parameters, strip table, a white
// surface of the page's size, and the page decoded into it. Fails only when the file cannot be
// read.
Result<DecodedPage> DecodePage(const tiff::TiffFile& file, int64_t ifdOffset,
                               const WorkCheck& check = {}, Painting painting = Painting::Painted);
// The same for a page whose parameters were read already.
Result<DecodedPage> DecodePage(const tiff::TiffFile& file, tiff::TiffPage parameters,
                               const WorkCheck& check = {}, Painting painting = Painting::Painted);

// What the viewer shows, and faxlens-cli says, instead of a page that was not decoded; empty
// for a decoded page.
std::string PageProblem(const DecodedPage& decoded);
std::string PageProblem(const tiff::TiffPage& page, PageStatus status);

// What keeps the page from being decoded that its parameters tell already; Decoded when nothing
// does (the memory for its surface may still be lacking).
PageStatus StatusBeforeDecoding(const tiff::TiffPage& page);

} // namespace faxlens::page
