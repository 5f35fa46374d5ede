#include "viewer/render_geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace faxlens::viewer {

namespace {

constexpr int32_t kBandSize = 1000;

int32_t TruncateToInt32(double value) {
    if (!(value > INT32_MIN))
        return value != value ? 0 : INT32_MIN;
    return value >= INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

// Steps 10 and 11: a destination wider or higher than the screen is cut at the screen's edge,
// and the source's far edge moves in by what was cut.
void CapAtScreen(int32_t& d, int32_t& far, int32_t pageSide, double k, int32_t screenSide,
                 int32_t& drawSide) {
    if (d <= screenSide - 1)
        return;
    drawSide = screenSide;
    far = RoundHalfEven((pageSide - 1) - (d - (screenSide - 1)) / k);
    d = screenSide - 1;
}

} // namespace

RenderPlan PlanRender(const RenderRequest& r) {
    RenderPlan plan;
    const ScreenMetrics& s = r.screen;
    const int32_t W = r.pageWidth;
    const int32_t H = r.pageHeight;
    plan.viewWidth = RoundHalfEven(r.viewWidthTwips / s.twipsPerPixelX);
    plan.viewHeight = RoundHalfEven(r.viewHeightTwips / s.twipsPerPixelY);

    // A page without resolution is drawn as if it had the screen's.
    double xRes = r.xResolution;
    double yRes = r.yResolution;
    if (xRes == 0 || yRes == 0) {
        xRes = s.logPixelsX;
        yRes = s.logPixelsY;
    }
    if (W < 1 || H < 1 || xRes == 0 || yRes == 0 || s.logPixelsX == 0 || s.logPixelsY == 0)
        return plan;

    float zoom = r.zoom;
    if (!(zoom >= 1)) // fit the page width; NaN counts as "no number" too
        zoom = static_cast<float>((static_cast<double>(plan.viewWidth) / W * 100) /
                                  (s.logPixelsX / xRes));
    plan.zoom = zoom;
    plan.kx = (zoom / 100.0) * (s.logPixelsX / xRes);
    plan.ky = (zoom / 100.0) * (s.logPixelsY / yRes);
    if (!(plan.kx > 0) || !(plan.ky > 0) || !std::isfinite(plan.kx) || !std::isfinite(plan.ky))
        return plan; // a view less than a pixel wide, or a negative resolution: nothing to draw

    plan.x0 = RoundHalfEven(((W - 1) - plan.viewWidth / plan.kx) * r.hValue / 100);
    plan.y0 = RoundHalfEven(((H - 1) - plan.viewHeight / plan.ky) * r.vValue / 100);
    plan.x1 = W - 1;
    plan.y1 = H - 1;
    plan.x0 = std::max(plan.x0, 0);
    plan.y0 = std::max(plan.y0, 0);
    plan.dw = RoundHalfEven(plan.kx * (W - 1 - plan.x0));
    plan.dh = RoundHalfEven(plan.ky * (H - 1 - plan.y0));

    plan.drawWidth = plan.viewWidth;
    plan.drawHeight = plan.viewHeight;
    CapAtScreen(plan.dw, plan.x1, W, plan.kx, s.horzRes, plan.drawWidth);
    CapAtScreen(plan.dh, plan.y1, H, plan.ky, s.vertRes, plan.drawHeight);
    if (plan.dw > plan.viewWidth - 1)
        plan.drawWidth = plan.dw;
    if (plan.dh > plan.viewHeight - 1)
        plan.drawHeight = plan.dh;
    plan.draws = true;
    return plan;
}

float FitPageZoom(const RenderRequest& request) {
    RenderRequest fitWidth = request;
    fitWidth.zoom = 0;
    const RenderPlan plan = PlanRender(fitWidth);
    if (!plan.draws)
        return 0;
    // The fitting zoom scales the page's width onto the view's; the height fits at the zoom
    // that scales it onto the view's height in the same proportion.
    const double heightOnScreen = plan.ky * request.pageHeight;
    const double heightShare = heightOnScreen > 0 ? plan.viewHeight / heightOnScreen : 1;
    return static_cast<float>(plan.zoom * std::min(1.0, heightShare));
}

std::vector<StretchBand> PlanStretchBands(int32_t sx0, int32_t sy0, int32_t sx1, int32_t sy1,
                                          int32_t dx, int32_t dy, int32_t dWidth, int32_t dHeight) {
    const int64_t sourceWidth = int64_t{sx1} - sx0 + 1; // taken before the corners are ordered
    const int64_t sourceHeight = int64_t{sy1} - sy0 + 1;
    if (sx1 < sx0)
        std::swap(sx0, sx1);
    if (sy1 < sy0)
        std::swap(sy0, sy1);
    std::vector<StretchBand> bands;
    if (sourceWidth == 0 || sourceHeight == 0)
        return bands;
    const double scaleX = static_cast<double>(dWidth) / sourceWidth;
    const double scaleY = static_cast<double>(dHeight) / sourceHeight;

    int64_t ty = dy;
    for (int64_t cy = sy0; cy <= sy1;) {
        const int32_t bh = cy + kBandSize <= sy1 ? kBandSize : static_cast<int32_t>(sy1 - cy + 1);
        const int32_t tbh = TruncateToInt32(bh * scaleY);
        int64_t tx = dx;
        for (int64_t cx = sx0; cx <= sx1;) {
            const int32_t bw =
                cx + kBandSize <= sx1 ? kBandSize : static_cast<int32_t>(sx1 - cx + 1);
            const int32_t tbw = TruncateToInt32(bw * scaleX);
            bands.push_back({static_cast<int32_t>(cx), static_cast<int32_t>(cy), bw, bh,
                             static_cast<int32_t>(tx), static_cast<int32_t>(ty), tbw, tbh});
            cx += bw;
            tx += tbw;
        }
        cy += bh;
        ty += tbh;
    }
    return bands;
}

} // namespace faxlens::viewer
