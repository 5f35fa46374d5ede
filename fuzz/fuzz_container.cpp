// Listing and reporting a file of arbitrary bytes, and opening its pages as the viewer does
// (pages up to a quarter of a million pixels, so that a run stays small) and as a check does.

#include "codec/page_decode.h"
#include "fuzz_support.h"
#include "page/decoded_page.h"
#include "tiff/image_list.h"
#include "tiff/page_info.h"
#include "tiff/tag_report.h"

#include <algorithm>

namespace {
constexpr std::size_t kImagesLookedAt = 4;
constexpr int64_t kMostPixels = 1 << 18;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace faxlens;
    static fuzz::ProcessFile input("input");
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(input.Write(data, size));
    if (!file)
        return 0;
    const Result<tiff::ImageList> list = tiff::ListImages(*file);
    if (!list)
        __builtin_trap(); // a file read whole cannot fail to be read
    for (std::size_t i = 0; i < std::min(list->offsets.size(), kImagesLookedAt); ++i) {
        const int64_t offset = list->offsets[i];
        (void)tiff::BuildTagReport(*file, offset);
        const Result<tiff::TiffPage> page = tiff::ReadPageParameters(*file, offset);
        if (!page)
            __builtin_trap();
        // Each side is bounded first: their product may not fit in 64 bits.
        if (page->width > kMostPixels || page->height > kMostPixels ||
            page->width * page->height > kMostPixels)
            continue;
        const auto painted = page::DecodePage(*file, offset);
        const auto checked = page::DecodePage(*file, offset, {}, page::Painting::NotPainted);
        // A check meets what the viewer meets.
        if (!painted || !checked || painted->status != checked->status ||
            painted->damage.Describe() != checked->damage.Describe())
            __builtin_trap();
    }
    return 0;
}
