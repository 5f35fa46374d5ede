// Checking a file of a thousand A4 fax pages as faxlens-cli check does (every directory listed,
// every page decoded as the viewer decodes it, nothing written), against libtiff decoding every
// strip of the same file, in one run.

#include "app/page_check.h"
#include "page_files.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

using namespace faxlens;
using namespace faxlens::bench;

constexpr int kPages = 1000;

// The A4 page's Group 4 strip written as every page of one file.
const std::string& ThousandPageFile() {
    static const std::string path = [] {
        const std::string file = TemporaryPath("thousand-pages.tif");
        const PageFile& page = FileOf(BenchPage::A4Text, Coding::Group4);
        TIFF* tif = TIFFOpen(file.c_str(), "w");
        bool written = tif != nullptr;
        std::vector<uint8_t> strip = page.strip;
        for (int k = 0; written && k < kPages; ++k) {
            SetFaxTags(tif, FormatOf(BenchPage::A4Text), Coding::Group4);
            written =
                TIFFWriteRawStrip(tif, 0, strip.data(), static_cast<tmsize_t>(strip.size())) > 0 &&
                TIFFWriteDirectory(tif) == 1;
        }
        if (tif)
            TIFFClose(tif);
        if (!written) {
            std::cerr << "libtiff cannot write " << file << "\n";
            std::exit(1);
        }
        return file;
    }();
    return path;
}

void FaxlensCheck(benchmark::State& state) {
    const std::string& path = ThousandPageFile();
    for (auto _ : state) {
        const std::vector<cli::FileCheck> checks = cli::CheckFiles({path}, 1);
        if (checks.at(0).pages.size() != kPages || !cli::AllOk(checks))
            state.SkipWithError("not every page is ok");
        benchmark::DoNotOptimize(checks.data());
    }
    state.counters["pages"] = kPages;
}

void LibtiffDecodeEveryPage(benchmark::State& state) {
    const std::string& path = ThousandPageFile();
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        std::vector<uint8_t> rows(static_cast<std::size_t>(TIFFStripSize(tif)));
        int pages = 0;
        do {
            if (TIFFReadEncodedStrip(tif, 0, rows.data(), static_cast<tmsize_t>(rows.size())) > 0)
                ++pages;
            benchmark::DoNotOptimize(rows.data());
        } while (TIFFReadDirectory(tif));
        TIFFClose(tif);
        if (pages != kPages)
            state.SkipWithError("libtiff does not decode every page");
    }
    state.counters["pages"] = kPages;
}

} // namespace

BENCHMARK(FaxlensCheck)->Unit(benchmark::kMillisecond);
BENCHMARK(LibtiffDecodeEveryPage)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
