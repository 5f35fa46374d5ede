#pragma once

// Where decoded rows go. The decoders know nothing of what becomes of a row: a sink gives them
// the bits of each row that has ink (the pixels the coding calls black), and they set the bits
// of the ink they decode there.

#include "base/bit_words.h"

#include <cstdint>

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

    // Asks the sink for the row at its first span. Inline, for this painter's address must not
    // leave the decoder that holds it.
    [[gnu::always_inline]] bool Begin() {
        bits_ = sink_->BeginInk(row_);
        mode_ = bits_ ? Mode::On : Mode::Off;
        return bits_ != nullptr;
    }

    RowSink* sink_;
    int64_t width_;
    Mode mode_ = Mode::Off;
    int64_t row_ = 0;
    uint8_t* bits_ = nullptr;
    WordMask mask_;
};

} // namespace faxlens::codec
