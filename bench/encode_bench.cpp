// Saving a 1728 x 2200 text-like fax page from its page surface as a Group 3 and as a Group 4
// file, against libtiff writing the same pixels with the same compression, in one run.

#include "export/page_encoder.h"
#include "support/libtiff_pages.h"
#include "viewer/page_surface.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>
#include <string>
#include <tiffio.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace faxlens;

constexpr int32_t kWidth = 1728;
constexpr int32_t kHeight = 2200;

const test::Bitmap& Page() {
    static const test::Bitmap page = test::TextLikePage(kWidth, kHeight, 5);
    return page;
}

// The page as the viewer holds it: a white surface with the black runs painted in.
const PageSurface& Surface() {
    static const std::unique_ptr<PageSurface> surface = [] {
        const test::Bitmap& page = Page();
        auto s = CreatePageSurface(kWidth, kHeight, kColourWhite);
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth;) {
                int32_t end = x;
                while (end < kWidth && page.At(end, y) == page.At(x, y))
                    ++end;
                if (page.At(x, y))
                    s->PaintLine(x, y, end - 1, kColourBlack);
                x = end;
            }
        return s;
    }();
    return *surface;
}

// The same pixels packed for libtiff, eight a byte, 1 for black (white is zero).
const std::vector<std::vector<uint8_t>>& PackedRows() {
    static const std::vector<std::vector<uint8_t>> rows = [] {
        std::vector<std::vector<uint8_t>> packed(kHeight,
                                                 std::vector<uint8_t>((kWidth + 7) / 8, 0));
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x)
                if (Page().At(x, y))
                    packed[y][x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        return packed;
    }();
    return rows;
}

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("faxlens-bench-" + name + "-" + std::to_string(::getpid()) + ".tif"))
        .string();
}

void FaxlensSave(benchmark::State& state, bool group4) {
    const PageSurface& surface = Surface();
    const std::string path = TempPath(group4 ? "fx-g4" : "fx-g3");
    const auto save = group4 ? modConvert_DC2TIF::SavePageG4 : modConvert_DC2TIF::SavePageG3;
    for (auto _ : state) {
        const auto result = save(surface, 0, 0, path, 0, 0, {});
        if (!result.saved)
            state.SkipWithError(result.error.c_str());
    }
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}

void LibtiffSave(benchmark::State& state, bool group4) {
    const auto& rows = PackedRows();
    const std::string path = TempPath(group4 ? "lt-g4" : "lt-g3");
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(path.c_str(), "wb");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kHeight);
        TIFFSetField(tif, TIFFTAG_COMPRESSION,
                     group4 ? COMPRESSION_CCITTFAX4 : COMPRESSION_CCITTFAX3);
        if (!group4)
            TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_FILLBITS);
        for (int32_t y = 0; y < kHeight; ++y)
            TIFFWriteScanline(tif, const_cast<uint8_t*>(rows[y].data()), static_cast<uint32_t>(y),
                              0);
        TIFFClose(tif);
    }
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}

void BM_Faxlens_G3(benchmark::State& s) {
    FaxlensSave(s, false);
}
void BM_Libtiff_G3(benchmark::State& s) {
    LibtiffSave(s, false);
}
void BM_Faxlens_G4(benchmark::State& s) {
    FaxlensSave(s, true);
}
void BM_Libtiff_G4(benchmark::State& s) {
    LibtiffSave(s, true);
}

BENCHMARK(BM_Faxlens_G3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libtiff_G3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Faxlens_G4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libtiff_G4)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
