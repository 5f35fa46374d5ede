#include "viewer/render_geometry.h"
#include "viewer/view_navigation.h"

#include <cmath>
#include <gtest/gtest.h>

namespace faxlens {
namespace {

viewer::ScreenMetrics Screen() {
    viewer::ScreenMetrics screen;
    screen.horzRes = 1920;
    screen.vertRes = 1080;
    screen.logPixelsX = 96;
    screen.logPixelsY = 96;
    return screen;
}

viewer::RenderRequest Request(int32_t width, int32_t height, float zoom, int viewWidth,
                              int viewHeight) {
    viewer::RenderRequest request;
    request.pageWidth = width;
    request.pageHeight = height;
    request.viewWidthTwips = viewWidth * 15;
    request.viewHeightTwips = viewHeight * 15;
    request.zoom = zoom;
    request.xResolution = 204;
    request.yResolution = 196;
    request.screen = Screen();
    return request;
}

// Paging down from the top, as PageDown does, shows every row of the page: each new view starts
// no lower than the row after the last one the view before showed whole, and the last view
// reaches the page's bottom.
TEST(ScrollSteps, PagingDownPassesOverNoRow) {
    for (const float zoom : {10.0F, 25.0F, 50.0F, 100.0F, 150.0F, 400.0F, 1600.0F})
        for (const int viewHeight : {40, 267, 700}) {
            SCOPED_TRACE(testing::Message() << zoom << "% in a view " << viewHeight << " high");
            viewer::RenderRequest request = Request(1728, 2200, zoom, 411, viewHeight);
            viewer::RenderPlan plan = viewer::PlanRender(request);
            ASSERT_TRUE(plan.draws);
            const viewer::ViewAxis down = viewer::VerticalAxis(plan, 2200);
            const int step = viewer::StepsFor(down).page;
            int value = 0;
            int steps = 0;
            while (true) {
                request.vValue = static_cast<float>(value) / viewer::kScrollUnitsPerPercent;
                const viewer::RenderPlan shown = viewer::PlanRender(request);
                const int32_t wholeRowsShown = static_cast<int32_t>(shown.viewHeight / shown.ky);
                if (value == viewer::kScrollUnits || !down.Scrolls()) {
                    EXPECT_GT(shown.y0 + down.visible, 2198) << "the last view shows the last row";
                    break;
                }
                const int next = std::min(value + step, viewer::kScrollUnits);
                request.vValue = static_cast<float>(next) / viewer::kScrollUnitsPerPercent;
                EXPECT_LE(viewer::PlanRender(request).y0, shown.y0 + wholeRowsShown)
                    << "from " << value;
                value = next;
                ASSERT_LT(++steps, 100000);
            }
        }
}

TEST(ScrollSteps, AnAxisThatFitsDoesNotScroll) {
    const viewer::RenderPlan plan = viewer::PlanRender(Request(1728, 2200, 25, 411, 267));
    EXPECT_FALSE(viewer::HorizontalAxis(plan, 1728).Scrolls()) << "203 pixels in a view of 411";
    EXPECT_TRUE(viewer::VerticalAxis(plan, 2200).Scrolls());
    EXPECT_EQ(viewer::ScrollValueForOrigin(viewer::HorizontalAxis(plan, 1728), 500), 0);
}

TEST(ZoomSteps, ClimbTheLadderAndStopAtItsEnds) {
    EXPECT_EQ(viewer::ZoomStepIn(100), 150);
    EXPECT_EQ(viewer::ZoomStepIn(101), 150);
    EXPECT_EQ(viewer::ZoomStepOut(100), 75);
    EXPECT_EQ(viewer::ZoomStepOut(50.5425F), 50);
    EXPECT_EQ(viewer::ZoomStepIn(50.5425F), 67);
    EXPECT_EQ(viewer::ZoomStepIn(1600), 1600);
    EXPECT_EQ(viewer::ZoomStepIn(3000), 3000) << "a typed zoom beyond the ladder is not lowered";
    EXPECT_EQ(viewer::ZoomStepOut(1), 1);
    EXPECT_EQ(viewer::ZoomStepOut(0.5F), 0.5F);
}

// Zooming around a point keeps the page pixel under it in place, within a pixel's rounding.
TEST(ZoomAround, ThePagePointUnderThePointerStays) {
    viewer::RenderRequest request = Request(1728, 2200, 100, 411, 267);
    request.hValue = 30;
    request.vValue = 40;
    const viewer::RenderPlan before = viewer::PlanRender(request);
    const double viewX = 200, viewY = 100;
    const double pageX = before.x0 + viewX / before.kx;
    const double pageY = before.y0 + viewY / before.ky;
    for (const float zoom : {150.0F, 400.0F, 1600.0F}) {
        const viewer::ScrollPosition position =
            viewer::ScrollAfterZoomAround(before, 1728, 2200, zoom, viewX, viewY);
        viewer::RenderRequest zoomed = request;
        zoomed.zoom = zoom;
        zoomed.hValue = static_cast<float>(position.h) / viewer::kScrollUnitsPerPercent;
        zoomed.vValue = static_cast<float>(position.v) / viewer::kScrollUnitsPerPercent;
        const viewer::RenderPlan after = viewer::PlanRender(zoomed);
        EXPECT_NEAR(after.x0 + viewX / after.kx, pageX, 1.5) << zoom;
        EXPECT_NEAR(after.y0 + viewY / after.ky, pageY, 1.5) << zoom;
    }
}

TEST(FitPage, TheWholePageFitsAndOneSideFillsTheView) {
    const struct {
        int32_t width, height, viewWidth, viewHeight;
    } cases[] = {{1728, 2200, 411, 267}, {1728, 100, 411, 267}, {13244, 18722, 800, 600}};
    for (const auto& c : cases) {
        const viewer::RenderRequest request =
            Request(c.width, c.height, 0, c.viewWidth, c.viewHeight);
        viewer::RenderRequest fitted = request;
        fitted.zoom = viewer::FitPageZoom(request);
        const viewer::RenderPlan plan = viewer::PlanRender(fitted);
        EXPECT_LE(plan.dw, c.viewWidth) << c.width << " x " << c.height;
        EXPECT_LE(plan.dh, c.viewHeight) << c.width << " x " << c.height;
        EXPECT_TRUE(plan.dw >= c.viewWidth - 2 || plan.dh >= c.viewHeight - 2);
    }
}

} // namespace
} // namespace faxlens
