#include "viewer/bit_scaler.h"

#include "base/bit_words.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

// Counting bits is most of the work: on x86-64 the scaler comes in two builds, one with the
// processor's own popcount instruction, chosen when the program starts.
#if defined(__x86_64__) && defined(__has_attribute)
#if __has_attribute(target_clones)
#define FAXLENS_WITH_POPCOUNT __attribute__((target_clones("popcnt", "default")))
#endif
#endif
#ifndef FAXLENS_WITH_POPCOUNT
#define FAXLENS_WITH_POPCOUNT
#endif

namespace faxlens {

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

// The visible target columns, in source columns of the row, and for each 64-bit word of the
// row the first column that reaches into it.
struct Columns {
    std::vector<Cover> covers; // first and last counted from the row's start
    int64_t m = 0;
    int64_t firstWord = 0;
    int64_t lastWord = 0;
    std::vector<std::size_t> firstColumnOfWord;

    Columns(int64_t n, int64_t targetWidth, int64_t from, int64_t to, int64_t sourceX)
        : covers(CoverAxis(n, targetWidth, from, to)), m(targetWidth) {
        for (Cover& c : covers) {
            c.first += sourceX;
            c.last += sourceX;
        }
        firstWord = covers.front().first >> 6;
        lastWord = covers.back().last >> 6;
        std::size_t column = 0;
        for (int64_t word = firstWord; word <= lastWord; ++word) {
            while (column + 1 < covers.size() && covers[column].last < word << 6)
                ++column;
            firstColumnOfWord.push_back(column);
        }
    }
};

bool BitOf(uint64_t word, int64_t index) {
    return (word >> (63 - index) & 1) != 0;
}

// Adds the area that the 1 bits of one source row cover of each visible column, times the row's
// weight. Words without a 1 bit are passed over.
[[gnu::always_inline]] inline void AddRow(const Columns& columns, const uint8_t* row,
                                          uint64_t weight, uint64_t* covered) {
    const std::size_t count = columns.covers.size();
    for (int64_t word = columns.firstWord; word <= columns.lastWord; ++word) {
        const uint64_t bits = LoadBigEndian64(row + (word << 3));
        if (bits == 0)
            continue;
        const int64_t wordStart = word << 6;
        for (std::size_t i =
                 columns.firstColumnOfWord[static_cast<std::size_t>(word - columns.firstWord)];
             i < count; ++i) {
            const Cover& c = columns.covers[i];
            if (c.first >= wordStart + 64)
                break;
            const int64_t lo = std::max(c.first, wordStart) - wordStart;
            const int64_t hi = std::min(c.last + 1, wordStart + 64) - wordStart;
            const int64_t length = hi - lo;
            const uint64_t ones = length == 64 ? ~uint64_t{0} : (uint64_t{1} << length) - 1;
            const uint64_t set = bits & ones << (64 - hi);
            if (set == 0)
                continue;
            uint64_t area = 0;
            if (c.Single()) {
                area = static_cast<uint64_t>(c.firstWeight);
            } else {
                area = static_cast<uint64_t>(columns.m * std::popcount(set));
                if (c.first >= wordStart && BitOf(set, c.first - wordStart))
                    area -= static_cast<uint64_t>(columns.m - c.firstWeight);
                if (c.last < wordStart + 64 && BitOf(set, c.last - wordStart))
                    area -= static_cast<uint64_t>(columns.m - c.lastWeight);
            }
            covered[i] += weight * area;
        }
    }
}

// Many source rows onto one target row: the rows between the first and the last all weigh the
// same, so they are first added up column by column in binary counters held as bit planes (plane
// p holds bit p of every column's count), a word of 64 columns at a time, and each target pixel
// then counts its columns' bits plane by plane. Each source word is then read once, whatever
// number of target columns it falls in.
class RowCounters {
public:
    // Enough for any count of rows a 64-bit number holds.
    static constexpr int kMostPlanes = 64;

    RowCounters(const Columns& columns, int planes)
        : columns_(columns),
          words_(static_cast<std::size_t>(columns.lastWord - columns.firstWord + 1)),
          planes_(planes), bits_(words_ * static_cast<std::size_t>(planes), 0), inked_(words_) {}

    // Counts `rows` rows from `first` on, one word column at a time down the rows, so that the
    // word's counters stay in registers and only words holding ink are added.
    [[gnu::always_inline]] void Count(const uint8_t* first, std::ptrdiff_t stride, int64_t rows) {
        for (std::size_t j = 0; j < words_; ++j) {
            uint64_t planes[kMostPlanes];
            std::fill_n(planes, planes_, 0);
            const uint8_t* at = first + ((columns_.firstWord + int64_t(j)) << 3);
            for (int64_t r = 0; r < rows; ++r, at += stride) {
                // The rows are read across many lines at once, more than the processor follows
                // by itself: the next line of each is asked for ahead of its use.
                if ((j & 7) == 0)
                    __builtin_prefetch(at + 64);
                uint64_t carry = LoadBigEndian64(at);
                for (int p = 0; carry != 0; ++p) {
                    const uint64_t next = planes[p] & carry;
                    planes[p] ^= carry;
                    carry = next;
                }
            }
            uint64_t ink = 0;
            for (int p = 0; p < planes_; ++p) {
                bits_[static_cast<std::size_t>(p) * words_ + j] = planes[p];
                ink |= planes[p];
            }
            inked_[j] = ink != 0;
        }
    }

    // Adds each column's area of the rows counted, times their weight, and starts again.
    [[gnu::always_inline]] void AddTo(uint64_t weight, uint64_t* covered) {
        const auto m = static_cast<uint64_t>(columns_.m);
        for (std::size_t i = 0; i < columns_.covers.size(); ++i) {
            const Cover& c = columns_.covers[i];
            if (!AnyInk(c.first, c.last))
                continue; // most columns of a page count nothing
            uint64_t area = 0;
            if (c.Single()) {
                area = static_cast<uint64_t>(c.firstWeight) * CountAt(c.first);
            } else {
                area = m * CountBetween(c.first, c.last + 1) -
                       (m - static_cast<uint64_t>(c.firstWeight)) * CountAt(c.first) -
                       (m - static_cast<uint64_t>(c.lastWeight)) * CountAt(c.last);
            }
            covered[i] += weight * area;
        }
    }

private:
    const uint64_t* Plane(int p) const {
        return bits_.data() + static_cast<std::size_t>(p) * words_;
    }

    std::size_t WordOf(int64_t x) const {
        return static_cast<std::size_t>((x >> 6) - columns_.firstWord);
    }

    // Whether any row counted holds ink in the words of columns [first, last].
    bool AnyInk(int64_t first, int64_t last) const {
        for (std::size_t word = WordOf(first); word <= WordOf(last); ++word)
            if (inked_[word])
                return true;
        return false;
    }

    // The count of one column.
    uint64_t CountAt(int64_t x) const {
        uint64_t count = 0;
        for (int p = 0; p < planes_; ++p)
            count |= static_cast<uint64_t>(BitOf(Plane(p)[WordOf(x)], x & 63)) << p;
        return count;
    }

    // The counts of columns [from, to) added up.
    uint64_t CountBetween(int64_t from, int64_t to) const {
        uint64_t sum = 0;
        while (from < to) {
            const int64_t end = std::min(to, ((from >> 6) + 1) << 6);
            const int64_t length = end - from;
            const uint64_t ones = length == 64 ? ~uint64_t{0} : (uint64_t{1} << length) - 1;
            const uint64_t mask = ones << (64 - (end - ((from >> 6) << 6)));
            for (int p = 0; p < planes_; ++p)
                sum += static_cast<uint64_t>(std::popcount(Plane(p)[WordOf(from)] & mask)) << p;
            from = end;
        }
        return sum;
    }

    const Columns& columns_;
    std::size_t words_;
    int planes_;
    std::vector<uint64_t> bits_;
    std::vector<char> inked_; // by word: whether any of its planes holds a 1
};

// Target rows that take this many whole source rows or more add them up in counters first.
constexpr int64_t kRowsWorthCounting = 4;

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
    }

    void Put(uint64_t covered, uint8_t* out) const {
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<uint8_t>(covered == 0        ? zero_[c]
                                          : covered == total_ ? one_[c]
                                                              : Mix(c, covered));
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
};

void Emit(const ColourMixer& mixer, const std::vector<uint64_t>& covered, uint8_t* out) {
    for (const uint64_t area : covered) {
        mixer.Put(area, out);
        out += 3;
    }
}

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
    const int64_t wholeRows = scale.sourceHeight / scale.targetHeight + 1;
    RowCounters counters(columns, std::bit_width(static_cast<uint64_t>(wholeRows)));
    std::vector<uint64_t> covered(columns.covers.size());
    auto rowAt = [&](int64_t y) { return source.pixels + (scale.sourceY + y) * source.stride; };
    const auto whole = static_cast<uint64_t>(scale.targetHeight);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        std::fill(covered.begin(), covered.end(), 0);
        const Cover& r = rows[k];
        AddRow(columns, rowAt(r.first), static_cast<uint64_t>(r.firstWeight), covered.data());
        if (!r.Single())
            AddRow(columns, rowAt(r.last), static_cast<uint64_t>(r.lastWeight), covered.data());
        if (r.last - r.first - 1 >= kRowsWorthCounting) {
            counters.Count(rowAt(r.first + 1), source.stride, r.last - r.first - 1);
            counters.AddTo(whole, covered.data());
        } else {
            for (int64_t y = r.first + 1; y < r.last; ++y)
                AddRow(columns, rowAt(y), whole, covered.data());
        }
        Emit(mixer, covered, scale.target + static_cast<std::ptrdiff_t>(k) * scale.targetStride);
    }
}

} // namespace faxlens
