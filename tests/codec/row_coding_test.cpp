// Two-dimensional row coding (T.6): hand-checked rows in each mode, and random pages coded row
// by row and decoded again by Faxlens's own Group 4 decoder.

#include "codec/fax_coding.h"
#include "codec/page_decode.h"
#include "codec/reference/run_encoder.h"
#include "codec/reference/surface_strips.h"
#include "page/page_surface.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace faxlens::codec {
namespace {

using reference::AppendRow2D;
using reference::kEndOfFacsimileBlock;

const BitString kV0 = "1";
const BitString kHorizontal = "001";

BitString Coded(const ChangeList& reference, const ChangeList& coding, int32_t width) {
    BitString line;
    AppendRow2D(line, reference, coding, width);
    return line;
}

TEST(AppendRow2D, ImaginaryWhiteRowEndsAtTheWidth) {
    EXPECT_EQ(WhiteRowChanges(1728), ChangeList{1728});
    EXPECT_EQ(WhiteRowChanges(1), ChangeList{1});
}

// Rows of 8 pixels as change lists (running sums of the runs, white first).
TEST(AppendRow2D, HandCheckedRows) {
    const struct {
        const char* what;
        ChangeList reference, coding;
        BitString code;
    } cases[] = {
        {"white under white", {8}, {8}, kV0},
        {"equal rows: V0 for each change and the end", {2, 5, 8}, {2, 5, 8}, "111"},
        {"first change one right: VR1",
         {2, 5, 8},
         {3, 5, 8},
         "011"
         "1"
         "1"},
        {"two right: VR2",
         {2, 5, 8},
         {4, 5, 8},
         "000011"
         "1"
         "1"},
        {"three right: VR3",
         {1, 5, 8},
         {4, 5, 8},
         "0000011"
         "1"
         "1"},
        {"one left: VL1",
         {2, 5, 8},
         {1, 5, 8},
         "010"
         "1"
         "1"},
        {"two left: VL2",
         {4, 6, 8},
         {2, 6, 8},
         "000010"
         "1"
         "1"},
        {"three left: VL3",
         {5, 6, 8},
         {2, 6, 8},
         "0000010"
         "1"
         "1"},
        {"end of a black run one left: VL1 from black",
         {2, 5, 8},
         {2, 4, 8},
         "1"
         "010"
         "1"},
        // b2 (3) lies left of a1 (8): the black run above is passed, then V0 at the end.
        {"white under a short black run: pass",
         {1, 3, 8},
         {8},
         "0001"
         "1"},
        {"two black runs passed",
         {1, 2, 4, 5, 8},
         {8},
         "0001"
         "0001"
         "1"},
        // a1 = 0 is 8 from b1: horizontal white 0 ("00110101"), black 3 ("10").
        {"black from the left under white",
         {8},
         {0, 3, 8},
         kHorizontal +
             "00110101"
             "10" +
             kV0},
        {"black row under black row",
         {0, 8},
         {0, 8},
         "1"
         "1"},
        {"black row under white",
         {8},
         {0, 8},
         kHorizontal + "00110101"
                       "000101"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Coded(c.reference, c.coding, 8), c.code) << c.what;
}

TEST(AppendRow2D, DistantChangeIsHorizontal) {
    // White 2 ("0111"), black 8 ("000101"), then V0 at the end.
    EXPECT_EQ(Coded({16}, {2, 10, 16}, 16), kHorizontal +
                                                "0111"
                                                "000101" +
                                                kV0);
    // Runs of 64 and more take make-up codes: white 100 is 64 ("11011") + 36 ("00010101"),
    // black 200 is 192 ("000011001001") + 8 ("000101").
    EXPECT_EQ(Coded({400}, {100, 300, 400}, 400), kHorizontal +
                                                      "11011"
                                                      "00010101"
                                                      "000011001001"
                                                      "000101" +
                                                      kV0);
}

TEST(AppendRow2D, AppendsToWhatTheLineHolds) {
    BitString line = "01";
    AppendRow2D(line, std::vector<int32_t>{2, 5, 8}, std::vector<int32_t>{3, 5, 8}, 8);
    EXPECT_EQ(line, "01"
                    "011"
                    "1"
                    "1");
}

// --- random pages, coded and decoded -----------------------------------------------------

using Row = std::vector<uint8_t>; // 1 for black

ChangeList ChangesOf(const Row& row) {
    ChangeList changes;
    uint8_t colour = 0;
    for (std::size_t x = 0; x < row.size(); ++x)
        if (row[x] != colour) {
            changes.push_back(static_cast<int32_t>(x));
            colour = row[x];
        }
    changes.push_back(static_cast<int32_t>(row.size()));
    return changes;
}

std::vector<uint8_t> Pack(const BitString& bits) {
    std::vector<uint8_t> bytes((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1')
            bytes[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    return bytes;
}

// Rows like each other, but not too much: each is the row above with some changes moved,
// some runs added and some removed; now and then a row of noise.
std::vector<Row> RandomPage(std::mt19937& random, int32_t width, int32_t height) {
    std::vector<Row> rows;
    Row row(static_cast<std::size_t>(width), 0);
    for (int32_t y = 0; y < height; ++y) {
        const unsigned kind = random() % 6;
        if (kind == 0) {
            for (auto& pixel : row)
                pixel = random() % 2;
        } else if (kind == 1) {
            std::fill(row.begin(), row.end(), static_cast<uint8_t>(random() % 2));
        } else {
            for (unsigned edits = random() % 6; edits > 0; --edits) {
                const auto x = static_cast<int32_t>(random() % width);
                const auto n = static_cast<int32_t>(1 + random() % (kind == 2 ? 4 : 80));
                const uint8_t colour = random() % 2;
                for (int32_t i = x; i < x + n && i < width; ++i)
                    row[i] = colour;
            }
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(AppendRow2D, RandomPagesDecodeToTheirRows) {
    std::mt19937 random(2024);
    for (int trial = 0; trial < 150; ++trial) {
        const auto width = static_cast<int32_t>(1 + random() % (trial < 100 ? 40 : 3000));
        const auto height = static_cast<int32_t>(1 + random() % 12);
        const std::vector<Row> rows = RandomPage(random, width, height);
        BitString strip;
        ChangeList reference = WhiteRowChanges(width);
        for (const Row& row : rows) {
            const ChangeList coding = ChangesOf(row);
            AppendRow2D(strip, reference, coding, width);
            reference = coding;
        }
        strip += kEndOfFacsimileBlock;
        auto surface = page::CreatePageSurface(width, height, page::kColourWhite);
        test::PaintFaxStrip(FaxCoding::Group4, surface.get(), Pack(strip), false, width, height, 0,
                            0, page::kColourBlack);
        for (int32_t y = 0; y < height; ++y) {
            Row decoded(static_cast<std::size_t>(width));
            for (int32_t x = 0; x < width; ++x)
                decoded[x] = surface->Pixel(x, y) == page::kColourBlack;
            ASSERT_EQ(decoded, rows[y])
                << "trial " << trial << ", " << width << " x " << height << ", row " << y;
        }
    }
}

} // namespace
} // namespace faxlens::codec
