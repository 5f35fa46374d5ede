// Listing and reporting a file of arbitrary bytes, and opening its pages as the viewer does
// (pages up to a quarter of a million pixels, so that a run stays small).

#include "codec/page_decode.h"
#include "fuzz_support.h"
#include "tiff/page_info.h"
#include "tiff/tag_report.h"
#include "tiff/tiff_reader.h"

#include <algorithm>

namespace {
constexpr int32_t kImagesLookedAt = 4;
constexpr int64_t kMostPixels = 1 << 18;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace faxlens;
    static fuzz::InputFile input;
    const std::string& path = input.Write(data, size);

    std::vector<int32_t> offsets;
    int32_t count = 0;
    ListImages(path, offsets, count, 0);
    for (int32_t i = 0; i < std::min(count, kImagesLookedAt); ++i) {
        (void)BuildTagReport(path, offsets[static_cast<std::size_t>(i)]);
        TiffPage page;
        GetPageInfo(path, offsets[static_cast<std::size_t>(i)], page);
        if (int64_t{page.width} * page.height <= kMostPixels)
            (void)modConvert_TIF2DC::DecodePage(path, offsets[static_cast<std::size_t>(i)]);
    }
    return 0;
}
