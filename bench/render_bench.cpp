// One redraw of the viewer: a 1728 x 2200 text-like fax page at 204 x 196 dpi drawn into a view
// of 411 x 267 pixels on a 1920 x 1080 screen at 96 dpi, scroll values 50 and 50, at several
// zooms. A redraw plans the drawing, fills the view with its background and scales every band
// of the page into it; a frame at 60 Hz leaves 16 ms for all of it.

#include "support/libtiff_pages.h"
#include "viewer/area_scaler.h"
#include "viewer/page_surface.h"
#include "viewer/render_geometry.h"

#include <benchmark/benchmark.h>
#include <cstring>

namespace {

using namespace faxlens;

constexpr int32_t kWidth = 1728;
constexpr int32_t kHeight = 2200;
constexpr uint8_t kBackgroundGrey = 0xAB; // the application-workspace grey of the view

struct Page {
    std::unique_ptr<PageSurface> surface;
    std::vector<uint8_t> grey;
};

const Page& TextPage() {
    static const Page page = [] {
        const test::Bitmap bitmap = test::TextLikePage(kWidth, kHeight, 5);
        Page made{CreatePageSurface(kWidth, kHeight, kColourWhite), {}};
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x)
                if (bitmap.At(x, y))
                    made.surface->PaintLine(x, y, x, kColourBlack);
        made.grey = GreyPlaneOf(*made.surface);
        return made;
    }();
    return page;
}

RenderRequest RequestAt(float zoom) {
    RenderRequest request;
    request.pageWidth = kWidth;
    request.pageHeight = kHeight;
    request.viewWidthTwips = 6165;
    request.viewHeightTwips = 4005;
    request.zoom = zoom;
    request.xResolution = 204;
    request.yResolution = 196;
    request.hValue = 50;
    request.vValue = 50;
    request.screen = {1920, 1080, 96, 96, 15, 15};
    return request;
}

// The view's picture is kept from one redraw to the next, as the view keeps its own.
void Redraw(const PixelSource& page, const RenderRequest& request, std::vector<uint8_t>& view) {
    const RenderPlan plan = PlanRender(request);
    if (!plan.draws)
        return;
    view.resize(std::size_t(plan.drawWidth) * plan.drawHeight * 3);
    std::memset(view.data(), kBackgroundGrey, view.size());
    const PixelTarget target{view.data(), plan.drawWidth, plan.drawHeight, plan.drawWidth * 3};
    for (const StretchBand& band :
         PlanStretchBands(plan.x0, plan.y0, plan.x1, plan.y1, 0, 0, plan.dw + 1, plan.dh + 1))
        ScaleAreaAverage(page, band.sourceX, band.sourceY, band.sourceWidth, band.sourceHeight,
                         target, band.targetX, band.targetY, band.targetWidth, band.targetHeight);
}

void TimeRedraws(benchmark::State& state, const PixelSource& page) {
    const RenderRequest request = RequestAt(static_cast<float>(state.range(0)));
    std::vector<uint8_t> view;
    for (auto _ : state) {
        Redraw(page, request, view);
        benchmark::DoNotOptimize(view.data());
        benchmark::ClobberMemory();
    }
    const RenderPlan plan = PlanRender(request);
    state.counters["source_px"] = double(plan.x1 - plan.x0 + 1) * (plan.y1 - plan.y0 + 1);
    state.counters["drawn_px"] = double(plan.dw + 1) * (plan.dh + 1);
}

// The page's grey plane, as the viewer scales it.
void BM_RedrawGrey(benchmark::State& state) {
    const Page& page = TextPage();
    TimeRedraws(state, SourceOfGreyPlane(page.grey, kWidth, kHeight));
}

// The surface's three channels, for comparison.
void BM_RedrawRgb(benchmark::State& state) {
    TimeRedraws(state, SourceOf(*TextPage().surface));
}

// What the viewer pays once a page, to make the grey plane.
void BM_GreyPlaneOf(benchmark::State& state) {
    const PageSurface& surface = *TextPage().surface;
    for (auto _ : state)
        benchmark::DoNotOptimize(GreyPlaneOf(surface));
}

// Zoom 0 fits the page width into the view.
BENCHMARK(BM_RedrawGrey)
    ->ArgName("zoom")
    ->Arg(10)
    ->Arg(0)
    ->Arg(100)
    ->Arg(400)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawRgb)->ArgName("zoom")->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GreyPlaneOf)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
