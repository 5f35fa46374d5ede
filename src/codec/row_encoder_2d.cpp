#include "codec/row_encoder_2d.h"

#include "codec/run_encoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace faxlens::modTIF {

namespace {

constexpr std::string_view kPassMode = "0001";
constexpr std::string_view kHorizontalMode = "001";
// Vertical mode codes by a1 - b1, from -3 to +3.
constexpr std::array<std::string_view, 7> kVerticalModes{"0000010", "000010", "010",    "1",
                                                         "011",     "000011", "0000011"};

int16_t Opposite(int16_t colour) {
    return colour == kWhite ? kBlack : kWhite;
}

// Walks one row's changing elements from left to right. a0 only moves right, so the search
// for the next element never has to go back.
class Changes {
public:
    Changes(std::span<const int32_t> elements, int32_t width)
        : elements_(elements), width_(width) {}

    // The first element right of a0 (a0 is -1 before the first pixel); the width if none.
    int32_t NextAfter(int32_t a0) {
        SkipTo(a0);
        return next_ < elements_.size() ? elements_[next_] : width_;
    }

    // b1: the first element right of a0 that changes to the colour opposite a0's, and b2,
    // the element after it. Changes to black stand at even indices, to white at odd ones.
    std::pair<int32_t, int32_t> B1B2(int32_t a0, int16_t colour) {
        SkipTo(a0);
        std::size_t i = next_;
        if (i < elements_.size() && (i % 2 == 0) != (colour == kWhite))
            ++i;
        const int32_t b1 = i < elements_.size() ? elements_[i] : width_;
        const int32_t b2 = i + 1 < elements_.size() ? elements_[i + 1] : width_;
        return {b1, b2};
    }

private:
    void SkipTo(int32_t a0) {
        while (next_ < elements_.size() && elements_[next_] <= a0)
            ++next_;
    }

    std::span<const int32_t> elements_;
    int32_t width_;
    std::size_t next_ = 0;
};

} // namespace

ChangeList WhiteRowChanges(int32_t width) {
    return ChangeList{width};
}

void AppendRow2D(BitString& line, std::span<const int32_t> reference,
                 std::span<const int32_t> coding, int32_t width) {
    Changes above(reference, width);
    Changes row(coding, width);
    int32_t a0 = -1; // the imaginary white pixel before the row
    int16_t colour = kWhite;
    while (a0 < width) {
        const int32_t a1 = row.NextAfter(a0);
        const auto [b1, b2] = above.B1B2(a0, colour);
        if (b2 < a1) {
            line += kPassMode;
            a0 = b2;
        } else if (std::abs(int64_t{a1} - b1) <= 3) {
            line += kVerticalModes[static_cast<std::size_t>(a1 - b1 + 3)];
            a0 = a1;
            colour = Opposite(colour);
        } else {
            const int32_t a2 = row.NextAfter(a1);
            line += kHorizontalMode;
            AppendRun(line, a1 - std::max(a0, 0), colour);
            AppendRun(line, a2 - a1, Opposite(colour));
            a0 = a2;
        }
    }
}

} // namespace faxlens::modTIF
