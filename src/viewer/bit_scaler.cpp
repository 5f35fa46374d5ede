#include "viewer/bit_scaler.h"

#include "base/bit_words.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

// Counting bits is most of the work: on x86-64 the scaler comes in two builds, one with the
// processor's own popcount instruction, chosen when the program starts. ThreadSanitizer cannot
// run the chooser, which runs before it is set up: its builds take the one build.
#if defined(__x86_64__) && defined(__has_attribute) && !defined(__SANITIZE_THREAD__)
#if __has_attribute(target_clones)
#define FAXLENS_WITH_POPCOUNT __attribute__((target_clones("popcnt", "default")))
#endif
#endif
#ifndef FAXLENS_WITH_POPCOUNT
#define FAXLENS_WITH_POPCOUNT
#endif

namespace faxlens::viewer {

namespace {

// Along one axis, measured in 1/m of a source pixel (n source pixels onto m target pixels):
// target pixel i covers [i n, (i + 1) n) and source pixel j covers [j m, (j + 1) m). The source
// pixels of one target pixel run from first to last; the first and the last weigh what of them
// is covered, those between weigh m. A target pixel inside one source pixel weighs n of it.
struct Cover {
    int64_t first = 0;
    int64_t last = 0;
    int64_t firstWeight = 0;
    int64_t lastWeight = 0;

    bool Single() const { return first == last; }
};

std::vector<Cover> CoverAxis(int64_t n, int64_t m, int64_t from, int64_t to) {
    std::vector<Cover> covers;
    covers.reserve(static_cast<std::size_t>(to - from));
    for (int64_t i = from; i < to; ++i) {
        const int64_t lo = i * n;
        const int64_t hi = lo + n;
        Cover cover{lo / m, (hi - 1) / m, n, 0};
        if (!cover.Single()) {
            cover.firstWeight = (cover.first + 1) * m - lo;
            cover.lastWeight = hi - cover.last * m;
        }
        covers.push_back(cover);
    }
    return covers;
}

// Where the source columns of one target column lie in the 64-bit words of a row, counted from
// the first word that any visible column reaches, and what its first and last pixel lose of
// their weight m: the share of them outside the column, or for a column inside one pixel all but
// the n it covers.
struct ColumnBits {
    std::size_t firstWord = 0;
    std::size_t lastWord = 0;
    uint64_t firstMask = 0; // the column's bits in its first word, bit 63 the leftmost pixel
    uint64_t lastMask = 0;  // and in its last word; 0 when that is the first word
    int firstShift = 0;     // bring the first pixel's bit, and the last one's, to bit 0
    int lastShift = 0;
    uint64_t firstCut = 0;
    uint64_t lastCut = 0;
    bool firstIsPreviousLast = false; // the first pixel is the last one of the column before
};

// The bits of source columns [from, to) of a word that starts at column wordStart.
uint64_t MaskOf(int64_t from, int64_t to, int64_t wordStart) {
    const int64_t lo = std::max(from, wordStart) - wordStart;
    const int64_t hi = std::min(to, wordStart + 64) - wordStart;
    const int64_t length = hi - lo;
    if (length <= 0)
        return 0;
    const uint64_t ones = length == 64 ? ~uint64_t{0} : (uint64_t{1} << length) - 1;
    return ones << (64 - hi);
}

// The visible target columns of a row.
struct Columns {
    int64_t m = 0;
    int64_t firstWord = 0; // of the row, the first and last that a visible column reaches
    int64_t lastWord = 0;
    std::vector<ColumnBits> bits;

    Columns(int64_t n, int64_t targetWidth, int64_t from, int64_t to, int64_t sourceX)
        : m(targetWidth) {
        const std::vector<Cover> covers = CoverAxis(n, targetWidth, from, to);
        firstWord = (covers.front().first + sourceX) >> 6;
        lastWord = (covers.back().last + sourceX) >> 6;
        bits.reserve(covers.size());
        for (std::size_t i = 0; i < covers.size(); ++i) {
            bits.push_back(BitsOf(covers[i], n, sourceX));
            bits.back().firstIsPreviousLast = i > 0 && covers[i].first == covers[i - 1].last;
        }
    }

private:
    ColumnBits BitsOf(const Cover& cover, int64_t n, int64_t sourceX) const {
        const int64_t first = cover.first + sourceX;
        const int64_t last = cover.last + sourceX;
        ColumnBits c;
        c.firstWord = static_cast<std::size_t>((first >> 6) - firstWord);
        c.lastWord = static_cast<std::size_t>((last >> 6) - firstWord);
        c.firstMask = MaskOf(first, last + 1, first & ~int64_t{63});
        c.lastMask = c.lastWord == c.firstWord ? 0 : MaskOf(first, last + 1, last & ~int64_t{63});
        c.firstShift = static_cast<int>(63 - (first & 63));
        c.lastShift = static_cast<int>(63 - (last & 63));
        c.firstCut = static_cast<uint64_t>(m - (cover.Single() ? n : cover.firstWeight));
        c.lastCut = static_cast<uint64_t>(cover.Single() ? 0 : m - cover.lastWeight);
        return c;
    }
};

// The colour between that of 0 bits and that of 1 bits for `covered` of `total`, each channel
// rounded to the nearest level, a half up. A pixel wholly of one colour, most of a page at any
// zoom, takes that colour as it is; the others divide by a reciprocal and correct its result by
// one where the floating-point product fell on the wrong side, so every result is exact.
class ColourMixer {
public:
    ColourMixer(const PixelSource& source, uint64_t total)
        : total_(total), divisor_(2 * total), inverse_(1.0 / static_cast<double>(divisor_)) {
        for (int c = 0; c < 3; ++c) {
            zero_[c] = (source.zeroColour >> (8 * c)) & 0xFF;
            one_[c] = (source.oneColour >> (8 * c)) & 0xFF;
        }
        grey_ = zero_[0] == zero_[1] && zero_[1] == zero_[2] && one_[0] == one_[1] &&
                one_[1] == one_[2];
    }

    void Put(uint64_t covered, uint8_t* out) const {
        if (covered == 0 || covered == total_) {
            const uint32_t* colour = covered == 0 ? zero_ : one_;
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<uint8_t>(colour[c]);
        } else if (grey_) { // a mix of two greys is a grey: one channel serves all three
            const auto level = static_cast<uint8_t>(Mix(0, covered));
            out[0] = out[1] = out[2] = level;
        } else {
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<uint8_t>(Mix(c, covered));
        }
    }

private:
    static constexpr uint64_t kExactUpTo = uint64_t{1} << 54; // 511 x total still fits 64 bits

    uint32_t Mix(int c, uint64_t covered) const {
        if (total_ >= kExactUpTo) {
            const double share = static_cast<double>(covered) / static_cast<double>(total_);
            return static_cast<uint32_t>(
                std::floor(zero_[c] + (double(one_[c]) - zero_[c]) * share + 0.5));
        }
        const uint64_t sum = zero_[c] * (total_ - covered) + one_[c] * covered;
        const uint64_t dividend = 2 * sum + total_;
        auto quotient = static_cast<uint64_t>(static_cast<double>(dividend) * inverse_);
        if (quotient * divisor_ > dividend)
            --quotient;
        else if ((quotient + 1) * divisor_ <= dividend)
            ++quotient;
        return static_cast<uint32_t>(quotient);
    }

    uint64_t total_;
    uint64_t divisor_;
    double inverse_;
    uint32_t zero_[3] = {};
    uint32_t one_[3] = {};
    bool grey_ = false;
};

// The source rows of one target row as weighted bit planes, word by word: the rows between its
// first and last, which all weigh the same, added up column by column in binary counters (plane
// p holding bit p of each column's count), then its first and last row as they are. Each source
// word is read once, whatever number of target columns it falls in, and every target pixel then
// takes its area from the planes of its words without a branch on the bits.
class RowPlanes {
public:
    explicit RowPlanes(const Columns& columns)
        : columns_(columns),
          words_(static_cast<std::size_t>(columns.lastWord - columns.firstWord + 1)), ink_(words_) {
    }

    void Clear() {
        planes_ = 0;
        counters_ = 0;
        std::fill(ink_.begin(), ink_.end(), 0);
    }

    // Counts `rows` rows of weight `weight` from `first` on; at most once per target row, first.
    [[gnu::always_inline]] void Count(const uint8_t* first, std::ptrdiff_t stride, int64_t rows,
                                      uint64_t weight) {
        const int counters = std::bit_width(static_cast<uint64_t>(rows));
        Resize(counters);
        const uint8_t* column = first + (columns_.firstWord << 3);
        for (std::size_t j = 0; j < words_; ++j, column += 8)
            ink_[j] = CountWord(column, stride, rows, counters, bits_.data() + j * stride_);
        planes_ = counters;
        counters_ = counters;
        countWeight_ = weight;
    }

    // Adds one row of the given weight as a plane of its own.
    [[gnu::always_inline]] void Add(const uint8_t* row, uint64_t weight) {
        Resize(planes_ + 1);
        const uint8_t* at = row + (columns_.firstWord << 3);
        for (std::size_t j = 0; j < words_; ++j, at += 8) {
            const uint64_t bits = LoadBigEndian64(at);
            bits_[j * stride_ + static_cast<std::size_t>(planes_)] = bits;
            ink_[j] |= bits;
        }
        weights_[planes_++] = weight;
    }

    // Each visible column's share of ink mixed into its pixel, three bytes a pixel from `out`.
    // The area of a column, in units of 1/m of a pixel across times the weight down, is m times
    // the weight of its pixels less what its first and last pixel lie outside it; where a column
    // begins on the pixel that the one before it ended on, that pixel's weight is taken over.
    [[gnu::always_inline]] void MixColumns(const ColourMixer& mixer, uint8_t* out) const {
        const auto m = static_cast<uint64_t>(columns_.m);
        uint64_t previousLast = 0;
        for (const ColumnBits& c : columns_.bits) {
            if ((ink_[c.firstWord] | ink_[c.lastWord]) == 0 && c.lastWord <= c.firstWord + 1) {
                mixer.Put(0, out); // most columns of a page hold no ink
                previousLast = 0;
                out += 3;
                continue;
            }
            // The last word of the column gives its last pixel; within one word, its area too.
            const WordWeight lastWord =
                Weigh(c.lastWord, c.lastMask != 0 ? c.lastMask : c.firstMask, c.lastShift);
            const uint64_t last = lastWord.at;
            uint64_t inside = lastWord.under;
            if (c.lastMask != 0) {
                inside += Weigh(c.firstWord, c.firstMask, 0).under;
                for (std::size_t word = c.firstWord + 1; word < c.lastWord; ++word)
                    inside += Weigh(word, ~uint64_t{0}, 0).under;
            }
            const uint64_t first =
                c.firstIsPreviousLast ? previousLast : Weigh(c.firstWord, 0, c.firstShift).at;
            previousLast = last;
            mixer.Put(m * inside - c.firstCut * first - c.lastCut * last, out);
            out += 3;
        }
    }

private:
    // Enough counters for any count of rows a 64-bit number holds, and two rows.
    static constexpr int kMostPlanes = 66;

    // What one word weighs down all planes: the 1 bits under the mask, and the one pixel that
    // the shift brings to bit 0. The counters add up the rows counted, each plane twice the one
    // before, and the rows of their own follow with their weights. Inlined, whichever of the two
    // a caller leaves unused is not worked out.
    struct WordWeight {
        uint64_t under = 0;
        uint64_t at = 0;
    };
    [[gnu::always_inline]] WordWeight Weigh(std::size_t word, uint64_t mask, int shift) const {
        const uint64_t* planes = bits_.data() + word * stride_;
        uint64_t countedUnder = 0;
        uint64_t countedAt = 0;
        for (int p = 0; p < counters_; ++p) {
            countedUnder += static_cast<uint64_t>(std::popcount(planes[p] & mask)) << p;
            countedAt |= (planes[p] >> shift & 1) << p;
        }
        WordWeight weight{countWeight_ * countedUnder, countWeight_ * countedAt};
        for (int p = counters_; p < planes_; ++p) {
            weight.under += weights_[p] * static_cast<uint64_t>(std::popcount(planes[p] & mask));
            weight.at += weights_[p] * (planes[p] >> shift & 1);
        }
        return weight;
    }

    // Room for `planes` planes a word; the planes already there move with the words.
    void Resize(int planes) {
        const auto needed = static_cast<std::size_t>(planes);
        if (needed <= stride_)
            return;
        std::vector<uint64_t> wider(words_ * needed);
        for (std::size_t j = 0; j < words_; ++j)
            std::copy_n(bits_.data() + j * stride_, planes_, wider.data() + j * needed);
        bits_ = std::move(wider);
        stride_ = needed;
    }

    // One word column down the rows into `counters` counters; returns the bits that any of the
    // rows has set. Up to eight counters, the usual case, have a version of their own whose
    // counters stay in registers and whose carries ripple through them without a branch.
    [[gnu::always_inline]] static uint64_t CountWord(const uint8_t* at, std::ptrdiff_t stride,
                                                     int64_t rows, int counters, uint64_t* out) {
        switch (counters) {
        case 1:
            return CountWordInto<1>(at, stride, rows, out);
        case 2:
            return CountWordInto<2>(at, stride, rows, out);
        case 3:
            return CountWordInto<3>(at, stride, rows, out);
        case 4:
            return CountWordInto<4>(at, stride, rows, out);
        case 5:
            return CountWordInto<5>(at, stride, rows, out);
        case 6:
            return CountWordInto<6>(at, stride, rows, out);
        case 7:
            return CountWordInto<7>(at, stride, rows, out);
        case 8:
            return CountWordInto<8>(at, stride, rows, out);
        default:
            return CountWordInto<kMostPlanes>(at, stride, rows, out);
        }
    }

    template <int kCounters>
    [[gnu::always_inline]] static uint64_t CountWordInto(const uint8_t* at, std::ptrdiff_t stride,
                                                         int64_t rows, uint64_t* out) {
        uint64_t planes[kCounters] = {};
        for (int64_t r = 0; r < rows; ++r, at += stride) {
            // The rows are read across many lines at once, more than the processor follows by
            // itself: the next line of each is asked for ahead of its use.
            __builtin_prefetch(at + 64);
            uint64_t carry = LoadBigEndian64(at);
            for (int p = 0; p < kCounters && (kCounters <= 8 || carry != 0); ++p) {
                const uint64_t next = planes[p] & carry;
                planes[p] ^= carry;
                carry = next;
            }
        }
        const int counters =
            std::min(kCounters, static_cast<int>(std::bit_width(static_cast<uint64_t>(rows))));
        uint64_t ink = 0;
        for (int p = 0; p < counters; ++p) {
            out[p] = planes[p];
            ink |= planes[p];
        }
        return ink;
    }

    const Columns& columns_;
    std::size_t words_;
    std::size_t stride_ = 0; // planes a word has room for
    std::vector<uint64_t> bits_;
    std::vector<uint64_t> ink_;          // by word: the bits that any plane has set
    uint64_t weights_[kMostPlanes] = {}; // of the planes after the counters
    uint64_t countWeight_ = 0;           // of each row counted
    int planes_ = 0;
    int counters_ = 0;
};

} // namespace

FAXLENS_WITH_POPCOUNT
void ScaleBits(const BitScale& scale) {
    const PixelSource& source = scale.source;
    const Columns columns(scale.sourceWidth, scale.targetWidth, scale.visibleFrom, scale.visibleTo,
                          scale.sourceX);
    const std::vector<Cover> rows =
        CoverAxis(scale.sourceHeight, scale.targetHeight, scale.visibleTop, scale.visibleBottom);
    const uint64_t total = static_cast<uint64_t>(scale.sourceWidth) * scale.sourceHeight;
    const ColourMixer mixer(source, total);
    RowPlanes planes(columns);
    auto rowAt = [&](int64_t y) { return source.pixels + (scale.sourceY + y) * source.stride; };
    const auto whole = static_cast<uint64_t>(scale.targetHeight);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const Cover& r = rows[k];
        planes.Clear();
        if (r.last - r.first > 1)
            planes.Count(rowAt(r.first + 1), source.stride, r.last - r.first - 1, whole);
        planes.Add(rowAt(r.first), static_cast<uint64_t>(r.firstWeight));
        if (!r.Single())
            planes.Add(rowAt(r.last), static_cast<uint64_t>(r.lastWeight));
        planes.MixColumns(mixer,
                          scale.target + static_cast<std::ptrdiff_t>(k) * scale.targetStride);
    }
}

} // namespace faxlens::viewer
