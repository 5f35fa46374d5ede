#include "page/decoded_page.h"

#include "base/numbers.h"
#include "codec/page_decode.h"
#include "page/surface_row_sink.h"

#include <optional>

namespace faxlens::page {

Result<codec::PageDamage> DecodePageIntoSurface(PageSurface* surface, const tiff::TiffFile& file,
                                                const tiff::TiffPage& page,
                                                const WorkCheck& check) {
    if (surface == nullptr)
        return codec::DecodePageRows(nullptr, file, page, check);
    const bool inkIsWhite = codec::InkIsWhite(page);
    if (inkIsWhite && codec::DecoderFor(page) != codec::PageDecoder::None)
        surface->Fill(kColourBlack);
    SurfaceRowSink sink(*surface, inkIsWhite ? kColourWhite : kColourBlack);
    return codec::DecodePageRows(&sink, file, page, check);
}

Result<DecodedPage> DecodePage(const tiff::TiffFile& file, int64_t ifdOffset,
                               const WorkCheck& check, Painting painting) {
    Result<tiff::TiffPage> parameters = tiff::ReadPageParameters(file, ifdOffset);
    if (!parameters)
        return std::move(parameters).TakeFailure();
    return DecodePage(file, std::move(*parameters), check, painting);
}

PageStatus StatusBeforeDecoding(const tiff::TiffPage& page) {
    if (page.width <= 0 || page.height <= 0)
        return PageStatus::NoSize;
    if (codec::DecoderFor(page) == codec::PageDecoder::None)
        return PageStatus::Unsupported;
    if (!SurfaceSizeFits(page.width, page.height) || page.width > kInt32Max ||
        page.height > kInt32Max)
        return PageStatus::TooLarge;
    return PageStatus::Decoded;
}

Result<DecodedPage> DecodePage(const tiff::TiffFile& file, tiff::TiffPage parameters,
                               const WorkCheck& check, Painting painting) {
    DecodedPage decoded;
    decoded.page = std::move(parameters);
    const tiff::TiffPage& page = decoded.page;
    decoded.status = StatusBeforeDecoding(page);
    if (decoded.status != PageStatus::Decoded)
        return decoded;
    if (painting == Painting::Painted) {
        decoded.surface = CreatePageSurface(static_cast<int32_t>(page.width),
                                            static_cast<int32_t>(page.height), kColourWhite);
        if (!decoded.surface) { // the memory cannot be had
            decoded.status = PageStatus::TooLarge;
            return decoded;
        }
    }
    Result<codec::PageDamage> damage =
        DecodePageIntoSurface(decoded.surface.get(), file, page, check);
    if (!damage)
        return std::move(damage).TakeFailure();
    decoded.damage = std::move(*damage);
    decoded.status = PageStatus::Decoded;
    return decoded;
}

std::string PageProblem(const DecodedPage& decoded) {
    return PageProblem(decoded.page, decoded.status);
}

std::string PageProblem(const tiff::TiffPage& page, PageStatus status) {
    switch (status) {
    case PageStatus::Unsupported:
        return "This page cannot be shown: " + codec::UnsupportedReason(page) + ".";
    case PageStatus::TooLarge:
        return "This page is too large to show: " + std::to_string(page.width) + " x " +
               std::to_string(page.height) + " pixels.";
    case PageStatus::NoSize:
        return "This page has no usable width and height.";
    case PageStatus::Decoded:
        break;
    }
    return {};
}

} // namespace faxlens::page
