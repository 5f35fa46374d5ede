// Coding the strip of each page, Group 3 and Group 4, from the page's surface into memory:
// Faxlens against libtiff coding the same pixels with the same compression, in one run; the
// benchmarks' own pages and Ghostscript's A4 and A0 pages. One whole save of the A4 page to a
// file (its fsync included) is timed too, for information.

#include "encode/page_encoder.h"
#include "memory_tiff.h"
#include "page/surface_rows.h"
#include "page_files.h"
#include "writer_pages.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace faxlens;
using namespace faxlens::bench;

void FaxlensCode(benchmark::State& state, const page::PageSurface& surface, Coding coding) {
    const auto code = coding == Coding::Group3 ? encode::CodeStripG3 : encode::CodeStripG4;
    std::vector<uint8_t> strip; // reused, as libtiff's memory file is
    const encode::StripBlockSink sink = [&strip](std::span<const uint8_t> block) {
        strip.insert(strip.end(), block.begin(), block.end());
    };
    for (auto _ : state) {
        strip.clear();
        code(page::SurfaceRows(surface), 0, 0, sink, {});
        benchmark::DoNotOptimize(strip.data());
    }
    state.counters["out_bytes"] = static_cast<double>(strip.size());
}

// A min-is-white page with 1 for black is exactly the surface's plane of a white page with
// black ink, so libtiff is handed the plane's rows.
void LibtiffCode(benchmark::State& state, const page::PageSurface& surface,
                 const PageFormat& format, Coding coding) {
    MemoryTiff file;
    for (auto _ : state) {
        TIFF* tif = file.Open("w");
        SetFaxTags(tif, format, coding);
        for (int32_t y = 0; y < format.height; ++y)
            if (TIFFWriteScanline(tif, const_cast<uint8_t*>(surface.PlaneRow(y)),
                                  static_cast<uint32_t>(y), 0) != 1)
                state.SkipWithError("libtiff cannot code a row");
        file.Close();
        benchmark::DoNotOptimize(file.Bytes().data());
    }
    state.counters["out_bytes"] = static_cast<double>(FirstStripOf(file.Bytes()).size());
}

void FaxlensSave(benchmark::State& state, Coding coding) {
    const page::PageSurface& surface = SurfaceOf(BenchPage::A4Text);
    const std::string path = TemporaryPath(std::string("saved-") + NameOf(coding) + ".tif");
    const auto save = coding == Coding::Group3 ? encode::SavePageG3 : encode::SavePageG4;
    for (auto _ : state)
        if (const auto result = save(page::SurfaceRows(surface), 204, 196, path, 0, 0, {}); !result)
            state.SkipWithError(result.Reason().c_str());
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

// Ghostscript's Group 4 page of the sheet, decoded once.
const page::PageSurface* GhostscriptSurface(const std::string& sheet, PageFormat& format) {
    static std::map<std::string, std::unique_ptr<page::PageSurface>> surfaces;
    const WriterPage* page = GhostscriptPage(sheet + "/G4");
    if (page == nullptr)
        return nullptr;
    format = {sheet.c_str(), page->width, page->height, page->xResolution, page->yResolution};
    std::unique_ptr<page::PageSurface>& surface = surfaces[sheet];
    if (!surface)
        surface = DecodeWriterPage(*page);
    return surface.get();
}

void Register(const std::string& name, auto faxlens, auto libtiff) {
    benchmark::RegisterBenchmark((name + "/Faxlens").c_str(), faxlens)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((name + "/libtiff").c_str(), libtiff)
        ->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv) {
    for (const BenchPage page : kBenchPages)
        for (const Coding coding : kCodings)
            Register(
                std::string("Encode/") + FormatOf(page).name + "/" + NameOf(coding),
                [page, coding](benchmark::State& state) {
                    FaxlensCode(state, SurfaceOf(page), coding);
                },
                [page, coding](benchmark::State& state) {
                    LibtiffCode(state, SurfaceOf(page), FormatOf(page), coding);
                });
    for (const std::string sheet : {"gs_A4", "gs_A0"})
        for (const Coding coding : kCodings)
            Register(
                "Encode/" + sheet + "/" + NameOf(coding),
                [sheet, coding](benchmark::State& state) {
                    PageFormat format{};
                    if (const page::PageSurface* surface = GhostscriptSurface(sheet, format))
                        FaxlensCode(state, *surface, coding);
                    else
                        state.SkipWithError("Ghostscript's page cannot be had");
                },
                [sheet, coding](benchmark::State& state) {
                    PageFormat format{};
                    if (const page::PageSurface* surface = GhostscriptSurface(sheet, format))
                        LibtiffCode(state, *surface, format, coding);
                    else
                        state.SkipWithError("Ghostscript's page cannot be had");
                });
    for (const Coding coding : kCodings)
        benchmark::RegisterBenchmark(
            (std::string("SaveFile/A4_text/") + NameOf(coding) + "/Faxlens").c_str(), FaxlensSave,
            coding)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
