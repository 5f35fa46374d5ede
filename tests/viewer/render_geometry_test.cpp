#include "viewer/render_geometry.h"

#include <gtest/gtest.h>

namespace faxlens {
namespace {

// A page of 1728 x 2200 pixels at 204 x 196 dpi on a screen of 1920 x 1080 pixels at 96 dpi
// (15 twips a pixel), in a view of 6165 x 4005 twips, that is 411 x 267 pixels.
viewer::RenderRequest FaxPageRequest(float zoom, float h, float v, int32_t xRes = 204,
                                     int32_t yRes = 196) {
    viewer::RenderRequest r;
    r.pageWidth = 1728;
    r.pageHeight = 2200;
    r.viewWidthTwips = 6165;
    r.viewHeightTwips = 4005;
    r.zoom = zoom;
    r.xResolution = xRes;
    r.yResolution = yRes;
    r.hValue = h;
    r.vValue = v;
    r.screen = {1920, 1080, 96, 96, 15, 15};
    return r;
}

struct Expected {
    const char* name;
    viewer::RenderRequest request;
    int32_t x0, y0, x1, y1;
    int32_t destinationWidth, destinationHeight; // dw + 1, dh + 1
};

class WorkedExample : public ::testing::TestWithParam<Expected> {};

TEST_P(WorkedExample, SelectsTheSourceAndDestination) {
    const Expected& e = GetParam();
    const viewer::RenderPlan plan = viewer::PlanRender(e.request);
    ASSERT_TRUE(plan.draws);
    EXPECT_EQ(plan.viewWidth, 411);
    EXPECT_EQ(plan.viewHeight, 267);
    EXPECT_EQ(plan.x0, e.x0);
    EXPECT_EQ(plan.y0, e.y0);
    EXPECT_EQ(plan.x1, e.x1);
    EXPECT_EQ(plan.y1, e.y1);
    EXPECT_EQ(plan.dw + 1, e.destinationWidth);
    EXPECT_EQ(plan.dh + 1, e.destinationHeight);
}

void PrintTo(const Expected& e, std::ostream* out) {
    *out << e.name;
}

INSTANTIATE_TEST_SUITE_P(
    FaxPage, WorkedExample,
    ::testing::Values(
        Expected{"Zoom100", FaxPageRequest(100, 0, 0), 0, 0, 1727, 2199, 814, 1078},
        Expected{"Zoom100HalfAcross", FaxPageRequest(100, 50, 0), 427, 0, 1727, 2199, 613, 1078},
        Expected{"Zoom100BottomRight", FaxPageRequest(100, 100, 100), 854, 1654, 1727, 2199, 412,
                 268},
        Expected{"Zoom400Middle", FaxPageRequest(400, 50, 50), 754, 1031, 1727, 1582, 1833, 1080},
        Expected{"FitWidth", FaxPageRequest(0, 0, 0), 0, 0, 1727, 2199, 412, 545},
        Expected{"Zoom25BottomRight", FaxPageRequest(25, 100, 100), 0, 18, 1727, 2199, 204, 268},
        Expected{"NoResolution", FaxPageRequest(100, 0, 0, 0, 0), 0, 0, 1727, 1079, 1728, 1080}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RenderPlan, ScaleFactorsFollowZoomAndResolution) {
    const viewer::RenderPlan plan = viewer::PlanRender(FaxPageRequest(100, 0, 0));
    EXPECT_NEAR(plan.kx, 0.470588, 1e-6);
    EXPECT_NEAR(plan.ky, 0.489796, 1e-6);
    const viewer::RenderPlan unknown = viewer::PlanRender(FaxPageRequest(100, 0, 0, 204, 0));
    EXPECT_DOUBLE_EQ(unknown.kx, 1.0); // both resolutions replaced when one is missing
    EXPECT_DOUBLE_EQ(unknown.ky, 1.0);
}

TEST(RenderPlan, AZoomBelowOneFitsThePageWidth) {
    for (float zoom : {0.0f, 0.5f, -20.0f}) {
        const viewer::RenderPlan plan = viewer::PlanRender(FaxPageRequest(zoom, 0, 0));
        EXPECT_NEAR(plan.zoom, 50.5425, 1e-4) << zoom;
        EXPECT_EQ(plan.dw + 1, 412) << zoom;
    }
    EXPECT_FLOAT_EQ(viewer::PlanRender(FaxPageRequest(1, 0, 0)).zoom, 1.0f);
}

TEST(RenderPlan, TheViewGrowsForTheDrawingOnlyAsFarAsTheScreen) {
    const viewer::RenderPlan at100 = viewer::PlanRender(FaxPageRequest(100, 0, 0));
    EXPECT_EQ(at100.drawWidth, 813);   // 12195 twips
    EXPECT_EQ(at100.drawHeight, 1077); // 16155 twips
    const viewer::RenderPlan at400 = viewer::PlanRender(FaxPageRequest(400, 50, 50));
    EXPECT_EQ(at400.drawHeight, 1079); // capped at the screen's 1080 rows, then set to dh
    EXPECT_EQ(at400.drawWidth, 1832);
    const viewer::RenderPlan bottomRight = viewer::PlanRender(FaxPageRequest(100, 100, 100));
    EXPECT_EQ(bottomRight.drawWidth, 411); // the page ends inside the view
    EXPECT_EQ(bottomRight.drawHeight, 267);
}

TEST(RenderPlan, NothingIsDrawnWithoutAViewOrAPage) {
    viewer::RenderRequest narrow = FaxPageRequest(0, 0, 0);
    narrow.viewWidthTwips = 7; // less than a pixel: the fit zoom would be 0
    EXPECT_FALSE(viewer::PlanRender(narrow).draws);
    viewer::RenderRequest empty = FaxPageRequest(100, 0, 0);
    empty.pageWidth = 0;
    EXPECT_FALSE(viewer::PlanRender(empty).draws);
    viewer::RenderRequest negative = FaxPageRequest(100, 0, 0, -204, 196);
    EXPECT_FALSE(viewer::PlanRender(negative).draws);
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
    const std::pair<double, int32_t> cases[] = {{2.5, 2},          {3.5, 4},  {-2.5, -2},
                                                {18.5, 18},        {0.49, 0}, {1e30, INT32_MAX},
                                                {-1e30, INT32_MIN}};
    for (auto [value, expected] : cases)
        EXPECT_EQ(RoundHalfEven(value), expected) << value;
}

TEST(StretchBands, FaxPageAtFullZoomUsesBandsOfAThousand) {
    const auto bands = viewer::PlanStretchBands(0, 0, 1727, 2199, 0, 0, 814, 1078);
    ASSERT_EQ(bands.size(), 6u);
    // Columns 1000 + 728 -> 471 + 342; rows 1000 + 1000 + 200 -> 490 + 490 + 98.
    const int32_t widths[] = {471, 342}, heights[] = {490, 490, 98};
    const int32_t sourceWidths[] = {1000, 728}, sourceHeights[] = {1000, 1000, 200};
    const int32_t xs[] = {0, 471}, ys[] = {0, 490, 980};
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const viewer::StretchBand& b = bands[i];
        EXPECT_EQ(b.sourceWidth, sourceWidths[i % 2]) << i;
        EXPECT_EQ(b.sourceHeight, sourceHeights[i / 2]) << i;
        EXPECT_EQ(b.targetWidth, widths[i % 2]) << i;
        EXPECT_EQ(b.targetHeight, heights[i / 2]) << i;
        EXPECT_EQ(b.targetX, xs[i % 2]) << i;
        EXPECT_EQ(b.targetY, ys[i / 2]) << i;
        EXPECT_EQ(b.sourceX, i % 2 == 0 ? 0 : 1000) << i;
    }
}

TEST(StretchBands, ReversedCornersAreOrderedAndASmallCopyIsOneBand) {
    const auto bands = viewer::PlanStretchBands(9, 4, 0, 0, 3, 5, 20, 10);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_EQ(bands[0].sourceX, 0);
    EXPECT_EQ(bands[0].sourceY, 0);
    EXPECT_EQ(bands[0].sourceWidth, 10);
    EXPECT_EQ(bands[0].sourceHeight, 5);
    EXPECT_EQ(bands[0].targetX, 3);
    EXPECT_EQ(bands[0].targetY, 5);
    // The sizes are taken before the corners are put in order: -8 and -3 source pixels.
    EXPECT_EQ(bands[0].targetWidth, static_cast<int32_t>(10 * (20.0 / -8)));
}

} // namespace
} // namespace faxlens
