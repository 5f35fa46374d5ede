// The strip decoders and the page decode: hand-made Group 3 and Group 4 strips painted into small
// surfaces and checked pixel by pixel.

#include "codec/page_decode.h"
#include "codec/reference/run_encoder.h"
#include "codec/reference/surface_strips.h"
#include "page/decoded_page.h"
#include "support/reading.h"
#include "support/tiff_builder.h"
#include "tiff/tag_dictionary.h"

#include <chrono>
#include <gtest/gtest.h>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace faxlens::codec {
namespace {

using test::TempDir;

const BitString kEol = "000000000001";
// An ink other than black, so that a decoder painting a fixed colour shows.
constexpr page::ColourValue kInk = 0x00204060;

// Bits to bytes, most significant bit first; the last byte is filled with zeros.
std::vector<uint8_t> Pack(const BitString& bits) {
    std::vector<uint8_t> bytes((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1')
            bytes[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    return bytes;
}

// Strip data as bits: Group 3 lines and EOLs, Group 4 mode codes (T.6).
struct Strip {
    BitString bits;
    Strip& Raw(const BitString& raw) {
        bits += raw;
        return *this;
    }
    // Group 3: a line's runs alternate white, black, ... starting with white.
    Strip& Line(std::initializer_list<int32_t> runs) {
        Colour colour = kWhite;
        for (int32_t run : runs) {
            reference::AppendRun(bits, run, colour);
            colour = colour == kWhite ? kBlack : kWhite;
        }
        return *this;
    }
    // Fill zeros up to a byte boundary and an EOL, as the page encoder writes it.
    Strip& Eol() { return Raw(reference::EncodeRun(-1, kWhite, bits)); }
    // Group 4: vertical mode with a1 - b1 = delta.
    Strip& V(int delta) {
        static const char* const codes[] = {"0000010", "000010", "010",    "1",
                                            "011",     "000011", "0000011"};
        return Raw(codes[delta + 3]);
    }
    // Horizontal mode: a run of the colour of a0, then one of the other colour.
    Strip& H(int32_t first, int32_t second, Colour colourOfA0 = kWhite) {
        return Raw("001" + reference::EncodeRun(first, colourOfA0, "") +
                   reference::EncodeRun(second, colourOfA0 == kWhite ? kBlack : kWhite, ""));
    }
    Strip& Pass() { return Raw("0001"); }
    Strip& Eofb() { return Raw(kEol + kEol); }
};
using G3 = Strip;
using G4 = Strip;

// One text a row: '#' for the ink (or black), '.' for white, '?' for anything else.
std::vector<std::string> Picture(const page::PageSurface& surface) {
    std::vector<std::string> rows;
    for (int32_t y = 0; y < surface.Height(); ++y) {
        std::string row;
        for (int32_t x = 0; x < surface.Width(); ++x) {
            const page::ColourValue c = surface.Pixel(x, y);
            row += c == page::kColourWhite ? '.' : c == kInk || c == page::kColourBlack ? '#' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

using StripDecoder = int64_t (*)(page::PageSurface&, std::span<const uint8_t>, int32_t, int32_t,
                                 int64_t, int64_t, page::ColourValue, const WorkCheck&);

// The engine painting a surface from a strip whose bits are taken most significant first.
template <FaxCoding kCoding>
int64_t PaintStrip(page::PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                   int32_t rowLimit, int64_t xOffset, int64_t yOffset, page::ColourValue ink,
                   const WorkCheck& check) {
    return test::PaintFaxStrip(kCoding, &surface, data, false, width, rowLimit, xOffset, yOffset,
                               ink, check);
}
constexpr StripDecoder DecodeStrip1D = PaintStrip<FaxCoding::Group3>;
constexpr StripDecoder DecodeStrip2D = PaintStrip<FaxCoding::Group4>;

// Where a strip goes: 0 for the width or row limit means the surface's.
struct Place {
    int32_t width = 0;
    int32_t rowLimit = 0;
    int64_t x = 0;
    int64_t y = 0;
};

struct StripCase {
    const char* name;
    BitString bits;
    std::vector<std::string> expected; // also the size of the surface
    Place place = {};
};

void ExpectPainted(StripDecoder decode, const std::vector<StripCase>& cases) {
    for (const StripCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto surfaceWidth = static_cast<int32_t>(c.expected[0].size());
        const auto surfaceHeight = static_cast<int32_t>(c.expected.size());
        auto surface = page::CreatePageSurface(surfaceWidth, surfaceHeight, page::kColourWhite);
        ASSERT_NE(surface, nullptr);
        decode(*surface, Pack(c.bits), c.place.width != 0 ? c.place.width : surfaceWidth,
               c.place.rowLimit != 0 ? c.place.rowLimit : surfaceHeight, c.place.x, c.place.y, kInk,
               {});
        EXPECT_EQ(Picture(*surface), c.expected);
    }
}

const std::string kWhiteRow(16, '.');

TEST(DecodeStrip1D, PaintsLinesIntoRows) {
    const std::vector<std::string> twoLines = {"...####.........", "##..............", kWhiteRow,
                                               kWhiteRow};
    ExpectPainted(
        DecodeStrip1D,
        {
            {"line, fill, EOL: the first line goes into row 0",
             G3().Line({3, 4, 9}).Eol().Line({0, 2, 14}).Eol().bits, twoLines},
            {"a leading EOL is a start marker",
             G3().Eol().Line({3, 4, 9}).Eol().Line({0, 2, 14}).Eol().bits, twoLines},
            {"two leading EOLs as well",
             G3().Raw(kEol).Eol().Line({3, 4, 9}).Eol().Line({0, 2, 14}).Eol().bits, twoLines},
            {"a full line followed directly by the next goes on in the next row",
             G3().Line({4, 12}).Line({10, 2, 4}).Eol().Line({0, 1, 15}).Eol().bits,
             {"....############", "..........##....", "#...............", kWhiteRow}},
            {"an EOL in the middle of a line ends the row",
             G3().Line({3, 2}).Eol().Line({1, 1, 14}).Eol().bits,
             {"...##...........", ".#..............", kWhiteRow, kWhiteRow}},
            {"a line of 2560 and more pixels",
             G3().Line({2600, 3, 7}).Eol().Line({2609, 1}).Eol().bits,
             {std::string(2600, '.') + "###.......", std::string(2609, '.') + "#"}},
        });
}

TEST(DecodeStrip1D, EndsWhereTheDataEnds) {
    const std::vector<std::string> oneLine = {"..##............", kWhiteRow, kWhiteRow, kWhiteRow};
    const BitString unmatched = "00000000011"; // nine zeros: no EOL, no code word of either colour
    ExpectPainted(
        DecodeStrip1D,
        {
            {"six EOLs after the last line paint nothing",
             G3().Line({2, 2, 12}).Eol().Raw(kEol + kEol + kEol + kEol + kEol + kEol).bits,
             oneLine},
            {"fewer than 11 fill zeros to the end", G3().Line({2, 2, 12}).Eol().Raw("00000").bits,
             oneLine},
            {"many fill zeros to the end",
             G3().Line({2, 2, 12}).Eol().Raw(std::string(60, '0')).bits, oneLine},
            {"a code of neither colour ends the strip, rows before it stay",
             G3().Line({1, 1, 14}).Eol().Line({2, 2, 12}).Eol().Raw(unmatched).Line({0, 16}).bits,
             {".#..............", "..##............", kWhiteRow, kWhiteRow}},
            {"data ending in the middle of a line leaves the rest white",
             G3().Line({1, 1, 14}).Eol().Line({5, 2}).bits,
             {".#..............", ".....##.........", kWhiteRow, kWhiteRow}},
            {"the row limit stops painting",
             G3().Line({0, 1, 15}).Eol().Line({1, 1, 14}).Eol().Line({2, 1, 13}).Eol().bits,
             {"#...............", ".#..............", kWhiteRow, kWhiteRow},
             {.rowLimit = 2}},
        });
}

TEST(DecodeStrip1D, OffsetsPlaceTheRunsAndTheSurfaceClipsThem) {
    ExpectPainted(DecodeStrip1D,
                  {
                      {"shifted right and down",
                       G3().Line({2, 3, 11}).Eol().Line({0, 1, 15}).Eol().bits,
                       {kWhiteRow, ".....###........", "...#............", kWhiteRow},
                       {.x = 3, .y = 1}},
                      {"left of and above the surface",
                       G3().Line({5, 1, 10}).Eol().Line({0, 4, 12}).Eol().bits,
                       {"##..............", kWhiteRow},
                       {.x = -2, .y = -1}},
                      {"right of the surface, rows wider than it",
                       G3().Line({14, 4, 2}).Eol().Line({17, 3}).Eol().bits,
                       {"..............##", kWhiteRow},
                       {.width = 20}},
                      {"below the surface",
                       G3().Line({0, 1, 15}).Eol().Line({0, 2, 14}).Eol().bits,
                       {kWhiteRow, kWhiteRow, kWhiteRow, "#..............."},
                       {.rowLimit = 8, .y = 3}},
                  });
}

// Rows of one black pixel and a long white run, each behind an EOL, shifted bit by bit so that
// the end of the window falls at every point of a row in turn: the rows must not depend on it.
void ExpectRowsIndependentOfRefills(int32_t width) {
    constexpr int32_t kRows = 90;
    const BitString line = G3().Line({0, 1, width - 1}).Raw(kEol).bits;
    auto surface = page::CreatePageSurface(width, kRows + 1, page::kColourWhite);
    ASSERT_NE(surface, nullptr);
    for (std::size_t shift = 0; shift < line.size(); ++shift) {
        BitString bits = std::string(shift, '0') + kEol;
        for (int32_t i = 0; i < kRows; ++i)
            bits += line;
        ASSERT_GT(bits.size(), 8u * 1001) << "the strip must need more than one refill";
        surface->Fill(page::kColourWhite);
        DecodeStrip1D(*surface, Pack(bits), width, kRows + 1, 0, 0, kInk, {});
        std::string column;
        for (int32_t y = 0; y <= kRows; ++y)
            column += surface->Pixel(0, y) == kInk ? '#' : '.';
        ASSERT_EQ(column, std::string(kRows, '#') + ".") << "shift " << shift;
    }
}

// The white run takes 92 bits, so its row can end just before the end of the window, with the
// EOL after it cut in two.
TEST(DecodeStrip1D, EolAfterAFullRowDoesNotDependOnRefills) {
    ExpectRowsIndependentOfRefills(17920);
}

// The white run of a row 40000 pixels wide takes about 200 bits, more than the decoder keeps
// ahead of the position before it refills.
TEST(DecodeStrip1D, LongRunsDoNotDependOnRefills) {
    ExpectRowsIndependentOfRefills(40000);
}

TEST(DecodeStrip2D, PaintsModeCodes) {
    ExpectPainted(
        DecodeStrip2D,
        {
            {"V0 on the imaginary white line gives a white row",
             G4().V(0).H(3, 4).V(0).Eofb().bits,
             {kWhiteRow, "...####.........", kWhiteRow}},
            {"horizontal mode from a white and from a black a0",
             G4().H(2, 3).H(4, 5).V(0).V(0).H(1, 3, kBlack).V(0).V(0).Eofb().bits,
             {"..###....#####..", "..#...########..", kWhiteRow}},
            {"pass mode moves a0 under b2 without painting",
             G4().H(2, 3).V(0).Pass().H(2, 3).V(0).Eofb().bits,
             {"..###...........", ".......###......", kWhiteRow}},
            {"every vertical mode",
             G4().H(4, 4).H(4, 2).V(0).V(1).V(-2).V(3).V(0).V(-3).V(2).V(-1).V(0).Eofb().bits,
             {"....####....##..", ".....#.........#", "..######......##"}},
            {"the row limit and offsets",
             G4().H(2, 3).V(0).V(0).V(0).V(0).H(0, 16).bits,
             {kWhiteRow, "...###..........", "...###..........", kWhiteRow},
             {.rowLimit = 2, .x = 1, .y = 1}},
        });
}

TEST(DecodeStrip2D, EndsWhereTheDataEnds) {
    const std::vector<std::string> twoRows = {"..###...........", "..###...........", kWhiteRow};
    ExpectPainted(
        DecodeStrip2D,
        {
            {"an EOFB after the last row, bits after it are not decoded",
             G4().H(2, 3).V(0).V(0).V(0).V(0).Eofb().Raw(std::string(24, '1')).bits, twoRows},
            {"no EOFB", G4().H(2, 3).V(0).V(0).V(0).V(0).bits, twoRows},
            {"no EOFB, zero bytes after the last row",
             G4().H(2, 3).V(0).V(0).V(0).V(0).Raw(std::string(30, '0')).bits, twoRows},
            {"data ending in the middle of a row leaves the rest white",
             G4().H(2, 3).V(0).H(1, 2).bits,
             {"..###...........", ".##.............", kWhiteRow}},
        });
}

TEST(DecodeStrip2D, EmptyAndNegativeRunsPaintNothing) {
    Strip backAndForth; // V0 (white, 2 pixels), VL3 (black, a1 two pixels left of a0)
    for (int i = 0; i < 300; ++i)
        backAndForth.V(0).V(-3);
    ExpectPainted(DecodeStrip2D,
                  {
                      {"zero-length black runs at the end and in the middle of a row",
                       G4().H(16, 0).H(3, 4).V(0).H(5, 0).V(0).Eofb().bits,
                       {kWhiteRow, "...####.........", kWhiteRow}},
                      {"a vertical mode putting a1 left of a0",
                       G4().H(8, 1).V(0).V(0).V(-3).Raw(backAndForth.bits).bits,
                       {"........#.......", kWhiteRow, kWhiteRow}},
                  });
}

// A horizontal run of 600 make-up words is longer than the window: the step fails until enough
// bytes are loaded.
TEST(DecodeStrip2D, DecodesACodeLongerThanTheWindow) {
    constexpr int32_t kWhiteRun = 600 * 2560;
    constexpr int32_t kWidth = kWhiteRun + 3;
    const BitString bits = G4().H(kWhiteRun, 3).Eofb().bits;
    ASSERT_GT(bits.size(), 2000u * 3);
    auto surface = page::CreatePageSurface(kWidth, 1, page::kColourWhite);
    ASSERT_NE(surface, nullptr);
    DecodeStrip2D(*surface, Pack(bits), kWidth, 1, 0, 0, kInk, {});
    int black = 0;
    for (int32_t x = 0; x < kWidth; ++x)
        black += surface->Pixel(x, 0) != page::kColourWhite;
    EXPECT_EQ(black, 3);
    for (int32_t x = kWhiteRun; x < kWidth; ++x)
        EXPECT_EQ(surface->Pixel(x, 0), kInk) << x;
}

TEST(StripDecoders, RandomBytesEndQuickly) {
    auto surface = page::CreatePageSurface(64, 32, page::kColourWhite);
    ASSERT_NE(surface, nullptr);
    const auto start = std::chrono::steady_clock::now();
    for (uint32_t seed = 0; seed < 300; ++seed) {
        std::mt19937 random(seed);
        std::vector<uint8_t> data(random() % 2001);
        // Every third strip is mostly zero bits, which brings EOLs and fill.
        const bool sparse = seed % 3 == 0;
        for (uint8_t& byte : data)
            byte = static_cast<uint8_t>(sparse ? (random() % 4 == 0 ? 1u << random() % 8 : 0u)
                                               : random());
        const auto width = static_cast<int32_t>(1 + random() % 100);
        const auto rowLimit = static_cast<int32_t>(1 + random() % 40);
        const int64_t xOffset = static_cast<int64_t>(random() % 9) - 4;
        for (StripDecoder decode : {StripDecoder{DecodeStrip1D}, StripDecoder{DecodeStrip2D}}) {
            surface->Fill(page::kColourWhite);
            decode(*surface, data, width, rowLimit, xOffset, 0, kInk, {});
            for (int32_t y = 0; y < surface->Height(); ++y)
                for (int32_t x = 0; x < surface->Width(); ++x) {
                    const page::ColourValue c = surface->Pixel(x, y);
                    ASSERT_TRUE(c == page::kColourWhite || c == kInk) << "seed " << seed;
                }
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

// --- a page's strips from its file -------------------------------------------------------

struct PageFile {
    TempDir dir;
    std::string path = dir.File("strips.tif");
    std::vector<tiff::StripSlot> slots;

    // Writes the strips one after the other behind a TIFF header without images and a few bytes
    // that are no strip.
    explicit PageFile(const std::vector<BitString>& strips) {
        std::vector<uint8_t> bytes = {'I', 'I', 42, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF};
        for (const BitString& strip : strips) {
            const auto data = Pack(strip);
            slots.push_back(
                {static_cast<int32_t>(bytes.size()), static_cast<int32_t>(data.size())});
            bytes.insert(bytes.end(), data.begin(), data.end());
        }
        test::WriteFile(path, bytes);
    }
};

// A page of 16 x 12 pixels with 8 rows a strip, of the given Compression code.
tiff::TiffPage PageOf(int32_t compression, std::vector<tiff::StripSlot> slots) {
    tiff::TiffPage page{16, 12, 204, 196, tiff::CompressionName(compression), 8, std::move(slots),
                        {}};
    page.coding.compression = compression;
    return page;
}

// The page as decoded into a surface; a page without a decoder is left white.
std::vector<std::string> Decoded(const std::string& path, const tiff::TiffPage& page,
                                 int* checks = nullptr) {
    auto surface = page::CreatePageSurface(static_cast<int32_t>(page.width),
                                           static_cast<int32_t>(page.height), page::kColourWhite);
    WorkCheck check = [checks] {
        if (checks)
            ++*checks;
    };
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    EXPECT_TRUE(file) << file.Reason();
    if (file) {
        EXPECT_TRUE(page::DecodePageIntoSurface(surface.get(), *file, page, check));
    }
    return Picture(*surface);
}

std::vector<std::string> Rows(std::initializer_list<std::pair<int, std::string>> painted) {
    std::vector<std::string> rows(12, kWhiteRow);
    for (const auto& [y, row] : painted)
        rows[static_cast<std::size_t>(y)] = row;
    return rows;
}

TEST(DecodePageIntoSurface, ChoosesTheDecoderByCompressionAndPaintsStripsFromTheirRows) {
    const PageFile g3(
        {G3().Line({1, 2, 13}).Eol().Line({0, 16}).Eol().bits, G3().Line({4, 4, 8}).Eol().bits});
    const PageFile g4({G4().H(1, 2).V(0).H(0, 16).bits, G4().H(4, 4).V(0).Eofb().bits});
    const auto painted =
        Rows({{0, ".##............."}, {1, std::string(16, '#')}, {8, "....####........"}});
    const struct {
        int32_t compression;
        const PageFile& file;
        bool decoder;
    } cases[] = {
        {3, g3, true}, {4, g4, true}, {34999, g4, false}, {7, g4, false}, {0, g4, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.compression);
        EXPECT_EQ(Decoded(c.file.path, PageOf(c.compression, c.file.slots)),
                  c.decoder ? painted : Rows({}));
    }
}

// A strip paints the rows it holds: RowsPerStrip of them, and the rest of the page for the
// last strip (a lone strip under a RowsPerStrip that is too small holds the whole page).
TEST(DecodePageIntoSurface, EachStripPaintsOnlyItsOwnRowsButTheLastTheRest) {
    Strip tenLines = G3();
    for (int i = 0; i < 10; ++i)
        tenLines.Line({i, 1, 15 - i}).Eol();
    const PageFile lone({tenLines.bits});
    EXPECT_EQ(Decoded(lone.path, PageOf(3, lone.slots))[9], ".........#......")
        << "the one strip holds all ten rows although RowsPerStrip is 8";

    const PageFile two({tenLines.bits, G3().Line({0, 16}).Eol().bits});
    const auto rows = Decoded(two.path, PageOf(3, two.slots));
    EXPECT_EQ(rows[7], ".......#........");
    EXPECT_EQ(rows[8], std::string(16, '#')) << "row 8 belongs to the second strip";
    EXPECT_EQ(rows[9], kWhiteRow) << "the first strip's rows 8 and 9 belong to no row";
}

TEST(DecodePageIntoSurface, EmptySlotsAreNotRead) {
    const PageFile file({G3().Line({3, 1, 12}).Eol().bits});
    std::vector<tiff::StripSlot> slots = file.slots;
    slots.push_back({-1, 0});
    slots.push_back({-1, 0x7FFFFFFF});
    int checks = 0;
    EXPECT_EQ(Decoded(file.path, PageOf(3, slots), &checks), Rows({{0, "...#............"}}));
    EXPECT_EQ(checks, 1) << "only the one strip is decoded";
}

TEST(DecodePageIntoSurface, ByteCountsBeyondTheFileReadWhatExists) {
    const PageFile file({G4().H(3, 1).V(0).V(0).V(0).V(0).bits});
    const int64_t offset = file.slots[0].offset;
    EXPECT_EQ(Decoded(file.path, PageOf(4, {{offset, 0xFFFFFFFF}})),
              Rows({{0, "...#............"}, {1, "...#............"}}));
    EXPECT_EQ(Decoded(file.path, PageOf(4, {{1 << 20, 0xFFFFFFFF}})), Rows({}));
}

TEST(DecodePage, GivesNoSurfaceForMissingNegativeOrHugeSizes) {
    TempDir dir;
    const struct {
        const char* name;
        test::TiffBuilder builder;
        page::PageStatus status;
    } cases[] = {
        {"no width",
         test::TiffBuilder()
             .Ifd()
             .Short(tiff::tag::kImageLength, {10})
             .Short(tiff::tag::kCompression, {4}),
         page::PageStatus::NoSize},
        {"negative height",
         test::TiffBuilder()
             .Ifd()
             .Short(tiff::tag::kImageWidth, {10})
             .Raw(tiff::tag::kImageLength, 9, 1, {0xFB, 0xFF, 0xFF, 0xFF})
             .Short(tiff::tag::kCompression, {4}),
         page::PageStatus::NoSize},
        {"100000 x 100000: more than a GiB of bits",
         test::TiffBuilder()
             .Ifd()
             .Long(tiff::tag::kImageWidth, {100000})
             .Long(tiff::tag::kImageLength, {100000})
             .Long(tiff::tag::kStripOffsets, {8}),
         page::PageStatus::TooLarge},
        {"no decoder",
         test::TiffBuilder()
             .Ifd()
             .Short(tiff::tag::kImageWidth, {10})
             .Short(tiff::tag::kImageLength, {3})
             .Short(tiff::tag::kCompression, {7})
             .Long(tiff::tag::kStripOffsets, {8}),
         page::PageStatus::Unsupported},
        {"no strips",
         test::TiffBuilder()
             .Ifd()
             .Short(tiff::tag::kImageWidth, {10})
             .Short(tiff::tag::kImageLength, {10}),
         page::PageStatus::Unsupported},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("page.tif");
        c.builder.WriteTo(path);
        const page::DecodedPage decoded = test::DecodeImage(path, c.builder.IfdOffsets()[0]);
        EXPECT_EQ(decoded.status, c.status);
        EXPECT_EQ(decoded.surface, nullptr);
    }
}

} // namespace
} // namespace faxlens::codec
