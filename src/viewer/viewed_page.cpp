#include "viewer/viewed_page.h"

#include "base/numbers.h"
#include "tiff/tiff_facts.h"

namespace faxlens {

Result<ViewedPage> ViewedPage::Open(const TiffFile& file, int64_t ifdOffset,
                                    const EventPump& pump) {
    Result<modConvert_TIF2DC::DecodedPage> decoded =
        modConvert_TIF2DC::DecodePage(file, ifdOffset, pump);
    if (!decoded)
        return std::move(decoded).TakeFailure();
    ViewedPage page;
    page.decoded_ = std::move(*decoded);
    page.problem_ = modConvert_TIF2DC::PageProblem(page.decoded_);
    return page;
}

bool ViewedPage::Turn(QuarterTurn turn) {
    if (!Surface())
        return false;
    std::unique_ptr<PageSurface> turned = TurnedQuarter(*Surface(), turn);
    if (!turned)
        return false;
    decoded_.surface = std::move(turned);
    TiffPage& page = decoded_.page;
    std::swap(page.width, page.height);
    std::swap(page.xResolution, page.yResolution);
    return true;
}

Status ViewedPage::Save(SaveCoding coding, const std::string& fileName,
                        const EventPump& pump) const {
    if (!Surface())
        return Fail("there is no page to save");
    const auto save = coding == SaveCoding::Group3 ? modConvert_DC2TIF::SavePageG3
                                                   : modConvert_DC2TIF::SavePageG4;
    return save(*Surface(), XDotsPerInch(), YDotsPerInch(), fileName, 0, 0, pump);
}

int32_t ViewedPage::InInches(int32_t resolution) const {
    constexpr double kCentimetresPerInch = 2.54;
    if (decoded_.page.coding.resolutionUnit != kResolutionInCentimetres)
        return resolution;
    return RoundHalfEven(resolution * kCentimetresPerInch);
}

} // namespace faxlens
