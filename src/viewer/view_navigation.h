#pragma once

// The arithmetic of moving about a page in the viewer: how far the scroll bars step, which scroll
// value puts a given page pixel at the view's edge, and the ladder of zooms that zooming in and
// out climbs. Scroll values are kept in hundredths of a percent, so that a step can be finer than
// a percent while 0 still shows the page's first column or row and the maximum its last.

#include "viewer/render_geometry.h"

#include <cstdint>

namespace faxlens::viewer {

inline constexpr int kScrollUnitsPerPercent = 100;
inline constexpr int kScrollUnits = 100 * kScrollUnitsPerPercent;

// One axis of the view over the page: how many page pixels it shows, of how many.
struct ViewAxis {
    double visible = 0; // page pixels the view shows: view pixels / screen pixels per page pixel
    int32_t pageSide = 0;

    // Page pixels that the scroll values range over: 0 when the whole side fits the view.
    double Travel() const;
    bool Scrolls() const { return Travel() > 0; }
};

ViewAxis HorizontalAxis(const RenderPlan& plan, int32_t pageWidth);
ViewAxis VerticalAxis(const RenderPlan& plan, int32_t pageHeight);

// The steps of a scroll bar in scroll units. A page step moves the view by what it shows, less a
// pixel or two that stay in sight, so that paging passes over no row; a single step is a tenth
// of that. Both are at least one unit. An axis that fits the view whole gets a page step so large
// that the bar's thumb fills it.
struct ScrollSteps {
    int page = kScrollUnits;
    int single = kScrollUnits / 10;
};
ScrollSteps StepsFor(const ViewAxis& axis);

// The scroll value, in units and within range, that puts page pixel `origin` at the view's
// left (or top) edge.
int ScrollValueForOrigin(const ViewAxis& axis, double origin);

// The scroll value after moving the view by `screenPixels` (positive: towards the page's end)
// from `value`, with `pixelsPerPagePixel` screen pixels for each page pixel.
int ScrollValueMovedBy(const ViewAxis& axis, int value, double screenPixels,
                       double pixelsPerPagePixel);

// The next zoom up and down the ladder from a zoom in percent; the ends of the ladder stay.
float ZoomStepIn(float zoom);
float ZoomStepOut(float zoom);

// Where the view goes when the zoom changes around a point of the view, so that the page pixel
// under it stays under it: the scroll values for the new zoom, in units.
struct ScrollPosition {
    int h = 0;
    int v = 0;
};
ScrollPosition ScrollAfterZoomAround(const RenderPlan& drawn, int32_t pageWidth, int32_t pageHeight,
                                     float newZoom, double viewX, double viewY);

} // namespace faxlens::viewer
