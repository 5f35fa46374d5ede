// Decoding a 1728 x 2200 text-like fax page into the page surface, Group 3 and Group 4, against
// libtiff decoding the same strip, in one run.

#include "codec/page_decode.h"
#include "support/libtiff_pages.h"
#include "tiff/binary_file.h"
#include "tiff/page_info.h"
#include "tiff/tiff_reader.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <tiffio.h>
#include <unistd.h>

namespace {

using namespace faxlens;

constexpr int32_t kWidth = 1728;
constexpr int32_t kHeight = 2200;

struct PageFile {
    std::string path;
    TiffPage page;
    std::vector<uint8_t> strip;
};

const PageFile& Page(int compression) {
    static std::map<int, PageFile> files;
    auto found = files.find(compression);
    if (found != files.end())
        return found->second;
    PageFile file;
    file.path =
        (std::filesystem::temp_directory_path() / ("faxlens-bench-g" + std::to_string(compression) +
                                                   "-" + std::to_string(::getpid()) + ".tif"))
            .string();
    test::FaxOptions options;
    options.compression = compression;
    options.t4Options = 4;
    test::WriteFaxPages(file.path, {test::TextLikePage(kWidth, kHeight, 5)}, options);
    std::vector<int32_t> offsets;
    int32_t count = 0;
    ListImages(file.path, offsets, count, 0);
    GetPageInfo(file.path, offsets[0], file.page);
    GetStrips(file.path, offsets[0], file.page);
    const StripSlot& slot = file.page.strips.at(0);
    file.strip = BinaryFile(file.path).Read(slot.offset, static_cast<std::size_t>(slot.byteCount));
    return files.emplace(compression, std::move(file)).first->second;
}

void FaxlensDecode(benchmark::State& state, int compression) {
    const PageFile& file = Page(compression);
    auto surface = CreatePageSurface(kWidth, kHeight, kColourWhite);
    const auto decode =
        compression == 3 ? modConvert_TIF2DC::DecodeStrip1D : modConvert_TIF2DC::DecodeStrip2D;
    for (auto _ : state) {
        state.PauseTiming(); // a fresh white page, as the viewer creates it
        surface->Fill(kColourWhite);
        state.ResumeTiming();
        decode(*surface, file.strip, kWidth, kHeight, 0, 0, kColourBlack, {});
        benchmark::DoNotOptimize(surface->Row(0));
    }
    state.counters["strip_bytes"] = static_cast<double>(file.strip.size());
}

void LibtiffDecode(benchmark::State& state, int compression) {
    const PageFile& file = Page(compression);
    TIFF* tif = TIFFOpen(file.path.c_str(), "r");
    std::vector<uint8_t> rows(static_cast<std::size_t>(TIFFStripSize(tif)));
    for (auto _ : state) {
        tmsize_t got =
            TIFFReadEncodedStrip(tif, 0, rows.data(), static_cast<tmsize_t>(rows.size()));
        benchmark::DoNotOptimize(got);
    }
    TIFFClose(tif);
}

void BM_Faxlens_G3(benchmark::State& s) {
    FaxlensDecode(s, 3);
}
void BM_Libtiff_G3(benchmark::State& s) {
    LibtiffDecode(s, 3);
}
void BM_Faxlens_G4(benchmark::State& s) {
    FaxlensDecode(s, 4);
}
void BM_Libtiff_G4(benchmark::State& s) {
    LibtiffDecode(s, 4);
}

BENCHMARK(BM_Faxlens_G3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libtiff_G3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Faxlens_G4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libtiff_G4)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
