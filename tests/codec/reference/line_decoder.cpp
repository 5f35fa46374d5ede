// Line by line decoding of modified Huffman data: two-dimensional Group 3, where a tag bit after
// each EOL says whether the next line is coded one-dimensionally or against the line above, and
// Huffman RLE (Compression 2), whose lines have no EOLs and each begin on a byte boundary.

#include "codec/reference/reference_decoder.h"
#include "codec/reference/run_decoding.h"
#include "codec/reference/strip_decoding.h"
#include "codec/reference/strip_window.h"

namespace faxlens::reference {

namespace {

// No code word and no EOL is cut by the end of the window with this much ahead; where one is
// longer (a very long run, long fill), decoding loads more and tries again.
constexpr int64_t kLookahead = 2000;
constexpr std::size_t kRefillBytes = 1000;
constexpr std::size_t kBytesPerCheck = 4096;

enum class LineEnd {
    Complete,    // the line reached the page width
    EolConsumed, // an EOL ended the line early and has been read
    Stuck,       // nothing more can be decoded
};

class LineDecoder {
public:
    LineDecoder(const StripTarget& target, std::span<const uint8_t> data)
        : target_(target), window_(data), reference_{target.width} {}

    void RunGroup3TwoD() {
        CheckWork(target_.check);
        // Other writers start a strip with an EOL and a tag bit; without them the first line
        // is one-dimensional, as every first line must be.
        bool oneDimensional = true;
        if (AtEol()) {
            ConsumeEol();
            if (!TakeTagBit(oneDimensional))
                return;
        }
        while (row_ < target_.rowLimit && !Finished()) {
            const LineEnd end = oneDimensional ? DecodeLine1D() : DecodeLine2D();
            EndRow();
            if (end == LineEnd::Stuck)
                return;
            if (end == LineEnd::Complete) {
                if (!AtEol()) {
                    oneDimensional = true; // no EOL: nothing says otherwise
                    continue;
                }
                ConsumeEol();
            }
            if (!TakeTagBit(oneDimensional))
                return;
        }
    }

    void RunHuffmanRle() {
        CheckWork(target_.check);
        while (row_ < target_.rowLimit && !Finished()) {
            const LineEnd end = DecodeLine1D();
            EndRow();
            if (end == LineEnd::Stuck)
                return;
            SkipToByteBoundary();
        }
    }

    int64_t Rows() const { return row_; }

private:
    bool Finished() {
        Fill();
        return window_.Remaining() <= 0;
    }

    void Fill() {
        if (window_.Remaining() < kLookahead && !window_.AllLoaded())
            Load(kRefillBytes);
    }

    void Load(std::size_t bytes) {
        window_.Append(bytes, [this](std::size_t loaded) {
            if (loaded % kBytesPerCheck == 0)
                CheckWork(target_.check);
        });
    }

    bool AtEol() {
        Fill();
        return window_.ZerosAt(kEolZeros);
    }

    // Reads fill zeros and the EOL through its final 1.
    void ConsumeEol() {
        int32_t run = 0;
        int32_t used = 0;
        DecodeRunLoadingMore(codec::kWhite, run, used);
        window_.Advance(used);
    }

    // The bit after an EOL: 1 for a one-dimensional line, 0 for a two-dimensional one.
    bool TakeTagBit(bool& oneDimensional) {
        Fill();
        if (window_.Remaining() <= 0)
            return false;
        oneDimensional = window_.Bits()[window_.Position() - 1] == '1';
        window_.Advance(1);
        return true;
    }

    void SkipToByteBoundary() {
        window_.Advance(static_cast<int32_t>((8 - window_.Consumed() % 8) % 8));
    }

    // A failure that the end of the window may have caused is tried again with more bits; the
    // amount loaded doubles, so a strip that cannot be decoded costs time in its size.
    bool DecodeRunLoadingMore(codec::Colour colour, int32_t& run, int32_t& used) {
        for (std::size_t bytes = kRefillBytes;; bytes *= 2) {
            const bool decoded =
                reference::DecodeRun(window_.Bits(), window_.Position(), colour, run, used);
            if (decoded || run == -1 || window_.AllLoaded())
                return decoded;
            Load(bytes);
        }
    }

    bool DecodeStepLoadingMore(int32_t& run, int32_t& used) {
        for (std::size_t bytes = kRefillBytes;; bytes *= 2) {
            if (reference::DecodeStep2D(window_.Bits(), window_.Position(), colour_,
                                        SaturateToInt32(a0_), reference_,
                                        static_cast<int32_t>(reference_.size()), run, used,
                                        horizontalPending_, walk_, target_.width))
                return true;
            if (window_.AllLoaded())
                return false;
            Load(bytes);
        }
    }

    // Runs of alternating colour, white first, until the width is reached. A code that matches
    // neither colour ends the strip; one that matches only the other colour stands for an
    // empty run of this one.
    LineEnd DecodeLine1D() {
        StartLine();
        bool previousUsedNothing = false;
        while (a0_ < target_.width) {
            Fill();
            int32_t run = 0;
            int32_t used = 0;
            DecodeRunLoadingMore(colour_, run, used);
            window_.Advance(used);
            if (used == 0 && previousUsedNothing)
                return LineEnd::Stuck;
            previousUsedNothing = used == 0;
            if (run == -1)
                return LineEnd::EolConsumed;
            AddRun(run);
        }
        return LineEnd::Complete;
    }

    // Coding steps against the line above until the width is reached and no second horizontal
    // run is due. An EOL where a step should be ends the line early.
    LineEnd DecodeLine2D() {
        StartLine();
        int32_t horizontalRuns = 0;
        while (a0_ < target_.width || horizontalPending_) {
            Fill();
            int32_t run = 0;
            int32_t used = 0;
            if (!DecodeStepLoadingMore(run, used))
                return window_.ZerosAt(kEolZeros) ? LineEnd::Complete : LineEnd::Stuck;
            window_.Advance(used);
            if (horizontalPending_ && ++horizontalRuns % 2 == 0)
                horizontalPending_ = false;
            AddRun(run);
        }
        return LineEnd::Complete;
    }

    void StartLine() {
        a0_ = 0;
        colour_ = codec::kWhite;
        horizontalPending_ = false;
        walk_ = {};
        codingLine_.clear();
    }

    void AddRun(int32_t run) {
        const int64_t previous = codingLine_.empty() ? 0 : codingLine_.back();
        codingLine_.push_back(SaturateToInt32(previous + run));
        target_.PaintRun(colour_, a0_, run, row_);
        a0_ += run;
        colour_ = codec::OppositeColour(colour_);
    }

    void EndRow() {
        ++row_;
        if (codingLine_.empty())
            codingLine_.push_back(target_.width);
        reference_.swap(codingLine_);
    }

    const StripTarget target_;
    StripWindow window_;

    codec::ChangeList reference_;
    codec::ChangeList codingLine_;
    int64_t row_ = 0;
    int64_t a0_ = 0;
    codec::Colour colour_ = codec::kWhite;
    bool horizontalPending_ = false;
    codec::ReferenceWalk walk_;
};

} // namespace

int64_t DecodeStripGroup3TwoD(page::PageSurface& surface, std::span<const uint8_t> data,
                              int32_t width, int32_t rowLimit, int64_t xOffset, int64_t yOffset,
                              page::ColourValue ink, const WorkCheck& check) {
    LineDecoder decoder({surface, width, rowLimit, xOffset, yOffset, ink, check}, data);
    decoder.RunGroup3TwoD();
    return decoder.Rows();
}

int64_t DecodeStripHuffmanRle(page::PageSurface& surface, std::span<const uint8_t> data,
                              int32_t width, int32_t rowLimit, int64_t xOffset, int64_t yOffset,
                              page::ColourValue ink, const WorkCheck& check) {
    LineDecoder decoder({surface, width, rowLimit, xOffset, yOffset, ink, check}, data);
    decoder.RunHuffmanRle();
    return decoder.Rows();
}

} // namespace faxlens::reference
