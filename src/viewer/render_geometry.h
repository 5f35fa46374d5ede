#pragma once

// The arithmetic of drawing a page into the viewer: which part of the page the zoom and the
// scroll values select, how large it becomes on the screen, and how the copy is cut into bands.
// Pure computation, apart from the painting, so that it can be checked number by number.

#include "base/numbers.h"

#include <cstdint>
#include <vector>

namespace faxlens::viewer {

struct ScreenMetrics {
    int32_t horzRes = 0;    // screen width in pixels
    int32_t vertRes = 0;    // screen height in pixels
    int32_t logPixelsX = 0; // logical dots per inch across
    int32_t logPixelsY = 0; // and down
    double twipsPerPixelX = 15;
    double twipsPerPixelY = 15;
};

struct RenderRequest {
    int32_t pageWidth = 0; // the surface's extent, W x H
    int32_t pageHeight = 0;
    int32_t viewWidthTwips = 0;
    int32_t viewHeightTwips = 0;
    float zoom = 100;        // percent of the page's physical size; below 1 fits the page width
    int32_t xResolution = 0; // dots per inch of the page; 0 when the file gives none
    int32_t yResolution = 0;
    float hValue = 0; // scroll values, 0 to 100
    float vValue = 0;
    ScreenMetrics screen;
};

struct RenderPlan {
    // False when nothing can be drawn: a view or page less than a pixel wide would make the
    // zoom 0 and the arithmetic divide by it.
    bool draws = false;
    int32_t viewWidth = 0; // Vw, Vh: the view's size in pixels
    int32_t viewHeight = 0;
    float zoom = 0; // the zoom used: the fit-to-width zoom when the request was below 1
    double kx = 0;  // screen pixels per page pixel
    double ky = 0;
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0; // inclusive source rectangle in page pixels
    int32_t dw = 0, dh = 0;                 // drawn from (0, 0), dw + 1 by dh + 1 pixels
    int32_t drawWidth = 0; // the view's size in pixels while it is drawn; at least Vw x Vh
    int32_t drawHeight = 0;
};

RenderPlan PlanRender(const RenderRequest& request);

// The zoom at which the whole page fits the view, the smaller of the zooms that fit its width
// and its height; the request's own zoom and scroll values are not used. 0 when nothing can be
// drawn.
float FitPageZoom(const RenderRequest& request);

// One piece of a tiled stretch copy: source pixels (x, y, w, h) onto destination pixels.
struct StretchBand {
    int32_t sourceX, sourceY, sourceWidth, sourceHeight;
    int32_t targetX, targetY, targetWidth, targetHeight;
};

// Cuts the copy of the inclusive source rectangle (sx0, sy0)-(sx1, sy1) onto the destination
// rectangle at (dx, dy) of dWidth x dHeight into bands of at most 1000 source pixels a side.
// Each band's destination size is truncated, so the bands lie edge to edge and may end short of
// the destination by up to a pixel per band.
std::vector<StretchBand> PlanStretchBands(int32_t sx0, int32_t sy0, int32_t sx1, int32_t sy1,
                                          int32_t dx, int32_t dy, int32_t dWidth, int32_t dHeight);

} // namespace faxlens::viewer
