#include "viewer/view_controller.h"

#include "base/number_text.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace faxlens::viewer {

namespace {

// Values beyond the range of a float become infinite instead of undefined.
float ToSingle(double value) {
    if (value > FLT_MAX)
        return INFINITY;
    if (value < -FLT_MAX)
        return -INFINITY;
    return static_cast<float>(value);
}

int Clamped(int value) {
    return std::clamp(value, 0, kScrollUnits);
}

} // namespace

double ParseNumberPrefix(const QString& text) {
    // Characters beyond Latin-1 become '?', which ends a number as any letter does.
    return LeadingNumber(text.toLatin1().toStdString(), true);
}

bool ViewController::FitsPage() const {
    return zoomText_.trimmed().compare(QLatin1String(kFitPageText), Qt::CaseInsensitive) == 0;
}

float ViewController::ZoomInForce(float fitPageZoom) const {
    return FitsPage() ? fitPageZoom : ToSingle(ParseNumberPrefix(zoomText_));
}

void ViewController::SetZoomPercent(float zoom) {
    zoomText_ = QString::number(zoom, 'g', 4) + u'%';
}

bool ViewController::ZoomIn(const ShownPage& shown) {
    if (!shown.plan.draws)
        return false;
    SetZoomPercent(ZoomStepIn(shown.plan.zoom));
    return true;
}

bool ViewController::ZoomOut(const ShownPage& shown) {
    if (!shown.plan.draws)
        return false;
    SetZoomPercent(ZoomStepOut(shown.plan.zoom));
    return true;
}

// The scroll values are set for the new zoom before the one drawing at that zoom.
bool ViewController::ZoomAround(double notches, double viewX, double viewY,
                                const ShownPage& shown) {
    if (!shown.Shown())
        return false;
    float zoom = shown.plan.zoom;
    const long steps = std::max(1L, std::abs(std::lround(notches)));
    for (long step = 0; step < steps; ++step)
        zoom = notches > 0 ? ZoomStepIn(zoom) : ZoomStepOut(zoom);
    scroll_ = ScrollAfterZoomAround(shown.plan, shown.width, shown.height, zoom, viewX, viewY);
    SetZoomPercent(zoom);
    return true;
}

bool ViewController::ScrollTo(int h, int v) {
    const ScrollPosition next{Clamped(h), Clamped(v)};
    if (next.h == scroll_.h && next.v == scroll_.v)
        return false;
    scroll_ = next;
    return true;
}

bool ViewController::ScrollByPixels(double x, double y, const ShownPage& shown) {
    if (!shown.Shown())
        return false;
    return ScrollTo(ScrollValueMovedBy(shown.Across(), scroll_.h, x, shown.plan.kx),
                    ScrollValueMovedBy(shown.Down(), scroll_.v, y, shown.plan.ky));
}

bool ViewController::ScrollByNotches(double x, double y, int linesPerNotch,
                                     const ShownPage& shown) {
    const int lines = std::max(1, linesPerNotch);
    const auto moved = [lines](const ViewAxis& axis, int value, double notches) {
        if (!axis.Scrolls())
            return value;
        return value + static_cast<int>(std::lround(notches * lines * StepsFor(axis).single));
    };
    return ScrollTo(moved(shown.Across(), scroll_.h, x), moved(shown.Down(), scroll_.v, y));
}

// As a scroll bar steps: an axis that does not scroll stays.
bool ViewController::ScrollByKey(ScrollMove move, const ShownPage& shown) {
    const ViewAxis across = shown.Across();
    const ViewAxis down = shown.Down();
    const auto step = [](const ViewAxis& axis, int value, int by) {
        return axis.Scrolls() ? value + by : value;
    };
    const int single = StepsFor(down).single;
    const int page = StepsFor(down).page;
    switch (move) {
    case ScrollMove::Left:
        return ScrollTo(step(across, scroll_.h, -StepsFor(across).single), scroll_.v);
    case ScrollMove::Right:
        return ScrollTo(step(across, scroll_.h, StepsFor(across).single), scroll_.v);
    case ScrollMove::Up:
        return ScrollTo(scroll_.h, step(down, scroll_.v, -single));
    case ScrollMove::Down:
        return ScrollTo(scroll_.h, step(down, scroll_.v, single));
    case ScrollMove::PageUp:
        return ScrollTo(scroll_.h, step(down, scroll_.v, -page));
    case ScrollMove::PageDown:
        return ScrollTo(scroll_.h, step(down, scroll_.v, page));
    case ScrollMove::Start:
        return ScrollTo(scroll_.h, step(down, scroll_.v, -kScrollUnits));
    case ScrollMove::End:
        return ScrollTo(scroll_.h, step(down, scroll_.v, kScrollUnits));
    }
    return false;
}

void ViewController::StepTaken() {
    pendingStep_ = 0;
    scroll_ = {};
}

} // namespace faxlens::viewer
