// A row's black runs painted from its changing elements: the same pixels as setting every run's
// pixels one at a time, whatever the elements (sound, past the width, out of order, empty runs),
// the bytes after the row kept, the marks left clear, and a row without ink never asked for.

#include "codec/row_sink.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace faxlens::codec {
namespace {

constexpr uint8_t kGuard = 0xA5;
constexpr std::size_t kGuardBytes = 8;

// One row of bits with guard bytes after it; counts how often the row is asked for.
class OneRowSink final : public RowSink {
public:
    explicit OneRowSink(int64_t width)
        : RowSink(width), bytes_(static_cast<std::size_t>((width + 7) / 8) + kGuardBytes, 0) {
        std::fill(bytes_.end() - kGuardBytes, bytes_.end(), kGuard);
    }
    uint8_t* BeginInk(int64_t) override {
        ++asked;
        return bytes_.data();
    }
    void EndInk(int64_t) override { ++ended; }

    bool Pixel(int64_t x) const {
        return (bytes_[static_cast<std::size_t>(x / 8)] >> (7 - x % 8) & 1) != 0;
    }
    bool GuardKept() const {
        return std::all_of(bytes_.end() - kGuardBytes, bytes_.end(),
                           [](uint8_t b) { return b == kGuard; });
    }
    int asked = 0;
    int ended = 0;

private:
    std::vector<uint8_t> bytes_;
};

// The pixels of the runs, set one at a time: from each even element to the odd one after it.
std::vector<bool> ExpectedPixels(const std::vector<int32_t>& changes, int64_t width) {
    std::vector<bool> pixels(static_cast<std::size_t>(width));
    for (std::size_t k = 0; k + 1 < changes.size(); k += 2)
        for (int64_t x = std::max(0, changes[k]); x < std::min<int64_t>(changes[k + 1], width); ++x)
            pixels[static_cast<std::size_t>(x)] = true;
    return pixels;
}

void ExpectPainted(const std::vector<int32_t>& changes, int64_t width) {
    std::string listed;
    for (const int32_t change : changes)
        listed += std::to_string(change) + " ";
    SCOPED_TRACE("width " + std::to_string(width) + ": " + listed);
    OneRowSink sink(width);
    std::vector<uint64_t> marks(static_cast<std::size_t>(width / 64 + 2), 0);
    RowPainter painter(&sink);
    painter.Start(0);
    painter.PaintChanges(changes.data(), changes.size(), marks.data());
    painter.Finish();

    const std::vector<bool> expected = ExpectedPixels(changes, width);
    const bool inked = std::find(expected.begin(), expected.end(), true) != expected.end();
    for (int64_t x = 0; x < width; ++x)
        ASSERT_EQ(sink.Pixel(x), expected[static_cast<std::size_t>(x)]) << "pixel " << x;
    for (int64_t x = width; x % 8 != 0; ++x)
        EXPECT_FALSE(sink.Pixel(x)) << "pixel " << x << " past the width";
    EXPECT_TRUE(sink.GuardKept());
    EXPECT_EQ(sink.asked, inked ? 1 : 0);
    EXPECT_EQ(sink.ended, inked ? 1 : 0);
    EXPECT_TRUE(std::all_of(marks.begin(), marks.end(), [](uint64_t m) { return m == 0; }));
}

TEST(RowPainterChanges, PaintsTheRunsOfEveryKindOfChangeList) {
    const struct {
        std::vector<int32_t> changes;
        int64_t width;
    } cases[] = {
        {{3, 5, 10, 70, 128, 130, 190, 200}, 200}, // a sound row, runs across words
        {{0, 128}, 128},                           // a black row of whole words
        {{10, 20, 20, 30}, 100},                   // runs that touch
        {{5, 5, 7, 7}, 100},                       // empty runs only: no ink
        {{100, 400}, 150},                         // a run past the width
        {{1687, 1705, 274, 275}, 278},             // past the width, then back on the row
        {{50, 60, 40, 45}, 100},                   // runs out of order
        {{60, 50, 70, 80}, 100},                   // a run that ends before it begins
        {{-3, 4}, 100},                            // a run from left of the row
        {{10, 20, 30}, 100},                       // a last run not yet ended
        {{5000, 5001}, 13244},                     // a wide row with one short run
        {{63, 64, 64, 65, 127, 129}, 130},         // runs on word edges
    };
    for (const auto& c : cases)
        ExpectPainted(c.changes, c.width);
}

// Random lists: mostly sound rows of many runs, some out of order or past the width.
TEST(RowPainterChanges, RandomListsPaintAsRunsOneByOne) {
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        const int64_t width = 1 + random() % 700;
        std::vector<int32_t> changes(random() % 40);
        int32_t at = 0;
        for (int32_t& change : changes) {
            at += static_cast<int32_t>(random() % 40);
            change = random() % 10 == 0 ? static_cast<int32_t>(random() % 800) - 5 : at;
        }
        ExpectPainted(changes, width);
        if (HasFailure())
            return;
    }
}

} // namespace
} // namespace faxlens::codec
