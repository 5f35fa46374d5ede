#include "page/viewed_page.h"

#include "base/numbers.h"
#include "encode/page_encoder.h"
#include "page/surface_rows.h"
#include "tiff/tiff_facts.h"

namespace faxlens::page {

Result<ViewedPage> ViewedPage::Open(const tiff::TiffFile& file, int64_t ifdOffset,
                                    const EventPump& pump, Painting painting) {
    Result<tiff::TiffPage> parameters = tiff::ReadPageParameters(file, ifdOffset);
    if (!parameters)
        return std::move(parameters).TakeFailure();
    return Open(file, std::move(*parameters), pump, painting);
}

Result<ViewedPage> ViewedPage::Open(const tiff::TiffFile& file, tiff::TiffPage parameters,
                                    const EventPump& pump, Painting painting) {
    Result<DecodedPage> decoded = DecodePage(file, std::move(parameters), pump, painting);
    if (!decoded)
        return std::move(decoded).TakeFailure();
    ViewedPage page;
    page.decoded_ = std::move(*decoded);
    page.problem_ = PageProblem(page.decoded_);
    return page;
}

bool ViewedPage::Turn(QuarterTurn turn) {
    if (!Surface())
        return false;
    std::unique_ptr<PageSurface> turned = TurnedQuarter(*Surface(), turn);
    if (!turned)
        return false;
    decoded_.surface = std::move(turned);
    tiff::TiffPage& page = decoded_.page;
    std::swap(page.width, page.height);
    std::swap(page.xResolution, page.yResolution);
    return true;
}

Status ViewedPage::Save(SaveCoding coding, const std::string& fileName,
                        const EventPump& pump) const {
    if (!Surface())
        return Fail("there is no page to save");
    const auto save = coding == SaveCoding::Group3 ? encode::SavePageG3 : encode::SavePageG4;
    return save(SurfaceRows(*Surface()), XDotsPerInch(), YDotsPerInch(), fileName, 0, 0, pump);
}

int32_t ViewedPage::InInches(int32_t resolution) const {
    constexpr double kCentimetresPerInch = 2.54;
    if (decoded_.page.coding.resolutionUnit != tiff::kResolutionInCentimetres)
        return resolution;
    return RoundHalfEven(resolution * kCentimetresPerInch);
}

} // namespace faxlens::page
