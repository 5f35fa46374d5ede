// The viewer's state without a window: what zoom the box's text gives, where each request moves
// the view, and how turns and steps to other images add up.

#include "viewer/view_controller.h"

#include <gtest/gtest.h>
#include <tuple>

namespace faxlens::viewer {
namespace {

// A fax page of 1728 x 2200 pixels drawn at 50 % into a view of 400 x 300 pixels.
ShownPage HalfSizeFax() {
    ShownPage shown;
    shown.width = 1728;
    shown.height = 2200;
    shown.plan.draws = true;
    shown.plan.zoom = 50;
    shown.plan.kx = 0.5;
    shown.plan.ky = 0.5;
    shown.plan.viewWidth = 400;
    shown.plan.viewHeight = 300;
    return shown;
}

TEST(ViewControllerZoom, TextGivesTheZoomInForce) {
    const std::tuple<const char*, float, float> cases[] = {
        {"100%", 0, 100},           {" 2 5 0 %", 0, 250},   {"Fit width", 0, 0},
        {"Fit page", 37.5F, 37.5F}, {" fit PAGE ", 20, 20}, {"abc", 80, 0},
    };
    for (const auto& [text, fitPage, expected] : cases) {
        ViewController controller;
        controller.SetZoomText(QString::fromLatin1(text));
        EXPECT_FLOAT_EQ(controller.ZoomInForce(fitPage), expected) << text;
    }
}

TEST(ViewControllerZoom, CommandsSetTheBoxTextAndNeedAPageShown) {
    ViewController controller;
    EXPECT_EQ(controller.ZoomText(), "100%");
    EXPECT_FALSE(controller.ZoomIn(ShownPage{})) << "nothing drawn: no step to take";
    EXPECT_EQ(controller.ZoomText(), "100%");
    EXPECT_TRUE(controller.ZoomIn(HalfSizeFax()));
    EXPECT_EQ(controller.ZoomText(), "67%");
    EXPECT_TRUE(controller.ZoomOut(HalfSizeFax()));
    EXPECT_EQ(controller.ZoomText(), "33%");
    controller.FitPage();
    EXPECT_TRUE(controller.FitsPage());
    controller.FitWidth();
    EXPECT_EQ(controller.ZoomText(), "Fit width");
    controller.ShowActualSize();
    EXPECT_EQ(controller.ZoomText(), "100%");
}

// Zooming around a point keeps the page pixel under it: at the view's top-left corner, the page
// origin stays where it was.
TEST(ViewControllerZoom, ZoomAroundThePointerSetsZoomAndScrollTogether) {
    ViewController controller;
    EXPECT_FALSE(controller.ZoomAround(1, 0, 0, ShownPage{}));
    ASSERT_TRUE(controller.ZoomAround(2, 0, 0, HalfSizeFax()));
    EXPECT_EQ(controller.ZoomText(), "75%");
    EXPECT_EQ(controller.Scroll().h, 0);
    EXPECT_EQ(controller.Scroll().v, 0);
    ASSERT_TRUE(controller.ZoomAround(-1, 400, 300, HalfSizeFax()));
    EXPECT_EQ(controller.ZoomText(), "33%");
}

// Keys step as the scroll bars do, and stay within the page's range; an axis that fits the view
// whole does not move.
TEST(ViewControllerScroll, KeysStepWithinTheRange) {
    const ShownPage shown = HalfSizeFax();
    const int single = StepsFor(VerticalAxis(shown.plan, shown.height)).single;
    const int page = StepsFor(VerticalAxis(shown.plan, shown.height)).page;
    const int across = StepsFor(HorizontalAxis(shown.plan, shown.width)).single;
    const std::tuple<ScrollMove, int, int> cases[] = {
        {ScrollMove::Down, 0, single},      {ScrollMove::PageDown, 0, page},
        {ScrollMove::End, 0, kScrollUnits}, {ScrollMove::Up, 0, 0},
        {ScrollMove::Start, 0, 0},          {ScrollMove::Right, across, 0},
    };
    for (const auto& [move, h, v] : cases) {
        ViewController controller;
        controller.ScrollByKey(move, shown);
        EXPECT_EQ(controller.Scroll().h, h) << static_cast<int>(move);
        EXPECT_EQ(controller.Scroll().v, v) << static_cast<int>(move);
    }
    ShownPage whole = shown;
    whole.plan.kx = whole.plan.ky = 0.1; // the whole page fits the view
    ViewController controller;
    EXPECT_FALSE(controller.ScrollByKey(ScrollMove::PageDown, whole));
    EXPECT_FALSE(controller.ScrollByNotches(0, 3, 3, whole));
    EXPECT_FALSE(controller.ScrollTo(-5, -1)) << "clamped to where it is";
}

TEST(ViewControllerScroll, PixelsAndNotchesMoveTheView) {
    const ShownPage shown = HalfSizeFax();
    ViewController controller;
    ASSERT_TRUE(controller.ScrollByPixels(0, 100, shown));
    // 100 screen pixels are 200 page pixels of the 2200 - 1 - 600 the view travels over.
    EXPECT_EQ(controller.Scroll().v, 1251);
    EXPECT_FALSE(controller.ScrollByPixels(0, 0, shown));
    ViewController wheel;
    ASSERT_TRUE(wheel.ScrollByNotches(0, 1, 3, shown));
    EXPECT_EQ(wheel.Scroll().v, 3 * StepsFor(VerticalAxis(shown.plan, shown.height)).single);
}

// Quick turns add up to at most one turn, four to none; steps to other images add up until one
// is taken, which starts the view at the top.
TEST(ViewControllerPending, TurnsAndStepsAddUp) {
    ViewController controller;
    for (int k = 0; k < 48; ++k)
        controller.AddTurn(true);
    EXPECT_EQ(controller.PendingTurns(), 0);
    controller.AddTurn(false);
    EXPECT_EQ(controller.PendingTurns(), 3);
    controller.AddTurn(true);
    controller.AddTurn(true);
    EXPECT_EQ(controller.PendingTurns(), 1);
    controller.TurnsDone();
    EXPECT_EQ(controller.PendingTurns(), 0);

    controller.ScrollTo(10, 500);
    controller.AddStep(1);
    controller.AddStep(1);
    controller.AddStep(-3);
    EXPECT_EQ(controller.PendingStep(), -1);
    controller.StepRefused();
    EXPECT_EQ(controller.PendingStep(), 0);
    EXPECT_EQ(controller.Scroll().v, 500) << "a refused step leaves the view";
    controller.AddStep(2);
    controller.StepTaken();
    EXPECT_EQ(controller.PendingStep(), 0);
    EXPECT_EQ(controller.Scroll().h + controller.Scroll().v, 0);
}

} // namespace
} // namespace faxlens::viewer
