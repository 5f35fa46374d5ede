#include "codec/reference/reference_decoder.h"
#include "codec/reference/run_decoding.h"
#include "codec/reference/strip_decoding.h"
#include "codec/reference/strip_window.h"

namespace faxlens::reference {

namespace {

// Refill when 100 or fewer characters are left, with up to 1001 bytes; let the window system
// run after every 16 bytes.
constexpr int64_t kLookahead1D = 101;
constexpr std::size_t kRefillBytes1D = 1001;
constexpr std::size_t kBytesPerCheck1D = 16;

class Decoder1D {
public:
    Decoder1D(const StripTarget& target, std::span<const uint8_t> data)
        : target_(target), window_(data) {}

    int64_t Run() {
        CheckWork(target_.check);
        while (FillWindow() && DecodeNextRun()) {
        }
        return row_ + (column_ > 0 ? 1 : 0);
    }

private:
    // Makes sure enough characters lie ahead; false when the strip is finished.
    bool FillWindow() {
        if (window_.Remaining() >= kLookahead1D)
            return true;
        if (window_.AllLoaded() && window_.Remaining() <= 0)
            return false;
        Refill();
        return !window_.Empty();
    }

    void Refill(std::size_t bytes = kRefillBytes1D) {
        window_.Append(bytes, [this](std::size_t loaded) {
            if (loaded % kBytesPerCheck1D == 0)
                CheckWork(target_.check);
        });
    }

    // A run whose code words reach past the end of the window (a very long run, or the zeros
    // before an EOL) would be cut by it: when no run and no EOL is recognised and bytes remain,
    // load more and decode again at the same point. More bits never change a result that the
    // loaded bits decide, and the amount loaded doubles each time.
    void DecodeRunLoadingMore(int32_t& run, int32_t& used) {
        for (std::size_t bytes = kRefillBytes1D;; bytes *= 2) {
            const bool decoded =
                reference::DecodeRun(window_.Bits(), window_.Position(), colour_, run, used);
            if (decoded || run == -1 || window_.AllLoaded())
                return;
            Refill(bytes);
        }
    }

    // Decodes one run and paints it; false when the strip is finished.
    bool DecodeNextRun() {
        int32_t run = 0;
        int32_t used = 0;
        DecodeRunLoadingMore(run, used);
        window_.Advance(used);
        // Neither colour's code words match here: nothing more can be decoded.
        const bool stuck = used == 0 && previousUsedNothing_;
        previousUsedNothing_ = used == 0;
        if (stuck)
            return false;
        if (run == -1) {
            // An EOL before anything of the strip is its start marker, not the end of a row.
            return !anythingDecoded_ || EndRow();
        }
        anythingDecoded_ = anythingDecoded_ || used > 0;
        target_.PaintRun(colour_, column_, run, row_);
        column_ += run;
        colour_ = codec::OppositeColour(colour_);
        if (column_ < target_.width)
            return true;
        // The row is full. An EOL right after it ends the row when it is read next.
        if (window_.Remaining() < kEolZeros && !window_.AllLoaded())
            Refill();
        return window_.ZerosAt(kEolZeros) || EndRow();
    }

    bool EndRow() {
        anythingDecoded_ = true;
        ++row_;
        column_ = 0;
        colour_ = codec::kWhite;
        return row_ < target_.rowLimit;
    }

    const StripTarget target_;
    StripWindow window_;

    int64_t row_ = 0;
    int64_t column_ = 0;
    codec::Colour colour_ = codec::kWhite;
    bool previousUsedNothing_ = false;
    bool anythingDecoded_ = false;
};

} // namespace

int64_t DecodeStrip1D(page::PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                      int32_t rowLimit, int64_t xOffset, int64_t yOffset, page::ColourValue ink,
                      const WorkCheck& check) {
    return Decoder1D({surface, width, rowLimit, xOffset, yOffset, ink, check}, data).Run();
}

} // namespace faxlens::reference
