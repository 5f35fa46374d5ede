#include "codec/reference/reference_decoder.h"
#include "codec/reference/run_decoding.h"
#include "codec/reference/strip_decoding.h"
#include "codec/reference/strip_window.h"

namespace faxlens::reference {

namespace {

// Keep at least 2000 characters ahead, so that no code word is cut by the end of the window; a
// refill writes at most 250 bytes over 2000 placeholders.
constexpr int64_t kLookahead2D = 2000;
constexpr std::size_t kRefillBytes2D = 250;

class Decoder2D {
public:
    Decoder2D(const StripTarget& target, std::span<const uint8_t> data)
        : target_(target), window_(data), reference_{target.width} {}

    int64_t Run() {
        CheckWork(target_.check);
        while (FillWindow() && DecodeNextStep()) {
        }
        return row_ + (a0_ != 0 ? 1 : 0);
    }

private:
    bool FillWindow() {
        if (window_.Remaining() >= kLookahead2D)
            return true;
        if (window_.AllLoaded())
            return window_.Remaining() > 0; // the window holds the rest already
        Refill(kRefillBytes2D);
        return true;
    }

    void Refill(std::size_t bytes) {
        window_.Rebuild(bytes, static_cast<std::size_t>(kLookahead2D));
        CheckWork(target_.check);
    }

    // One coding step: a run of the colour of a0, recorded and painted. False when the strip
    // is finished.
    bool DecodeNextStep() {
        int32_t run = 0;
        if (!DecodeStepLoadingMore(run))
            return false;
        RecordRun(run);
        return row_ < target_.rowLimit;
    }

    // A step that fails may have been cut short by the end of the window: load more and try
    // again at the same point, until every byte is loaded. The amount loaded doubles with each
    // try, so a strip that cannot be decoded costs time in proportion to its size; a code
    // that the loaded bits decide is decided the same way by more bits.
    bool DecodeStepLoadingMore(int32_t& run) {
        for (std::size_t bytes = kRefillBytes2D;; bytes *= 2) {
            int32_t used = 0;
            if (reference::DecodeStep2D(window_.Bits(), window_.Position(), colour_,
                                        SaturateToInt32(a0_), reference_, referenceCount_, run,
                                        used, horizontalPending_, walk_, target_.width)) {
                window_.Advance(used);
                return true;
            }
            if (window_.AllLoaded())
                return false;
            Refill(bytes);
        }
    }

    void RecordRun(int32_t run) {
        if (horizontalPending_ && ++horizontalRuns_ % 2 == 0) {
            horizontalPending_ = false;
            horizontalRuns_ = 0;
        }
        const int64_t previous = codingLine_.empty() ? 0 : codingLine_.back();
        codingLine_.push_back(SaturateToInt32(previous + run));
        target_.PaintRun(colour_, a0_, run, row_);
        a0_ += run;
        colour_ = codec::OppositeColour(colour_);
        if (a0_ < target_.width || horizontalPending_)
            return;
        // The row is full. An EOL after it is skipped without ending the row again.
        if (window_.Remaining() < kEolZeros && !window_.AllLoaded())
            Refill(kRefillBytes2D);
        if (window_.ZerosAt(kEolZeros))
            window_.Advance(kEolLength);
        else
            EndRow();
    }

    void EndRow() {
        ++row_;
        a0_ = 0;
        horizontalPending_ = false;
        horizontalRuns_ = 0;
        colour_ = codec::kWhite;
        walk_ = {};
        if (codingLine_.empty())
            codingLine_.push_back(target_.width);
        reference_.swap(codingLine_);
        referenceCount_ = static_cast<int32_t>(reference_.size());
        codingLine_.clear();
    }

    const StripTarget target_;
    StripWindow window_;

    codec::ChangeList reference_;
    int32_t referenceCount_ = 1;
    codec::ChangeList codingLine_;
    int64_t row_ = 0;
    int64_t a0_ = 0;
    codec::Colour colour_ = codec::kWhite;
    bool horizontalPending_ = false;
    int32_t horizontalRuns_ = 0;
    codec::ReferenceWalk walk_;
};

} // namespace

int64_t DecodeStrip2D(page::PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                      int32_t rowLimit, int64_t xOffset, int64_t yOffset, page::ColourValue ink,
                      const WorkCheck& check) {
    return Decoder2D({surface, width, rowLimit, xOffset, yOffset, ink, check}, data).Run();
}

} // namespace faxlens::reference
