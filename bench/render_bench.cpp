// One redraw of the viewer at several zooms: a page drawn into the view of a viewer as it opens,
// 411 x 267 pixels (6165 x 4005 twips), or of a viewer grown to the screen, 1264 x 835 pixels,
// on a 1920 x 1080 screen at 96 dpi, scroll values 50 and 50. A redraw plans
// the drawing, fills the view with its background and scales every band of the page into the
// part of it that the frame shows (the view and the frame's margin of 6 pixels); a frame at
// 60 Hz leaves 16 ms for all of it. The A0 pages are at 400 dpi, the A4 page at 204 x 196 dpi.
//
// Print/...: the page printed to a PDF file on A4 paper at the printer's high resolution, as the
// viewer prints it: the file's size and the process's peak memory (run it alone, with a filter,
// for the peak to be the print's).

#include "page_files.h"
#include "viewer/band_scaling.h"
#include "viewer/page_printing.h"
#include "viewer/render_geometry.h"

#include <QGuiApplication>
#include <QPrinter>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace {

using namespace faxlens;
using namespace faxlens::bench;

constexpr uint8_t kBackgroundGrey = 0xAB; // the application-workspace grey of the view

struct ViewSize {
    int32_t widthTwips;
    int32_t heightTwips;
};
constexpr ViewSize kViewSizes[] = {{6165, 4005}, {18960, 12525}};

viewer::RenderRequest RequestAt(BenchPage page, float zoom, const ViewSize& view) {
    const PageFormat& format = FormatOf(page);
    viewer::RenderRequest request;
    request.pageWidth = format.width;
    request.pageHeight = format.height;
    request.viewWidthTwips = view.widthTwips;
    request.viewHeightTwips = view.heightTwips;
    request.zoom = zoom;
    request.xResolution = format.xResolution;
    request.yResolution = format.yResolution;
    request.hValue = 50;
    request.vValue = 50;
    request.screen = {1920, 1080, 96, 96, 15, 15};
    return request;
}

// The view's picture is kept from one redraw to the next, as the view keeps its own.
void Redraw(const viewer::PixelSource& page, const viewer::RenderRequest& request,
            std::vector<uint8_t>& view) {
    const viewer::RenderPlan plan = viewer::PlanRender(request);
    if (!plan.draws)
        return;
    view.resize(std::size_t(plan.drawWidth) * plan.drawHeight * 3);
    std::memset(view.data(), kBackgroundGrey, view.size());
    constexpr int32_t kFrameMargin = 6;
    const viewer::PixelTarget target{
        view.data(), std::min(plan.drawWidth, plan.viewWidth + kFrameMargin),
        std::min(plan.drawHeight, plan.viewHeight + kFrameMargin), plan.drawWidth * 3};
    viewer::ScaleBands(page, target,
                       viewer::PlanStretchBands(plan.x0, plan.y0, plan.x1, plan.y1, 0, 0,
                                                plan.dw + 1, plan.dh + 1));
}

void TimeRedraws(benchmark::State& state, BenchPage page) {
    const viewer::PixelSource source = viewer::SourceOf(SurfaceOf(page));
    const viewer::RenderRequest request =
        RequestAt(page, static_cast<float>(state.range(0)),
                  kViewSizes[static_cast<std::size_t>(state.range(1))]);
    std::vector<uint8_t> view;
    for (auto _ : state) {
        Redraw(source, request, view);
        benchmark::DoNotOptimize(view.data());
        benchmark::ClobberMemory();
    }
    const viewer::RenderPlan plan = viewer::PlanRender(request);
    state.counters["source_px"] = double(plan.x1 - plan.x0 + 1) * (plan.y1 - plan.y0 + 1);
    state.counters["drawn_px"] = double(std::min(plan.dw + 1, plan.viewWidth + 6)) *
                                 std::min(plan.dh + 1, plan.viewHeight + 6);
}

void TimePrints(benchmark::State& state, BenchPage page) {
    const PageFormat& format = FormatOf(page);
    const std::string out =
        (std::filesystem::temp_directory_path() / "faxlens-bench-print.pdf").string();
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(out));
        printer.setPageSize(QPageSize(QPageSize::A4));
        if (viewer::PrintPageInBands(SurfaceOf(page), format.xResolution, format.yResolution,
                                     printer) != viewer::PrintOutcome::Printed)
            state.SkipWithError("the page was not printed");
    }
    state.counters["pdf_bytes"] = static_cast<double>(std::filesystem::file_size(out));
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mib"] = static_cast<double>(usage.ru_maxrss) / 1024;
    std::filesystem::remove(out);
}

} // namespace

int main(int argc, char** argv) {
    // Printing needs the GUI part of Qt, without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    for (const BenchPage page : kBenchPages)
        benchmark::RegisterBenchmark((std::string("Print/") + FormatOf(page).name).c_str(),
                                     TimePrints, page)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    for (const BenchPage page : kBenchPages)
        benchmark::RegisterBenchmark((std::string("Redraw/") + FormatOf(page).name).c_str(),
                                     TimeRedraws, page)
            ->ArgNames({"zoom", "large"}) // zoom 0 fits the page width into the view
            ->ArgsProduct({{3, 5, 10, 0, 25, 100, 400}, {0, 1}})
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
