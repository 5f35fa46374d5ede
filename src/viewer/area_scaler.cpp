#include "viewer/area_scaler.h"

#include "viewer/bit_scaler.h"

#include <algorithm>
#include <vector>

namespace faxlens::viewer {

namespace {

// The weights of one destination pixel add up to exactly 1 << kWeightBits, so a region of one
// grey level keeps that level at any scale. 22 bits keep the rounding of the weights far below
// a grey level even when thousands of source pixels make one destination pixel, and a weighted
// sum of 8-bit pixels still fits 32 bits.
constexpr int kWeightBits = 22;
// The first pass hands 8 bits below the grey level on to the second (values up to 255 << 8).
constexpr int kFractionBits = 8;
constexpr int kFirstPassShift = kWeightBits - kFractionBits;
constexpr uint32_t kFirstPassHalf = uint32_t{1} << (kFirstPassShift - 1);
constexpr int kSecondPassShift = kWeightBits + kFractionBits;
constexpr uint64_t kSecondPassHalf = uint64_t{1} << (kSecondPassShift - 1);

// A pass across a row gathers scattered pixels one at a time, a pass down works on whole rows
// at once; measured on the viewer's redraws, a value across costs about four down.
constexpr int64_t kAcrossCost = 4;

// Along one axis: which source pixels make each visible destination pixel, and how much each
// counts. Destination pixel i of m covers the source from i n / m to (i + 1) n / m.
struct AxisWeights {
    int64_t destBegin = 0; // visible destination pixels, counted from the rectangle's start
    int64_t destEnd = 0;
    int64_t sourceBegin = 0; // the source pixels they need, counted likewise
    int64_t sourceEnd = 0;
    std::vector<int32_t> first;        // per visible pixel, its first source pixel - sourceBegin
    std::vector<std::size_t> tapStart; // its weights: weights[tapStart[k]] to tapStart[k + 1]
    std::vector<uint32_t> weights;

    int64_t Count() const { return destEnd - destBegin; }
    int64_t SourceCount() const { return sourceEnd - sourceBegin; }
    int64_t Taps() const { return static_cast<int64_t>(weights.size()); }
};

// The weights of one destination pixel. Measured in 1/m of a source pixel, the destination
// pixel covers [lo, lo + n) and source pixel j covers [j m, (j + 1) m), so coverage is exact.
// Each weight is the difference of two rounded running totals: the weights then add up to
// exactly one, and none is more than a unit off.
void WeighPixel(int64_t lo, int64_t n, int64_t m, std::vector<uint32_t>& weights) {
    const int64_t hi = lo + n;
    int64_t covered = 0;
    uint32_t given = 0;
    for (int64_t j = lo / m; j <= (hi - 1) / m; ++j) {
        covered += std::min((j + 1) * m, hi) - std::max(j * m, lo);
        const auto upTo = static_cast<uint32_t>(((covered << kWeightBits) + n / 2) / n);
        weights.push_back(upTo - given);
        given = upTo;
    }
}

AxisWeights WeighAxis(int64_t n, int64_t m, int64_t destBegin, int64_t destEnd) {
    AxisWeights axis;
    axis.destBegin = destBegin;
    axis.destEnd = destEnd;
    axis.sourceBegin = destBegin * n / m;
    axis.sourceEnd = (destEnd * n - 1) / m + 1;
    axis.first.reserve(static_cast<std::size_t>(axis.Count()));
    axis.tapStart.reserve(static_cast<std::size_t>(axis.Count()) + 1);
    for (int64_t i = destBegin; i < destEnd; ++i) {
        axis.first.push_back(static_cast<int32_t>(i * n / m - axis.sourceBegin));
        axis.tapStart.push_back(axis.weights.size());
        WeighPixel(i * n, n, m, axis.weights);
    }
    axis.tapStart.push_back(axis.weights.size());
    return axis;
}

struct Span {
    int64_t begin = 0;
    int64_t end = 0;
    bool Empty() const { return end <= begin; }
};

// The part of [start, start + length) that lies in [0, size).
Span Within(int64_t start, int64_t length, int64_t size) {
    return {std::max<int64_t>(start, 0), std::min<int64_t>(start + length, size)};
}

bool Usable(const PixelSource& s) {
    if (s.pixels == nullptr || s.width <= 0 || s.height <= 0)
        return false;
    if (s.channels == kOneBitAPixel)
        return s.stride >= (int64_t{s.width} + 7) / 8;
    return (s.channels == 1 || s.channels == 3) && s.stride >= int64_t{s.width} * s.channels;
}

bool Usable(const PixelTarget& t) {
    return t.pixels != nullptr && t.width > 0 && t.height > 0 && t.stride >= int64_t{t.width} * 3;
}

// What the passes of one call share. Both origins point at the first pixel used.
struct ScaleJob {
    const uint8_t* source;
    std::ptrdiff_t sourceStride;
    uint8_t* target;
    std::ptrdiff_t targetStride;
    AxisWeights across;
    AxisWeights down;

    const uint8_t* SourceRow(int64_t row) const { return source + row * sourceStride; }
    uint8_t* TargetRow(int64_t k) const { return target + k * targetStride; }
};

template <int Channels>
void Emit(const uint64_t* sums, uint8_t* out) {
    for (int c = 0; c < 3; ++c)
        out[c] = static_cast<uint8_t>((sums[Channels == 1 ? 0 : c] + kSecondPassHalf) >>
                                      kSecondPassShift);
}

// The first pass across: one source row into visible columns with 8 extra bits.
template <int Channels>
void BlendRowAcross(const uint8_t* in, const AxisWeights& across, uint16_t* out) {
    for (std::size_t i = 0; i < across.first.size(); ++i) {
        const uint8_t* p = in + std::ptrdiff_t{across.first[i]} * Channels;
        uint32_t sums[Channels] = {};
        for (std::size_t t = across.tapStart[i]; t < across.tapStart[i + 1]; ++t, p += Channels)
            for (int c = 0; c < Channels; ++c)
                sums[c] += across.weights[t] * p[c];
        for (int c = 0; c < Channels; ++c)
            *out++ = static_cast<uint16_t>((sums[c] + kFirstPassHalf) >> kFirstPassShift);
    }
}

// The second pass across: a row already blended down into finished target pixels.
template <int Channels>
void FinishRowAcross(const uint16_t* in, const AxisWeights& across, uint8_t* out) {
    for (std::size_t i = 0; i < across.first.size(); ++i, out += 3) {
        const uint16_t* p = in + std::ptrdiff_t{across.first[i]} * Channels;
        uint64_t sums[Channels] = {};
        for (std::size_t t = across.tapStart[i]; t < across.tapStart[i + 1]; ++t, p += Channels)
            for (int c = 0; c < Channels; ++c)
                sums[c] += uint64_t{across.weights[t]} * p[c];
        Emit<Channels>(sums, out);
    }
}

// Adds a weighted row to running sums, value by value.
template <typename Sum, typename Value>
void AddWeighted(Sum* sums, const Value* row, Sum weight, std::size_t count) {
    for (std::size_t x = 0; x < count; ++x)
        sums[x] += weight * row[x];
}

template <int Channels>
void ScaleDownThenAcross(const ScaleJob& job) {
    const auto count = static_cast<std::size_t>(job.across.SourceCount() * Channels);
    std::vector<uint32_t> sums(count);
    std::vector<uint16_t> blended(count);
    const AxisWeights& down = job.down;
    for (std::size_t k = 0; k < down.first.size(); ++k) {
        std::fill(sums.begin(), sums.end(), 0);
        const uint8_t* row = job.SourceRow(down.first[k]);
        for (std::size_t t = down.tapStart[k]; t < down.tapStart[k + 1]; ++t) {
            AddWeighted(sums.data(), row, down.weights[t], count);
            row += job.sourceStride;
        }
        for (std::size_t x = 0; x < count; ++x)
            blended[x] = static_cast<uint16_t>((sums[x] + kFirstPassHalf) >> kFirstPassShift);
        FinishRowAcross<Channels>(blended.data(), job.across,
                                  job.TargetRow(static_cast<int64_t>(k)));
    }
}

template <int Channels>
void ScaleAcrossThenDown(const ScaleJob& job) {
    const auto count = static_cast<std::size_t>(job.across.Count() * Channels);
    std::vector<uint16_t> blended(count);
    std::vector<uint64_t> sums(count);
    const AxisWeights& down = job.down;
    int64_t blendedRow = -1; // consecutive destination rows share at most one source row
    for (std::size_t k = 0; k < down.first.size(); ++k) {
        std::fill(sums.begin(), sums.end(), 0);
        int64_t row = down.first[k];
        for (std::size_t t = down.tapStart[k]; t < down.tapStart[k + 1]; ++t, ++row) {
            if (row != blendedRow)
                BlendRowAcross<Channels>(job.SourceRow(row), job.across, blended.data());
            blendedRow = row;
            AddWeighted(sums.data(), blended.data(), uint64_t{down.weights[t]}, count);
        }
        uint8_t* out = job.TargetRow(static_cast<int64_t>(k));
        for (std::size_t x = 0; x < count; x += Channels, out += 3)
            Emit<Channels>(&sums[x], out);
    }
}

// Values touched by each order; see kAcrossCost.
bool DownFirstIsCheaper(const AxisWeights& across, const AxisWeights& down) {
    const int64_t downFirst =
        down.Taps() * across.SourceCount() + down.Count() * across.Taps() * kAcrossCost;
    const int64_t acrossFirst =
        down.SourceCount() * across.Taps() * kAcrossCost + down.Taps() * across.Count();
    return downFirst <= acrossFirst;
}

template <int Channels>
void Scale(const ScaleJob& job) {
    if (DownFirstIsCheaper(job.across, job.down))
        ScaleDownThenAcross<Channels>(job);
    else
        ScaleAcrossThenDown<Channels>(job);
}

} // namespace

PixelSource SourceOf(const page::PageSurface& surface) {
    if (surface.IsBilevel())
        return {surface.PlaneRow(0), surface.Width(),
                surface.Height(),    static_cast<std::ptrdiff_t>(surface.PlaneStride()),
                kOneBitAPixel,       surface.Background(),
                surface.Ink()};
    return {surface.RgbRow(0), surface.Width(), surface.Height(),
            static_cast<std::ptrdiff_t>(surface.Width()) * 3, 3};
}

void ScaleAreaAverage(const PixelSource& source, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                      const PixelTarget& target, int32_t tx, int32_t ty, int32_t tw, int32_t th) {
    if (!Usable(source) || !Usable(target) || tw <= 0 || th <= 0)
        return;
    const Span columns = Within(sx, sw, source.width);
    const Span rows = Within(sy, sh, source.height);
    // Visible destination pixels, counted from the rectangle's start.
    const Span across = Within(-int64_t{tx}, target.width, tw);
    const Span down = Within(-int64_t{ty}, target.height, th);
    if (columns.Empty() || rows.Empty() || across.Empty() || down.Empty())
        return;
    if (source.channels == kOneBitAPixel) {
        ScaleBits({source, columns.begin, rows.begin, columns.end - columns.begin,
                   rows.end - rows.begin, tw, th, across.begin, across.end, down.begin, down.end,
                   target.pixels + (ty + down.begin) * target.stride + (tx + across.begin) * 3,
                   target.stride});
        return;
    }
    ScaleJob job{nullptr,
                 source.stride,
                 nullptr,
                 target.stride,
                 WeighAxis(columns.end - columns.begin, tw, across.begin, across.end),
                 WeighAxis(rows.end - rows.begin, th, down.begin, down.end)};
    job.source = source.pixels + (rows.begin + job.down.sourceBegin) * source.stride +
                 (columns.begin + job.across.sourceBegin) * source.channels;
    job.target = target.pixels + (ty + down.begin) * target.stride + (tx + across.begin) * 3;
    if (source.channels == 1)
        Scale<1>(job);
    else
        Scale<3>(job);
}

} // namespace faxlens::viewer
