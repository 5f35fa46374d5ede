#include "page/viewed_page.h"

#include "base/numbers.h"
#include "encode/page_encoder.h"
#include "page/surface_rows.h"
#include "tiff/tiff_facts.h"

namespace faxlens::page {

Result<ViewedPage> ViewedPage::Open(const tiff::TiffFile& file, int64_t ifdOffset,
                                    const WorkCheck& check, Painting painting) {
    Result<tiff::TiffPage> parameters = tiff::ReadPageParameters(file, ifdOffset);
    if (!parameters)
        return std::move(parameters).TakeFailure();
    return Open(file, std::move(*parameters), check, painting);
}

Result<ViewedPage> ViewedPage::Open(const tiff::TiffFile& file, tiff::TiffPage parameters,
                                    const WorkCheck& check, Painting painting) {
    Result<DecodedPage> decoded = DecodePage(file, std::move(parameters), check, painting);
    if (!decoded)
        return std::move(decoded).TakeFailure();
    ViewedPage page;
    page.decoded_ = std::move(*decoded);
    page.problem_ = PageProblem(page.decoded_);
    return page;
}

bool ViewedPage::Turn(QuarterTurn turn) {
    Result<ViewedPage> turned = Turned(turn == QuarterTurn::Clockwise ? 1 : 3);
    if (!turned)
        return false;
    *this = std::move(*turned);
    return true;
}

Result<ViewedPage> ViewedPage::Turned(int quarterTurns, const WorkCheck& check) const {
    // A half turn is two quarter turns; three clockwise are one the other way.
    const int turns = ((quarterTurns % 4) + 4) % 4;
    if (!Surface() || turns == 0)
        return Fail("there is no page to turn");
    ViewedPage turned;
    turned.decoded_.page = decoded_.page;
    turned.decoded_.status = decoded_.status;
    turned.decoded_.damage = decoded_.damage;
    turned.problem_ = problem_;
    turned.quarterTurns_ = (quarterTurns_ + turns) % 4;
    CheckWork(check);
    const QuarterTurn way = turns == 3 ? QuarterTurn::CounterClockwise : QuarterTurn::Clockwise;
    turned.decoded_.surface = turns == 2 ? TurnedHalf(*Surface()) : TurnedQuarter(*Surface(), way);
    if (!turned.decoded_.surface)
        return Fail("the turned page does not fit in memory");
    if (turns != 2) {
        std::swap(turned.decoded_.page.width, turned.decoded_.page.height);
        std::swap(turned.decoded_.page.xResolution, turned.decoded_.page.yResolution);
    }
    return turned;
}

Status ViewedPage::Save(SaveCoding coding, const std::string& fileName,
                        const WorkCheck& check) const {
    if (!Surface())
        return Fail("there is no page to save");
    const auto save = coding == SaveCoding::Group3   ? encode::SavePageG3
                      : coding == SaveCoding::Group4 ? encode::SavePageG4
                                                     : encode::SavePageT85;
    return save(SurfaceRows(*Surface()), XDotsPerInch(), YDotsPerInch(), fileName, 0, 0, check);
}

int32_t ViewedPage::InInches(int32_t resolution) const {
    constexpr double kCentimetresPerInch = 2.54;
    if (decoded_.page.coding.resolutionUnit != tiff::kResolutionInCentimetres)
        return resolution;
    return RoundHalfEven(resolution * kCentimetresPerInch);
}

} // namespace faxlens::page
