// Checking files as faxlens-cli check does (every directory listed, every page decoded as the
// viewer decodes it, nothing painted or written), on one core and on all, against libtiff reading
// every strip of every directory of the same file, in one run. Two files: the three sample pages
// saved as Group 4 pages 333 times over (999 pages of a real fax's mix), and the benchmarks' A4
// text page a thousand times.

#include "app/page_check.h"
#include "page_files.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace faxlens;
using namespace faxlens::bench;

void Quit(const std::string& why) {
    std::cerr << why << "\n";
    std::exit(1);
}

// The pages of a file as rows of bits, as libtiff reads them.
struct Page {
    uint32_t width = 0;
    uint32_t height = 0;
    float xResolution = 204;
    float yResolution = 196;
    std::vector<std::vector<uint8_t>> rows;
};

std::vector<Page> ReadPages(const std::string& path) {
    std::vector<Page> pages;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr)
        Quit("libtiff cannot read " + path);
    do {
        Page page;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page.width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page.height);
        TIFFGetField(tif, TIFFTAG_XRESOLUTION, &page.xResolution);
        TIFFGetField(tif, TIFFTAG_YRESOLUTION, &page.yResolution);
        page.rows.assign(page.height, std::vector<uint8_t>(TIFFScanlineSize(tif)));
        for (uint32_t y = 0; y < page.height; ++y)
            if (TIFFReadScanline(tif, page.rows[y].data(), y, 0) < 0)
                Quit("libtiff cannot read " + path);
        pages.push_back(std::move(page));
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return pages;
}

// The three sample pages as Group 4 pages, 333 times over: 999 pages in one file.
const std::string& SampleFile() {
    static const std::string path = [] {
        const std::vector<Page> pages = ReadPages(FAXLENS_SAMPLES_DIR "/fax-three-pages.tif");
        const std::string file = TemporaryPath("999-sample-pages.tif");
        TIFF* tif = TIFFOpen(file.c_str(), "w");
        if (tif == nullptr)
            Quit("libtiff cannot write " + file);
        for (int copy = 0; copy < 333; ++copy) {
            for (const Page& page : pages) {
                const PageFormat format{
                    "sample", static_cast<int32_t>(page.width), static_cast<int32_t>(page.height),
                    static_cast<int32_t>(page.xResolution), static_cast<int32_t>(page.yResolution)};
                SetFaxTags(tif, format, Coding::Group4);
                for (uint32_t y = 0; y < page.height; ++y)
                    if (TIFFWriteScanline(tif, const_cast<uint8_t*>(page.rows[y].data()), y, 0) < 0)
                        Quit("libtiff cannot write " + file);
                if (!TIFFWriteDirectory(tif))
                    Quit("libtiff cannot write " + file);
            }
        }
        TIFFClose(tif);
        return file;
    }();
    return path;
}

// The A4 page's Group 4 strip written as every page of one file.
const std::string& ThousandA4File() {
    static const std::string path = [] {
        const std::string file = TemporaryPath("thousand-pages.tif");
        const PageFile& page = FileOf(BenchPage::A4Text, Coding::Group4);
        TIFF* tif = TIFFOpen(file.c_str(), "w");
        bool written = tif != nullptr;
        std::vector<uint8_t> strip = page.strip;
        for (int k = 0; written && k < 1000; ++k) {
            SetFaxTags(tif, FormatOf(BenchPage::A4Text), Coding::Group4);
            written =
                TIFFWriteRawStrip(tif, 0, strip.data(), static_cast<tmsize_t>(strip.size())) > 0 &&
                TIFFWriteDirectory(tif) == 1;
        }
        if (tif)
            TIFFClose(tif);
        if (!written)
            Quit("libtiff cannot write " + file);
        return file;
    }();
    return path;
}

const std::string& FileFor(const benchmark::State& state) {
    return state.range(0) == 0 ? SampleFile() : ThousandA4File();
}

void FaxlensCheck(benchmark::State& state, unsigned jobs) {
    const std::string& path = FileFor(state);
    std::size_t pages = 0;
    for (auto _ : state) {
        const std::vector<cli::FileCheck> checks = cli::CheckFiles({path}, jobs);
        pages = checks.at(0).pages.size();
        if (!cli::AllOk(checks))
            state.SkipWithError("not every page is ok");
        benchmark::DoNotOptimize(checks.data());
    }
    state.counters["pages"] = static_cast<double>(pages);
}

void FaxlensCheckOneCore(benchmark::State& state) {
    FaxlensCheck(state, 1);
}

void FaxlensCheckEveryCore(benchmark::State& state) {
    FaxlensCheck(state, std::max(std::thread::hardware_concurrency(), 1u));
}

// Every strip of every directory read and decoded by libtiff.
void LibtiffReadEveryStrip(benchmark::State& state) {
    const std::string& path = FileFor(state);
    int pages = 0;
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        std::vector<uint8_t> rows;
        pages = 0;
        do {
            rows.resize(static_cast<std::size_t>(TIFFStripSize(tif)));
            bool read = true;
            for (tstrip_t s = 0; s < TIFFNumberOfStrips(tif); ++s)
                read = read && TIFFReadEncodedStrip(tif, s, rows.data(),
                                                    static_cast<tmsize_t>(rows.size())) > 0;
            pages += read ? 1 : 0;
            benchmark::DoNotOptimize(rows.data());
        } while (TIFFReadDirectory(tif));
        TIFFClose(tif);
    }
    state.counters["pages"] = pages;
}

} // namespace

// Argument 0: the 999 sample pages; 1: the thousand A4 text pages.
BENCHMARK(FaxlensCheckOneCore)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(FaxlensCheckEveryCore)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LibtiffReadEveryStrip)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
