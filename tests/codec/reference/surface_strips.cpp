#include "codec/reference/surface_strips.h"

#include "base/bit_words.h"

#include <optional>
#include <vector>

namespace faxlens::test {

namespace {

// Rows painted into a surface xOffset pixels to the right of where the strip has them: the
// decoder sets the ink in a row of the sink's, whose pixel x lands on pixel x + xOffset of the
// surface, and what falls outside the surface is not painted.
class OffsetSink final : public codec::RowSink {
public:
    OffsetSink(page::PageSurface& surface, page::ColourValue ink, int64_t xOffset)
        : codec::RowSink(std::max<int64_t>(surface.Width() - xOffset, 0)), surface_(surface),
          ink_(ink), xOffset_(xOffset) {}

    uint8_t* BeginInk(int64_t) override {
        bits_.assign(static_cast<std::size_t>(Width() / 8 + 16), 0);
        return bits_.data();
    }
    void EndInk(int64_t row) override {
        std::vector<int64_t> spans;
        for (int64_t x = 0; x < Width();) {
            const int64_t start = NextBitOf(bits_.data(), x, Width(), true);
            const int64_t end = NextBitOf(bits_.data(), start, Width(), false);
            if (start < end) {
                spans.push_back(start + xOffset_);
                spans.push_back(end + xOffset_);
            }
            x = end;
        }
        surface_.PaintSpans(row, spans, ink_);
    }

private:
    page::PageSurface& surface_;
    page::ColourValue ink_;
    int64_t xOffset_;
    std::vector<uint8_t> bits_;
};

} // namespace

int64_t PaintFaxStrip(codec::FaxCoding coding, page::PageSurface* surface,
                      std::span<const uint8_t> data, bool lowBitFirst, int32_t width,
                      int32_t rowLimit, int64_t xOffset, int64_t yOffset, page::ColourValue ink,
                      const WorkCheck& check, codec::FaxStripEnd* end) {
    std::optional<OffsetSink> sink;
    if (surface != nullptr)
        sink.emplace(*surface, ink, xOffset);
    return codec::DecodeFaxStrip(coding, sink ? &*sink : nullptr, data, lowBitFirst, width,
                                 rowLimit, yOffset, check, end);
}

} // namespace faxlens::test
