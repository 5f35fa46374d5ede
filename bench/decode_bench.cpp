// Decoding the strip of each page, Group 3 and Group 4, from bytes already in memory: Faxlens
// into a fresh white surface as the viewer does (making the surface is part of the work),
// against libtiff decoding the same strip into a buffer allocated once, in one run.

#include "memory_tiff.h"
#include "page_files.h"

#include <benchmark/benchmark.h>
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

void LibtiffDecode(benchmark::State& state, BenchPage page, Coding coding) {
    const PageFile& file = FileOf(page, coding);
    MemoryTiff memory(file.bytes);
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
    state.counters["strip_bytes"] = static_cast<double>(file.strip.size());
}

} // namespace

int main(int argc, char** argv) {
    for (const BenchPage page : kBenchPages)
        for (const Coding coding : kCodings) {
            const std::string name =
                std::string("Decode/") + FormatOf(page).name + "/" + NameOf(coding);
            benchmark::RegisterBenchmark((name + "/Faxlens").c_str(), FaxlensDecode, page, coding)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark((name + "/libtiff").c_str(), LibtiffDecode, page, coding)
                ->Unit(benchmark::kMillisecond);
        }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
