#include "viewer/viewed_page.h"

namespace faxlens {

ViewedPage ViewedPage::Open(const std::string& path, int64_t ifdOffset, const EventPump& pump) {
    ViewedPage page;
    page.decoded_ = modConvert_TIF2DC::DecodePage(path, ifdOffset, pump);
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

modConvert_DC2TIF::SaveResult ViewedPage::Save(SaveCoding coding, const std::string& fileName,
                                               const EventPump& pump) const {
    if (!Surface())
        return {false, "there is no page to save"};
    const auto save = coding == SaveCoding::Group3 ? modConvert_DC2TIF::SavePageG3
                                                   : modConvert_DC2TIF::SavePageG4;
    return save(*Surface(), XResolution(), YResolution(), fileName, 0, 0, pump);
}

} // namespace faxlens
