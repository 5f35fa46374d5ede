// Decoding the strip of each page from bytes already in memory: Faxlens into a fresh white
// surface as the viewer does (making the surface is part of the work), against libtiff decoding
// the same strip into a buffer allocated once, in one run. The benchmarks' own pages in Group 3
// and Group 4, and Ghostscript's pages in Group 4, Group 3, Group 3 two-dimensional and Huffman
// RLE.

#include "memory_tiff.h"
#include "page_files.h"
#include "writer_pages.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <string>

namespace {

using namespace faxlens;
using namespace faxlens::bench;

void FaxlensDecode(benchmark::State& state, BenchPage page, Coding coding) {
    const PageFile& file = FileOf(page, coding);
    for (auto _ : state) {
        const auto surface = DecodeIntoNewSurface(page, coding, file.strip);
        if (!surface)
            state.SkipWithError("the strip does not decode to every row");
        benchmark::DoNotOptimize(surface.get());
    }
    state.counters["strip_bytes"] = static_cast<double>(file.strip.size());
}

// Whether Faxlens decodes the page to the pixels libtiff decodes it to.
bool SameAsLibtiff(const WriterPage& page) {
    const auto surface = DecodeWriterPage(page);
    MemoryTiff memory(page.bytes);
    TIFF* tif = memory.Open("r");
    if (!surface || tif == nullptr)
        return false;
    std::vector<uint8_t> rows(static_cast<std::size_t>(TIFFStripSize(tif)));
    if (TIFFReadEncodedStrip(tif, 0, rows.data(), static_cast<tmsize_t>(rows.size())) !=
        static_cast<tmsize_t>(rows.size()))
        return false;
    const std::size_t stride = surface->PlaneStride();
    for (int32_t y = 0; y < page.height; ++y)
        if (std::memcmp(surface->PlaneRow(y), rows.data() + stride * static_cast<std::size_t>(y),
                        stride) != 0)
            return false;
    return true;
}

void FaxlensDecodeWriterPage(benchmark::State& state, const std::string& name) {
    const WriterPage* page = GhostscriptPage(name);
    if (page == nullptr || !SameAsLibtiff(*page)) {
        state.SkipWithError(page ? "Faxlens and libtiff decode the page differently"
                                 : "Ghostscript's page cannot be had");
        return;
    }
    for (auto _ : state) {
        const auto surface = DecodeWriterPage(*page);
        if (!surface)
            state.SkipWithError("the strip does not decode to every row");
        benchmark::DoNotOptimize(surface.get());
    }
    state.counters["strip_bytes"] = static_cast<double>(page->strip.size());
}

// libtiff decodes strip 0 of the file.
void LibtiffDecodeFile(benchmark::State& state, const std::vector<uint8_t>* bytes,
                       std::size_t stripBytes) {
    MemoryTiff memory(*bytes);
    TIFF* tif = memory.Open("r");
    std::vector<uint8_t> rows(static_cast<std::size_t>(TIFFStripSize(tif)));
    for (auto _ : state) {
        const tmsize_t got =
            TIFFReadEncodedStrip(tif, 0, rows.data(), static_cast<tmsize_t>(rows.size()));
        if (got != static_cast<tmsize_t>(rows.size()))
            state.SkipWithError("libtiff does not decode the strip");
        benchmark::DoNotOptimize(rows.data());
        benchmark::ClobberMemory();
    }
    state.counters["strip_bytes"] = static_cast<double>(stripBytes);
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
                std::string("Decode/") + FormatOf(page).name + "/" + NameOf(coding),
                [page, coding](benchmark::State& state) { FaxlensDecode(state, page, coding); },
                [page, coding](benchmark::State& state) {
                    const PageFile& file = FileOf(page, coding);
                    LibtiffDecodeFile(state, &file.bytes, file.strip.size());
                });
    for (const std::string& name : GhostscriptPageNames())
        Register(
            "Decode/" + name,
            [name](benchmark::State& state) { FaxlensDecodeWriterPage(state, name); },
            [name](benchmark::State& state) {
                if (const WriterPage* page = GhostscriptPage(name))
                    LibtiffDecodeFile(state, &page->bytes, page->strip.size());
                else
                    state.SkipWithError("Ghostscript's page cannot be had");
            });
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
