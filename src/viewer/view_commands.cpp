// The viewer's commands beyond its controls: zooming and fitting, scrolling by wheel, drag and
// keys, the page's menu, turning the page, moving to the file's other images, and files dropped
// on the window.

#include "tiff/image_list.h"
#include "ui/dropped_file.h"
#include "ui/path_text.h"
#include "viewer/view_form.h"
#include "viewer/view_navigation.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

namespace faxlens::viewer {

// ---- zooming and fitting ----

void ViewForm::ShowZoom(const QString& text) {
    Combo1.setEditText(text);
    RefreshView();
}

void ViewForm::ShowZoomPercent(float zoom) {
    ShowZoom(QString::number(zoom, 'g', 4) + u'%');
}

void ViewForm::ZoomIn() {
    const RenderPlan& plan = LastRenderPlan();
    if (plan.draws && !saving_.Busy())
        ShowZoomPercent(ZoomStepIn(plan.zoom));
}

void ViewForm::ZoomOut() {
    const RenderPlan& plan = LastRenderPlan();
    if (plan.draws && !saving_.Busy())
        ShowZoomPercent(ZoomStepOut(plan.zoom));
}

void ViewForm::FitWidth() {
    if (!saving_.Busy())
        ShowZoom(QLatin1String(kFitWidthText));
}

void ViewForm::FitPage() {
    if (!saving_.Busy())
        ShowZoom(QLatin1String(kFitPageText));
}

void ViewForm::ShowActualSize() {
    if (!saving_.Busy())
        ShowZoomPercent(100);
}

// The page point under the pointer stays under it: the scroll values are set for the new zoom
// before the one drawing at that zoom.
void ViewForm::ZoomAroundPoint(double notches, QPointF at) {
    const RenderPlan& plan = LastRenderPlan();
    if (!plan.draws || saving_.Busy() || !page_.Surface())
        return;
    float zoom = plan.zoom;
    const long steps = std::max(1L, std::abs(std::lround(notches)));
    for (long step = 0; step < steps; ++step)
        zoom = notches > 0 ? ZoomStepIn(zoom) : ZoomStepOut(zoom);
    const ScrollPosition position = ScrollAfterZoomAround(
        plan, page_.Surface()->Width(), page_.Surface()->Height(), zoom, at.x(), at.y());
    {
        const QSignalBlocker blockH(HScroll1);
        const QSignalBlocker blockV(VScroll1);
        HScroll1.setValue(position.h);
        VScroll1.setValue(position.v);
    }
    ShowZoomPercent(zoom);
}

// ---- scrolling ----

void ViewForm::ScrollTo(int h, int v) {
    if (h == HScroll1.value() && v == VScroll1.value())
        return;
    {
        const QSignalBlocker blockH(HScroll1);
        const QSignalBlocker blockV(VScroll1);
        HScroll1.setValue(h);
        VScroll1.setValue(v);
    }
    RefreshView();
}

void ViewForm::ScrollByPixels(QPointF pixels) {
    const RenderPlan& plan = LastRenderPlan();
    if (!plan.draws || saving_.Busy() || !page_.Surface())
        return;
    const ViewAxis across = HorizontalAxis(plan, page_.Surface()->Width());
    const ViewAxis down = VerticalAxis(plan, page_.Surface()->Height());
    ScrollTo(ScrollValueMovedBy(across, HScroll1.value(), pixels.x(), plan.kx),
             ScrollValueMovedBy(down, VScroll1.value(), pixels.y(), plan.ky));
}

// A notch moves as far as the arrow keys do, times the lines a notch scrolls on this desktop.
void ViewForm::ScrollByNotches(QPointF notches) {
    if (saving_.Busy())
        return;
    const int lines = std::max(1, QApplication::wheelScrollLines());
    const auto moved = [&](const QScrollBar& bar, double n) {
        if (!bar.isEnabled())
            return bar.value();
        return std::clamp(bar.value() + static_cast<int>(std::lround(n * lines * bar.singleStep())),
                          bar.minimum(), bar.maximum());
    };
    ScrollTo(moved(HScroll1, notches.x()), moved(VScroll1, notches.y()));
}

void ViewForm::ScrollKey(ViewInput::Move move) {
    using Move = ViewInput::Move;
    const auto act = [](QScrollBar& bar, QAbstractSlider::SliderAction action) {
        if (bar.isEnabled())
            bar.triggerAction(action);
    };
    switch (move) {
    case Move::Left:
        return act(HScroll1, QAbstractSlider::SliderSingleStepSub);
    case Move::Right:
        return act(HScroll1, QAbstractSlider::SliderSingleStepAdd);
    case Move::Up:
        return act(VScroll1, QAbstractSlider::SliderSingleStepSub);
    case Move::Down:
        return act(VScroll1, QAbstractSlider::SliderSingleStepAdd);
    case Move::PageUp:
        return act(VScroll1, QAbstractSlider::SliderPageStepSub);
    case Move::PageDown:
        return act(VScroll1, QAbstractSlider::SliderPageStepAdd);
    case Move::Start:
        return act(VScroll1, QAbstractSlider::SliderToMinimum);
    case Move::End:
        return act(VScroll1, QAbstractSlider::SliderToMaximum);
    }
}

void ViewForm::ShowPageMenu(QPoint globalPosition) {
    QMenu menu(this);
    menu.addActions(actions_.MenuOrder());
    menu.exec(globalPosition);
}

// ---- the page itself ----

// A page that is being opened or saved stays the page it is.
bool ViewForm::PageMayChange() const {
    return !opening_.Busy() && !saving_.Busy() && !unloaded_;
}

void ViewForm::TurnPage(page::QuarterTurn turn) {
    if (!PageMayChange())
        return;
    if (!page_.Turn(turn))
        return;
    RefreshView();
}

void ViewForm::ShowNeighbourImage(int step) {
    if (!PageMayChange())
        return;
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path_);
    const Result<tiff::ImageList> images =
        file ? tiff::ListImages(*file) : Result<tiff::ImageList>(Fail({}));
    if (!images)
        return;
    const std::vector<int64_t>& offsets = images->offsets;
    const auto shown = std::find(offsets.begin(), offsets.end(), ifdOffset_);
    if (shown == offsets.end())
        return;
    const int64_t index = (shown - offsets.begin()) + step;
    if (index < 0 || index >= static_cast<int64_t>(offsets.size()))
        return;
    ifdOffset_ = offsets[static_cast<std::size_t>(index)];
    {
        ui::BusyGuard busy(busy_);
        ShowPageOf(file);
        ScrollTo(0, 0);
        RefreshView();
    }
    emit ImageShown(ui::PathText(path_), static_cast<int>(index));
}

// ---- files dropped on the window ----

void ViewForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!ui::DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void ViewForm::dropEvent(QDropEvent* event) {
    const QString path = ui::DroppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    emit FileDropped(path);
}

} // namespace faxlens::viewer
