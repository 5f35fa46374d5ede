// Decoding the benchmarks' pages from T.85 streams in memory: Faxlens's JBIG strip decoder into a
// fresh white surface, as the viewer does, against jbigkit's own T.85 decoder copying each row it
// gives into a fresh surface of the same kind, the floor for any reader that decodes through
// jbigkit. The streams are coded by jbigkit as fax machines code them (stripes of 128 rows).

#include "codec/jbig_strip.h"
#include "page/surface_row_sink.h"
#include "page_files.h"

extern "C" {
#include <jbig85.h>
}

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

using namespace faxlens;
using namespace faxlens::bench;

void Collect(unsigned char* start, std::size_t length, void* file) {
    auto& bytes = *static_cast<std::vector<uint8_t>*>(file);
    bytes.insert(bytes.end(), start, start + length);
}

std::vector<uint8_t> CodeT85(BenchPage page) {
    const PageFormat& format = FormatOf(page);
    const std::size_t rowBytes = (static_cast<std::size_t>(format.width) + 7) / 8;
    std::vector<uint8_t> rows(3 * rowBytes), stream;
    jbg85_enc_state state{};
    jbg85_enc_init(&state, static_cast<unsigned long>(format.width),
                   static_cast<unsigned long>(format.height), Collect, &stream);
    jbg85_enc_options(&state, JBG_TPBON, 128, 8);
    const auto row = [&](int32_t y) { return rows.data() + (y % 3) * rowBytes; };
    for (int32_t y = 0; y < format.height; ++y) {
        PageRow(page, y, std::span<uint8_t>(row(y), rowBytes));
        jbg85_enc_lineout(&state, row(y), y > 0 ? row(y - 1) : nullptr,
                          y > 1 ? row(y - 2) : nullptr);
    }
    return stream;
}

const std::vector<uint8_t>& StreamOf(BenchPage page) {
    static std::map<BenchPage, std::vector<uint8_t>> streams;
    std::vector<uint8_t>& stream = streams[page];
    if (stream.empty())
        stream = CodeT85(page);
    return stream;
}

// Faxlens decodes a copy of the stream, as it decodes the strip it reads from the file.
std::unique_ptr<page::PageSurface> FaxlensDecode(BenchPage page) {
    const PageFormat& format = FormatOf(page);
    std::vector<uint8_t> strip = StreamOf(page);
    auto surface = page::CreatePageSurface(format.width, format.height, page::kColourWhite);
    page::SurfaceRowSink sink(*surface, page::kColourBlack);
    codec::FaxStripEnd end;
    const int64_t rows =
        codec::DecodeJbigStrip(&sink, strip, format.width, format.height, 0, {}, end);
    return rows == format.height ? std::move(surface) : nullptr;
}

bool SamePlanes(const page::PageSurface& a, const page::PageSurface& b) {
    for (int32_t y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.PlaneRow(y), b.PlaneRow(y), a.PlaneStride()) != 0)
            return false;
    return true;
}

void Faxlens(benchmark::State& state, BenchPage page) {
    const auto first = FaxlensDecode(page);
    if (!first || !SamePlanes(*first, SurfaceOf(page))) {
        state.SkipWithError("the T.85 stream does not decode to the page");
        return;
    }
    for (auto _ : state) {
        const auto surface = FaxlensDecode(page);
        benchmark::DoNotOptimize(surface.get());
    }
    state.counters["stream_bytes"] = static_cast<double>(StreamOf(page).size());
}

int CopyRow(const jbg85_dec_state*, unsigned char* start, std::size_t length, unsigned long y,
            void* file) {
    auto& surface = *static_cast<page::PageSurface*>(file);
    if (std::any_of(start, start + length, [](unsigned char b) { return b != 0; })) {
        std::memcpy(surface.InkBitsOfRow(static_cast<int64_t>(y), page::kColourBlack), start,
                    length);
        surface.MarkRowInked(static_cast<int64_t>(y));
    }
    return 0;
}

void Jbigkit(benchmark::State& state, BenchPage page) {
    const PageFormat& format = FormatOf(page);
    std::vector<unsigned char> rows(3 * ((static_cast<std::size_t>(format.width) + 7) / 8));
    for (auto _ : state) {
        std::vector<uint8_t> strip = StreamOf(page);
        auto surface = page::CreatePageSurface(format.width, format.height, page::kColourWhite);
        jbg85_dec_state decoder{};
        jbg85_dec_init(&decoder, rows.data(), rows.size(), CopyRow, surface.get());
        std::size_t used = 0;
        if (jbg85_dec_in(&decoder, strip.data(), strip.size(), &used) != JBG_EOK)
            state.SkipWithError("jbigkit does not decode the stream");
        benchmark::DoNotOptimize(surface.get());
    }
    state.counters["stream_bytes"] = static_cast<double>(StreamOf(page).size());
}

} // namespace

int main(int argc, char** argv) {
    for (const BenchPage page : kBenchPages) {
        const std::string name = std::string("DecodeT85/") + FormatOf(page).name;
        benchmark::RegisterBenchmark((name + "/Faxlens").c_str(), Faxlens, page)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + "/jbigkit").c_str(), Jbigkit, page)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
