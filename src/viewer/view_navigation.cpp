#include "viewer/view_navigation.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace faxlens::viewer {

namespace {

// Rows that a page step leaves in sight, so that rounding of the view's origin never skips one.
constexpr double kPageOverlap = 2;

constexpr std::array<float, 18> kZoomLadder = {1,  2,   5,   10,  15,  25,  33,  50,  67,
                                               75, 100, 150, 200, 300, 400, 600, 800, 1600};

// Zooms this close to a rung count as standing on it.
constexpr float kZoomSlack = 0.01F;

int ClampToUnits(double value) {
    if (!(value > 0))
        return 0;
    return value >= kScrollUnits ? kScrollUnits : static_cast<int>(std::lround(value));
}

} // namespace

double ViewAxis::Travel() const {
    const double travel = (pageSide - 1) - visible;
    return travel > 0 ? travel : 0;
}

ViewAxis HorizontalAxis(const RenderPlan& plan, int32_t pageWidth) {
    return {plan.kx > 0 ? plan.viewWidth / plan.kx : pageWidth, pageWidth};
}

ViewAxis VerticalAxis(const RenderPlan& plan, int32_t pageHeight) {
    return {plan.ky > 0 ? plan.viewHeight / plan.ky : pageHeight, pageHeight};
}

ScrollSteps StepsFor(const ViewAxis& axis) {
    if (!axis.Scrolls())
        return {kScrollUnits * 100, kScrollUnits / 10};
    const double advance = std::max(axis.visible - kPageOverlap, 1.0);
    const double units = std::floor(advance / axis.Travel() * kScrollUnits);
    ScrollSteps steps;
    steps.page = static_cast<int>(std::clamp(units, 1.0, double{kScrollUnits}));
    steps.single = std::max(1, steps.page / 10);
    return steps;
}

int ScrollValueForOrigin(const ViewAxis& axis, double origin) {
    if (!axis.Scrolls())
        return 0;
    return ClampToUnits(origin / axis.Travel() * kScrollUnits);
}

int ScrollValueMovedBy(const ViewAxis& axis, int value, double screenPixels,
                       double pixelsPerPagePixel) {
    if (!axis.Scrolls() || !(pixelsPerPagePixel > 0))
        return value;
    const double origin = axis.Travel() * value / kScrollUnits;
    return ScrollValueForOrigin(axis, origin + screenPixels / pixelsPerPagePixel);
}

float ZoomStepIn(float zoom) {
    for (const float rung : kZoomLadder)
        if (rung > zoom + kZoomSlack)
            return rung;
    return std::max(zoom, kZoomLadder.back());
}

float ZoomStepOut(float zoom) {
    for (auto rung = kZoomLadder.rbegin(); rung != kZoomLadder.rend(); ++rung)
        if (*rung < zoom - kZoomSlack)
            return *rung;
    return std::min(zoom, kZoomLadder.front());
}

ScrollPosition ScrollAfterZoomAround(const RenderPlan& drawn, int32_t pageWidth, int32_t pageHeight,
                                     float newZoom, double viewX, double viewY) {
    if (!drawn.draws || !(drawn.zoom > 0) || !(newZoom > 0))
        return {};
    const double scale = newZoom / drawn.zoom;
    RenderPlan zoomed = drawn;
    zoomed.kx = drawn.kx * scale;
    zoomed.ky = drawn.ky * scale;
    const double pageX = drawn.x0 + viewX / drawn.kx;
    const double pageY = drawn.y0 + viewY / drawn.ky;
    return {ScrollValueForOrigin(HorizontalAxis(zoomed, pageWidth), pageX - viewX / zoomed.kx),
            ScrollValueForOrigin(VerticalAxis(zoomed, pageHeight), pageY - viewY / zoomed.ky)};
}

} // namespace faxlens::viewer
