#pragma once

// Where decoded rows go. The decoders know nothing of what becomes of a row: a sink gives them
// the bits of each row that has ink (the pixels the coding calls black), and they set the bits
// of the ink they decode there.

#include "base/bit_words.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace faxlens::codec {

class RowSink {
public:
    // The pixels of every row the sink takes: ink beyond them is not set.
    int64_t Width() const { return width_; }

    // Row `row` has ink: the bits to set it in, Width() pixels of one bit, the first pixel in the
    // most significant bit of the first byte; null when the sink takes no ink in that row. A
    // decoder only sets bits, and reads and writes whole 64-bit words, so the 8 bytes after the
    // row's last byte must be readable and are written back as they were read. Rows are asked
    // for in ascending order, each at most once for a strip.
    virtual uint8_t* BeginInk(int64_t row) = 0;
    // The ink of the row last asked for is set: at least one bit.
    virtual void EndInk(int64_t row) = 0;

protected:
    explicit RowSink(int64_t width) : width_(width) {}
    ~RowSink() = default;

private:
    int64_t width_;
};

// Sets the ink of rows in a sink as a decoder finds it, span by span: the spans that share a
// 64-bit word of a row are gathered into one mask, so each word is read and written once (spans
// may come in any order; left to right, as a decoder finds them, is the fast one). Start begins
// a row and Finish (or the next Start) ends it; a row is asked of the sink only once a span of it
// falls within the width. Plain values, and everything it does often is inline, so that a
// decoder keeps it in registers.
class RowPainter {
public:
    // Without a sink nothing is set.
    explicit RowPainter(RowSink* sink) : sink_(sink), width_(sink ? sink->Width() : 0) {}

    void Start(int64_t row) {
        Finish();
        row_ = row;
        mode_ = sink_ ? Mode::Undecided : Mode::Off;
    }
    void Paint(int64_t from, int64_t to) {
        if (mode_ == Mode::Off || !ClipSpan(from, to, width_))
            return;
        if (mode_ == Mode::Undecided && !Begin())
            return;
        mask_.Add(from, to, SetBits{bits_});
    }
    // The black runs of a row given by its changing elements, white run first: from each even
    // element to the odd one after it (a last even element starts a run not yet known). `marks`
    // holds a zero word for every 64 pixels of the sink's width and one more, and is left so. Where
    // the elements never decrease, as in a sound row, and the runs are many for the row's length,
    // each run's two ends are marked in `marks` and the row is then filled between the marks a
    // word at a time, without a branch per run; otherwise the runs are painted one by one.
    void PaintChanges(const int32_t* changes, std::size_t count, uint64_t* marks) {
        if (mode_ == Mode::Off || count < 2)
            return;
        count &= ~std::size_t{1};
        // Filling costs a few steps for every word up to the last run, painting one by one some
        // for every run: a row with few runs far apart (a drawing) is painted one by one.
        if (std::min<int64_t>(changes[count - 1], width_) / 64 > static_cast<int64_t>(count)) {
            PaintRunsOneByOne(changes, count);
            return;
        }
        const int64_t width = width_; // a local: the stores to `marks` cannot change it
        int64_t last = 0;             // the last end marked, at most the width
        for (std::size_t k = 0; k < count; k += 2) {
            // Cut at the width, which keeps the order of the elements.
            const int64_t from = std::min<int64_t>(changes[k], width);
            const int64_t to = std::min<int64_t>(changes[k + 1], width);
            if ((from < last) | (to < from)) {
                ClearMarks(marks, last);
                PaintRunsOneByOne(changes, count);
                return;
            }
            Toggle(marks, from);
            Toggle(marks, to);
            last = to;
        }
        PaintMarks(marks, last); // asks for the row only where a run has pixels
    }

    // Marks pixel `at` for PaintMarks, where `keep` is all ones (all zeros leave it unmarked). A
    // mark flips its pixel and the rest of its word, so that each word holds the running parity of
    // its own marks. Marks that share a word wait for each other in memory, but those of different
    // words do not, and no branch asks which is which.
    static void Toggle(uint64_t* marks, int64_t at, uint64_t keep = ~uint64_t{0}) {
        marks[at >> 6] ^= ~uint64_t{0} >> (at & 63) & keep;
    }

    // The black runs marked in `marks` as PaintChanges marks them, each end toggling the rest of
    // its word, up to pixel `last` at most the width; the marks are left zero. A row not yet asked
    // of the sink is asked for only when a mark is set.
    void PaintMarks(uint64_t* marks, int64_t last) {
        const bool inked =
            mode_ != Mode::Undecided ||
            std::any_of(marks, marks + (last >> 6) + 1, [](uint64_t word) { return word != 0; });
        if (mode_ == Mode::Off || !inked || (mode_ == Mode::Undecided && !Begin())) {
            ClearMarks(marks, last);
            return;
        }
        mask_.Finish(SetBits{bits_});
        FillBetweenMarks(marks, last);
    }

    int64_t Width() const { return width_; }

    void Finish() {
        if (mode_ == Mode::On) {
            mask_.Finish(SetBits{bits_});
            sink_->EndInk(row_);
        }
        mode_ = Mode::Off;
        mask_.word = -1;
    }

private:
    enum class Mode : uint8_t { Off, Undecided, On };

    struct SetBits {
        uint8_t* bits;
        void operator()(int64_t word, uint64_t mask) const {
            uint8_t* const at = bits + (word << 3);
            StoreBigEndian64(at, LoadBigEndian64(at) | mask);
        }
    };

    static void ClearMarks(uint64_t* marks, int64_t last) {
        std::fill_n(marks, (last >> 6) + 1, uint64_t{0});
    }

    // Each word's pixels are black from a mark to the next: the running parity of the word's own
    // marks, and that of the words before carried on.
    void FillBetweenMarks(uint64_t* marks, int64_t last) {
        uint64_t carry = 0; // all ones when a run goes on into the next word
        for (int64_t word = 0; word <= last >> 6; ++word) {
            const uint64_t ink = marks[word] ^ carry;
            marks[word] = 0;
            carry = 0 - (ink & 1);
            if (ink != 0)
                SetBits{bits_}(word, ink);
        }
    }

    // Each black run by itself, set straight into the row: the runs of such rows are few for
    // their length and seldom share a word, so gathering them in a mask would buy little.
    void PaintRunsOneByOne(const int32_t* changes, std::size_t count) {
        for (std::size_t k = 0; k < count; k += 2) {
            int64_t from = changes[k];
            int64_t to = changes[k + 1];
            if (!ClipSpan(from, to, width_))
                continue;
            if (mode_ != Mode::On && (mode_ == Mode::Off || !Begin()))
                return;
            SetSpan(from, to);
        }
    }

    // Sets pixels [from, to) of the row, 0 <= from < to <= the width: the first and last word
    // by their masks, and whole words between.
    void SetSpan(int64_t from, int64_t to) const {
        const int64_t first = from >> 6;
        const int64_t last = (to - 1) >> 6;
        const uint64_t head = ~uint64_t{0} >> (from & 63);
        const uint64_t tail = ~uint64_t{0} << (63 - ((to - 1) & 63));
        PrefetchNextRow(first);
        if (first == last) {
            SetBits{bits_}(first, head & tail);
            return;
        }
        PrefetchNextRow(last);
        SetBits{bits_}(first, head);
        std::memset(bits_ + ((first + 1) << 3), 0xff,
                    static_cast<std::size_t>(last - first - 1) << 3);
        SetBits{bits_}(last, tail);
    }

    // Asks the sink for the row at its first span. Inline, for this painter's address must not
    // leave the decoder that holds it.
    [[gnu::always_inline]] bool Begin() {
        uint8_t* const bits = sink_->BeginInk(row_);
        // How far the row's bits lie from the row before's, when that one had ink too: the next
        // row most likely lies as far on.
        rowStep_ = bits && bits_ && row_ == inkedRow_ + 1
                       ? reinterpret_cast<uintptr_t>(bits) - reinterpret_cast<uintptr_t>(bits_)
                       : 0;
        inkedRow_ = row_;
        bits_ = bits;
        mode_ = bits_ ? Mode::On : Mode::Off;
        return bits_ != nullptr;
    }

    // Asks for the word of the row's bits, one row on, into the cache: rows of few runs far
    // apart touch words the cache has long lost, and their runs mostly go on in the next row
    // where they stand. A hint only: it reads nothing, whatever the address.
    void PrefetchNextRow(int64_t word) const {
        if (rowStep_ != 0)
            __builtin_prefetch(reinterpret_cast<const void*>(
                                   reinterpret_cast<uintptr_t>(bits_ + (word << 3)) + rowStep_),
                               1);
    }

    RowSink* sink_;
    int64_t width_;
    Mode mode_ = Mode::Off;
    int64_t row_ = 0;
    uint8_t* bits_ = nullptr;
    int64_t inkedRow_ = -2; // the row bits_ belongs to
    uintptr_t rowStep_ = 0; // from the row before's bits to this row's; 0 when not known
    WordMask mask_;
};

} // namespace faxlens::codec
