// The viewer's look into the data of a fax page: the rows that could not be decoded marked over
// the page and scrolled to, the codes of a row in a window of their own, and where each row's
// codes begin, for the information line.

#include "codec/fax_trace.h"
#include "codec/page_decode.h"
#include "tiff/page_info.h"
#include "viewer/damage_marks.h"
#include "viewer/page_viewer.h"

#include <memory>
#include <vector>

namespace faxlens::viewer {

// Where the codes of the file's row under the pointer begin, once the rows are indexed.
QString PageViewer::RowPlaceText(QPoint pixel) const {
    if (!rowStarts_ || !page_)
        return {};
    const int32_t row = FileRowAt(pixel.x(), pixel.y(), page_->QuarterTurns(), FileHeight());
    if (row < 0 || static_cast<std::size_t>(row) >= rowStarts_->size())
        return {};
    const page::RowStart& start = (*rowStarts_)[static_cast<std::size_t>(row)];
    if (start.strip < 0)
        return {};
    return QStringLiteral("strip %1, byte %2").arg(start.strip).arg(start.byte);
}

// Where each row's codes begin, for the information line: the page's strips traced on a worker
// once it is shown.
void PageViewer::IndexRowStarts() {
    rowStarts_.reset();
    indexing_.Cancel();
    if (!FaxCoded() || !file_)
        return;
    const int64_t rows = FileHeight();
    if (rows > kMostRowsIndexed)
        return;
    using Index = std::shared_ptr<const std::vector<page::RowStart>>;
    // The file the page was decoded from, as it was then: no second opening.
    indexing_.Start<Index>(
        [file = file_, offset = ifdOffset_, rows](const WorkCheck& check) -> Index {
            const Result<tiff::TiffPage> page = tiff::ReadPageParameters(*file, offset);
            if (!page)
                return nullptr;
            page::RowStartIndex index(rows);
            if (!codec::TracePageRows(*file, *page, index, check))
                return nullptr;
            return std::make_shared<const std::vector<page::RowStart>>(index.Take());
        },
        [this](Index starts) {
            rowStarts_ = std::move(starts);
            ShowInfo();
        });
}

// Go to Damage needs rows that could not be decoded, Show Codes a fax page and a row under the
// pointer.
void PageViewer::EnableDataActions() {
    actions_.goToDamage.setEnabled(Surface() && !page_->Damage().undecodedRows.empty());
    actions_.showCodes.setEnabled(FaxCoded() && pointer_.has_value());
}

// A page shown that the fax engine decodes, whose codes can be traced.
bool PageViewer::FaxCoded() const {
    return Surface() && codec::IsFaxDecoder(codec::DecoderFor(page_->Parameters()));
}

int32_t PageViewer::FileHeight() const {
    const tiff::TiffPage& parameters = page_->Parameters();
    return static_cast<int32_t>(page_->QuarterTurns() % 2 != 0 ? parameters.width
                                                               : parameters.height);
}

// The rows that could not be decoded, as bands over the drawing, while Show Damaged Rows is on.
void PageViewer::MarkDamagedRows() {
    std::vector<QRectF> marks;
    const page::PageSurface* surface = Surface();
    if (surface && actions_.showDamage.isChecked())
        for (const codec::PageDamage::RowRange& rows : page_->Damage().undecodedRows) {
            const QRectF mark = ViewRectOf(
                ShownStretchOfRows(rows.first - 1, rows.last, page_->QuarterTurns(), FileHeight()),
                LastRenderPlan(), surface->Width(), surface->Height());
            if (!mark.isEmpty())
                marks.push_back(mark);
        }
    pageView_.SetMarks(std::move(marks));
}

void PageViewer::GoToDamage() {
    if (!Surface() || page_->Damage().undecodedRows.empty() || !LastRenderPlan().draws)
        return;
    const codec::PageDamage::RowRange& first = page_->Damage().undecodedRows.front();
    const ShownStretch stretch =
        ShownStretchOfRows(first.first - 1, first.last, page_->QuarterTurns(), FileHeight());
    const RenderPlan& plan = LastRenderPlan();
    const double x =
        stretch.columns ? (stretch.from - plan.x0) * plan.kx - plan.viewWidth / 4.0 : 0;
    const double y =
        stretch.columns ? 0 : (stretch.from - plan.y0) * plan.ky - plan.viewHeight / 4.0;
    if (controller_.ScrollByPixels(x, y, Shown()))
        RequestRedraw();
}

void PageViewer::ShowCodesOfPointerRow() {
    if (!Surface() || !pointer_ || !file_)
        return;
    const int32_t row =
        FileRowAt(pointer_->x(), pointer_->y(), page_->QuarterTurns(), FileHeight());
    rowCodes_.ShowRow(file_, ifdOffset_, int64_t{row} + 1);
}

} // namespace faxlens::viewer
