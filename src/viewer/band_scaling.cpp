#include "viewer/band_scaling.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace faxlens::viewer {

namespace {

// Below this many source and target pixels a copy costs less than starting a thread.
constexpr int64_t kWorkWorthSharing = int64_t{1} << 21;
constexpr unsigned kMostThreads = 8;

int64_t WorkOf(std::span<const StretchBand> bands) {
    int64_t work = 0;
    for (const StretchBand& band : bands)
        work += int64_t{band.sourceWidth} * band.sourceHeight +
                int64_t{band.targetWidth} * band.targetHeight;
    return work;
}

unsigned ThreadsFor(std::span<const StretchBand> bands) {
    if (bands.size() < 2 || WorkOf(bands) < kWorkWorthSharing)
        return 1;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>({cores, kMostThreads, bands.size()}));
}

void ScaleRun(const PixelSource& source, const PixelTarget& target,
              std::span<const StretchBand> bands) {
    for (const StretchBand& band : bands)
        ScaleAreaAverage(source, band.sourceX, band.sourceY, band.sourceWidth, band.sourceHeight,
                         target, band.targetX, band.targetY, band.targetWidth, band.targetHeight);
}

} // namespace

void ScaleBands(const PixelSource& source, const PixelTarget& target,
                std::span<const StretchBand> bands) {
    const unsigned threads = ThreadsFor(bands);
    auto run = [&](unsigned k) {
        return bands.subspan(bands.size() * k / threads,
                             bands.size() * (k + 1) / threads - bands.size() * k / threads);
    };
    std::vector<std::jthread> helpers;
    for (unsigned k = 1; k < threads; ++k)
        helpers.emplace_back([&, k] { ScaleRun(source, target, run(k)); });
    ScaleRun(source, target, run(0));
}

} // namespace faxlens::viewer
