#pragma once

// The coders of the page encoder, for any bit sink (such as a BitWriter): runs as modified
// Huffman code words, the EOL with its fill, and rows coded two-dimensionally against the row
// above (ITU-T T.6, as Group 4 pages are coded).

#include "codec/code_tables.h"
#include "codec/codec_types.h"
#include "codec/fax_tables.h"

#include <algorithm>
#include <cstdlib>
#include <span>
#include <utility>

namespace faxlens::codec {

// The changing elements of the imaginary white row above the first row of a page.
inline ChangeList WhiteRowChanges(int32_t width) {
    return ChangeList{width};
}

inline constexpr uint32_t kEndOfLineBits = 1;
inline constexpr int kEndOfLineLength = 12;

// A run of 64 or more is make-up words of at most 2560 pixels each and always a terminating word.
// A negative run writes nothing here (PutEndOfLine writes the EOL). Inline: the coders call it
// for every run.
template <typename Sink>
[[gnu::always_inline]] inline void PutRun(Sink& sink, int32_t run, const CodeBitsTable& codes) {
    while (run > kLastTerminatingIndex) {
        const int32_t chunk = run > kLongestMakeUp ? kLongestMakeUp : run - run % kMakeUpStep;
        const CodeBits& code = codes[static_cast<std::size_t>(MakeUpIndex(chunk))];
        sink.Put(code.bits, code.length);
        run -= chunk;
    }
    if (run >= 0) {
        const CodeBits& code = codes[static_cast<std::size_t>(run)];
        sink.Put(code.bits, code.length);
    }
}

// The same with the codes of the colour.
template <typename Sink>
void PutRun(Sink& sink, int32_t run, Colour colour) {
    PutRun(sink, run, CodeBitsFor(colour));
}

// 0 to 7 fill zeros, so that the EOL that follows them ends on a byte boundary, and the EOL.
template <typename Sink>
void PutEndOfLine(Sink& sink) {
    const int64_t misalignment = (sink.BitCount() + kEndOfLineLength) % 8;
    if (misalignment != 0)
        sink.PutZeros(8 - misalignment);
    sink.Put(kEndOfLineBits, kEndOfLineLength);
}

// Two EOLs end a Group 4 strip.
template <typename Sink>
void PutEndOfFacsimileBlock(Sink& sink) {
    sink.Put(kEndOfLineBits, kEndOfLineLength);
    sink.Put(kEndOfLineBits, kEndOfLineLength);
}

namespace detail {

// Walks one row's changing elements from left to right. a0 only moves right, so the search for
// the next element never has to go back.
class Changes {
public:
    Changes(std::span<const int32_t> elements, int32_t width)
        : elements_(elements), width_(width) {}

    // The first element right of a0 (a0 is -1 before the first pixel); the width if none.
    int32_t NextAfter(int32_t a0) {
        SkipTo(a0);
        return next_ < elements_.size() ? elements_[next_] : width_;
    }

    // b1: the first element right of a0 that changes to the colour opposite a0's, and b2, the
    // element after it. Changes to black stand at even indices, to white at odd ones.
    std::pair<int32_t, int32_t> B1B2(int32_t a0, Colour colour) {
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

} // namespace detail

// The codes of the coding row against the reference row. Both are ChangeLists (running sums of
// their runs, white first) that end at the row width.
template <typename Sink>
void PutRow2D(Sink& sink, std::span<const int32_t> reference, std::span<const int32_t> coding,
              int32_t width) {
    // The vertical modes by a1 - b1 from -3 to +3.
    constexpr CodeBits kVertical[7] = {{0b0000010, 7}, {0b000010, 6}, {0b010, 3},    {0b1, 1},
                                       {0b011, 3},     {0b000011, 6}, {0b0000011, 7}};
    detail::Changes above(reference, width);
    detail::Changes row(coding, width);
    int32_t a0 = -1; // the imaginary white pixel before the row
    Colour colour = kWhite;
    while (a0 < width) {
        const int32_t a1 = row.NextAfter(a0);
        const auto [b1, b2] = above.B1B2(a0, colour);
        if (b2 < a1) {
            sink.Put(kPassModeCode.bits, kPassModeCode.length);
            a0 = b2;
        } else if (std::abs(int64_t{a1} - b1) <= 3) {
            const CodeBits& code = kVertical[static_cast<std::size_t>(a1 - b1 + 3)];
            sink.Put(code.bits, code.length);
            a0 = a1;
            colour = OppositeColour(colour);
        } else {
            const int32_t a2 = row.NextAfter(a1);
            sink.Put(kHorizontalModeCode.bits, kHorizontalModeCode.length);
            PutRun(sink, a1 - std::max(a0, 0), colour);
            PutRun(sink, a2 - a1, OppositeColour(colour));
            a0 = a2;
        }
    }
}

} // namespace faxlens::codec
