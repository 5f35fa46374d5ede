// The decoding engine against the reference decoder: every strip of the corpus, the samples,
// pages written by libtiff, Ghostscript and ImageMagick, whole and damaged, decodes to the same
// pixels and the same row count with both, in either fill order. The fuzz harness fuzz_engine does
// the same with random strips. The engine's trace of each strip reaches the same rows and stop, and
// its codes, one after the other from the strip's first bit, code again into the strip's bits.

#include "codec/fax_coding.h"
#include "codec/fax_trace.h"
#include "codec/page_decode.h"
#include "codec/reference/reference_decoder.h"
#include "codec/reference/surface_strips.h"
#include "support/libtiff_pages.h"
#include "support/tiff_builder.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <tiffio.h>

namespace faxlens::codec {
namespace {

using ReferenceDecoder = int64_t (*)(page::PageSurface&, std::span<const uint8_t>, int32_t, int32_t,
                                     int64_t, int64_t, page::ColourValue, const WorkCheck&);

struct Coding {
    FaxCoding engine;
    ReferenceDecoder reference;
    const char* name;
};

const Coding kCodings[] = {
    {FaxCoding::Group3, reference::DecodeStrip1D, "Group 3"},
    {FaxCoding::Group4, reference::DecodeStrip2D, "Group 4"},
    {FaxCoding::Group3TwoD, reference::DecodeStripGroup3TwoD, "Group 3 2D"},
    {FaxCoding::HuffmanRle, reference::DecodeStripHuffmanRle, "Huffman RLE"},
};

struct Strip {
    std::string name;
    std::vector<uint8_t> bytes; // bits most significant first
    int32_t width = 0;
    int32_t rows = 0;
    const Coding* coding = nullptr;
};

bool SamePixels(const page::PageSurface& a, const page::PageSurface& b) {
    if (a.IsBilevel() && b.IsBilevel() && a.Background() == b.Background() && a.Ink() == b.Ink())
        return std::memcmp(a.PlaneRow(0), b.PlaneRow(0), a.PlaneStride() * a.Height()) == 0;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return false;
    return true;
}

std::vector<uint8_t> Reversed(std::vector<uint8_t> bytes) {
    ReverseBitOrder(bytes);
    return bytes;
}

// Collects every code the engine tells, from the row it wants on.
struct CodeCollector final : FaxTraceListener {
    int64_t wanted = 0;
    std::vector<std::pair<int64_t, TracedCode>> codes; // with their rows
    explicit CodeCollector(int64_t firstRow = 0) : wanted(firstRow) {}
    int64_t FirstRowWanted() const override { return wanted; }
    void Code(int64_t row, const TracedCode& code) override { codes.emplace_back(row, code); }
    void RowEnds(int64_t) override {}
    void Stopped(int64_t, int64_t, int64_t, Expected) override {}
    // The codes of rows from `row` on, as (row, bit, length).
    std::vector<std::array<int64_t, 3>> From(int64_t row) const {
        std::vector<std::array<int64_t, 3>> from;
        for (const auto& [at, code] : codes)
            if (at >= row)
                from.push_back({at, code.bit, code.length});
        return from;
    }
};

// Bits as text, for the coders.
struct BitText {
    std::string bits;
    void Put(uint32_t code, int length) {
        for (int k = length - 1; k >= 0; --k)
            bits += (code >> k) & 1 ? '1' : '0';
    }
    void PutZeros(int64_t count) { bits.append(static_cast<std::size_t>(count), '0'); }
    int64_t BitCount() const { return static_cast<int64_t>(bits.size()); }
};

// What a traced code stands for, coded again.
std::string CodedAgain(const TracedCode& code) {
    BitText text;
    switch (code.kind) {
    case TracedCode::Kind::Run: {
        const CodeBits& word = CodeBitsFor(code.colour)[static_cast<std::size_t>(
            code.terminating ? code.run : MakeUpIndex(code.run))];
        text.Put(word.bits, word.length);
        break;
    }
    case TracedCode::Kind::Pass:
        text.Put(0b0001, 4);
        break;
    case TracedCode::Kind::Horizontal:
        text.Put(0b001, 3);
        break;
    case TracedCode::Kind::Vertical: {
        const uint32_t sign = code.delta < 0 ? 0 : 1;
        const int size = code.delta < 0 ? -code.delta : code.delta;
        if (size == 0)
            text.Put(1, 1);
        else
            text.Put(0b010 | sign, size == 1 ? 3 : size + 4); // 01x, 00001x, 000001x
        break;
    }
    case TracedCode::Kind::EndOfLine:
        text.PutZeros(code.length - 12);
        text.Put(1, 12);
        break;
    case TracedCode::Kind::TagBit:
        text.Put(static_cast<uint32_t>(code.run), 1);
        break;
    case TracedCode::Kind::Skipped: // eleven zeros and a bit that is not the 1 of an EOL
        text.PutZeros(12);
        break;
    }
    return text.bits;
}

// The bits of the strip from `from` on, no further than its end.
std::string BitsOf(std::span<const uint8_t> bytes, int64_t from, int64_t length) {
    std::string bits;
    const int64_t end = std::min<int64_t>(from + length, static_cast<int64_t>(bytes.size()) * 8);
    for (int64_t bit = from; bit < end; ++bit)
        bits += (bytes[static_cast<std::size_t>(bit / 8)] >> (7 - bit % 8)) & 1 ? '1' : '0';
    return bits;
}

// The trace of the strip reaches the rows and the stop of decoding it, and its codes follow one
// another from bit 0 (Huffman RLE skips to a byte before each row) and code again into the
// strip's bits.
void ExpectTraceOfTheSameBits(const Strip& strip, int64_t rows, const FaxStripEnd& end) {
    CodeCollector collector;
    FaxStripEnd traceEnd;
    const bool aligned = strip.coding->engine == FaxCoding::HuffmanRle;
    EXPECT_EQ(TraceFaxStrip(strip.coding->engine, strip.bytes, false, strip.width, strip.rows, 0,
                            collector, {}, &traceEnd),
              rows);
    EXPECT_EQ(traceEnd.stopBit, end.stopBit);
    EXPECT_EQ(traceEnd.firstUnexplainedBit, end.firstUnexplainedBit);
    int64_t next = 0;
    for (const auto& [row, code] : collector.codes) {
        const int64_t gap = code.bit - next;
        ASSERT_TRUE(gap == 0 || (aligned && gap > 0 && gap < 8 && code.bit % 8 == 0))
            << "a code at bit " << code.bit << " where the last one ended at " << next;
        // Only the twelve bits passed over after a full row may reach past the data's end.
        const std::string coded = CodedAgain(code);
        const std::string bits = BitsOf(strip.bytes, code.bit, code.length);
        ASSERT_EQ(bits,
                  code.kind == TracedCode::Kind::Skipped ? coded.substr(0, bits.size()) : coded)
            << "the code at bit " << code.bit;
        next = code.bit + code.length;
    }
    if (!aligned) {
        EXPECT_EQ(next, end.stopBit);
    }
    // A trace that wants the rows from the middle on decodes those before as fast as it can and
    // tells the same codes from there.
    CodeCollector fromMiddle(rows / 2);
    EXPECT_EQ(TraceFaxStrip(strip.coding->engine, strip.bytes, false, strip.width, strip.rows, 0,
                            fromMiddle),
              rows);
    EXPECT_EQ(fromMiddle.From(rows / 2), collector.From(rows / 2));
}

// Both decoders on one strip, with an offset page and a second, bit-reversed, reading. The page
// is three pixels wider than the strip unless a width is given.
void ExpectSameDecoding(const Strip& strip, int64_t xOffset = 0, int64_t yOffset = 0,
                        int32_t pageWidth = 0) {
    SCOPED_TRACE(strip.name + " as " + strip.coding->name);
    const int32_t surfaceWidth = pageWidth > 0 ? pageWidth : strip.width + 3;
    const int32_t surfaceHeight = strip.rows + 2;
    auto expected = page::CreatePageSurface(surfaceWidth, surfaceHeight, page::kColourWhite);
    auto actual = page::CreatePageSurface(surfaceWidth, surfaceHeight, page::kColourWhite);
    auto reversed = page::CreatePageSurface(surfaceWidth, surfaceHeight, page::kColourWhite);
    const int64_t expectedRows = strip.coding->reference(
        *expected, strip.bytes, strip.width, strip.rows, xOffset, yOffset, page::kColourBlack, {});
    FaxStripEnd end;
    const int64_t actualRows =
        test::PaintFaxStrip(strip.coding->engine, actual.get(), strip.bytes, false, strip.width,
                            strip.rows, xOffset, yOffset, page::kColourBlack, {}, &end);
    const int64_t reversedRows =
        test::PaintFaxStrip(strip.coding->engine, reversed.get(), Reversed(strip.bytes), true,
                            strip.width, strip.rows, xOffset, yOffset, page::kColourBlack);
    EXPECT_EQ(actualRows, expectedRows);
    EXPECT_EQ(reversedRows, expectedRows);
    EXPECT_TRUE(SamePixels(*expected, *actual))
        << test::DescribeDifferences(test::BitmapOf(*expected), test::BitmapOf(*actual));
    EXPECT_TRUE(SamePixels(*expected, *reversed));
    ExpectTraceOfTheSameBits(strip, actualRows, end);
}

// The raw strips of every page of a file that libtiff reads, as most-significant-first bits.
std::vector<Strip> StripsOf(const std::string& path) {
    std::vector<Strip> strips;
    TIFFErrorHandler errors = TIFFSetErrorHandler(nullptr);
    TIFFErrorHandler warnings = TIFFSetWarningHandler(nullptr);
    if (TIFF* tif = TIFFOpen(path.c_str(), "r")) {
        int page = 0;
        do {
            uint16_t compression = 1, fillOrder = 1;
            uint32_t width = 0, height = 0, t4 = 0, rowsPerStrip = 0;
            TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
            TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &fillOrder);
            TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
            TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
            TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
            const Coding* coding = nullptr;
            if (compression == COMPRESSION_CCITTFAX3) {
                TIFFGetFieldDefaulted(tif, TIFFTAG_GROUP3OPTIONS, &t4);
                coding = &kCodings[t4 & 1 ? 2 : 0];
            } else if (compression == COMPRESSION_CCITTFAX4) {
                coding = &kCodings[1];
            } else if (compression == COMPRESSION_CCITTRLE) {
                coding = &kCodings[3];
            }
            if (coding && width > 0 && width < 20000 && !TIFFIsTiled(tif)) {
                for (tstrip_t s = 0; s < TIFFNumberOfStrips(tif) && s < 64; ++s) {
                    Strip strip;
                    strip.name =
                        path + " page " + std::to_string(page) + " strip " + std::to_string(s);
                    strip.bytes.resize(static_cast<std::size_t>(TIFFRawStripSize(tif, s)));
                    TIFFReadRawStrip(tif, s, strip.bytes.data(),
                                     static_cast<tmsize_t>(strip.bytes.size()));
                    if (fillOrder == FILLORDER_LSB2MSB)
                        ReverseBitOrder(strip.bytes);
                    strip.width = static_cast<int32_t>(width);
                    strip.rows = static_cast<int32_t>(std::min(height, rowsPerStrip));
                    strip.coding = coding;
                    strips.push_back(std::move(strip));
                }
            }
            ++page;
        } while (TIFFReadDirectory(tif));
        TIFFClose(tif);
    }
    TIFFSetErrorHandler(errors);
    TIFFSetWarningHandler(warnings);
    return strips;
}

// Pages written by libtiff in every fax coding, text and noise, and strips of many rows.
std::vector<Strip> GeneratedStrips(const test::TempDir& dir) {
    std::vector<Strip> strips;
    const struct {
        int compression;
        uint32_t t4;
        int32_t width;
        bool noise;
    } pages[] = {{3, 0, 1728, false}, {3, 4, 517, true}, {3, 1, 1728, false}, {3, 5, 203, true},
                 {4, 0, 1728, false}, {4, 0, 99, true},  {2, 0, 1001, false}, {4, 0, 5200, false}};
    int n = 0;
    for (const auto& p : pages) {
        test::FaxOptions options;
        options.compression = p.compression;
        options.t4Options = p.t4;
        options.rowsPerStrip = 64;
        const std::string path = dir.File("generated" + std::to_string(n++) + ".tif");
        test::WriteFaxPages(
            path,
            {p.noise ? test::NoisePage(p.width, 150, 9, 30) : test::TextLikePage(p.width, 300, 13)},
            options);
        for (Strip& strip : StripsOf(path))
            strips.push_back(std::move(strip));
    }
    return strips;
}

// A page of text coded by Ghostscript's fax devices and by ImageMagick, as those programs write
// fax files. Writers that are not installed give none (the install script installs both).
std::vector<Strip> WriterStrips(const test::TempDir& dir) {
    const std::string page = dir.File("page.ps");
    test::WriteFile(page, [] {
        const std::string text = "%!PS\n/Courier findfont 9 scalefont setfont\n"
                                 "0 1 60 { /i exch def 30 780 i 12 mul sub moveto "
                                 "(FAXLENS TRACE 0123456789 the quick brown fox jumps) show } for\n"
                                 "showpage\n";
        return std::vector<uint8_t>(text.begin(), text.end());
    }());
    const std::string gs = "gs -q -dNOPAUSE -dBATCH -dSAFER -r204x196 -g1728x2200 ";
    const std::string magick = "convert -size 1000x300 xc:white -fill black -pointsize 30 -draw "
                               "\"text 20,80 'FAXLENS 0123456789' text 20,200 'trace'\" ";
    const struct {
        const char* name;
        std::string command; // writes OUT
    } writers[] = {
        {"gs-g4.tif", gs + "-sDEVICE=tiffg4 -sOutputFile=OUT " + page},
        {"gs-g3.tif", gs + "-sDEVICE=tiffg3 -sOutputFile=OUT " + page},
        {"gs-g32d.tif", gs + "-sDEVICE=tiffg32d -sOutputFile=OUT " + page},
        {"gs-crle.tif", gs + "-sDEVICE=tiffcrle -sOutputFile=OUT " + page},
        {"im-g4.tif", magick + "-compress Group4 OUT"},
        {"im-g3.tif", magick + "-compress Fax OUT"},
    };
    std::vector<Strip> strips;
    for (const auto& writer : writers) {
        const std::string out = dir.File(writer.name);
        std::string command = writer.command;
        command.replace(command.find("OUT"), 3, "'" + out + "'");
        if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
            continue;
        for (Strip& strip : StripsOf(out))
            strips.push_back(std::move(strip));
    }
    return strips;
}

TEST(EngineDifferential, WholeStripsOfEveryKind) {
    test::TempDir dir;
    std::vector<Strip> strips = GeneratedStrips(dir);
    std::vector<Strip> written = WriterStrips(dir);
    EXPECT_GE(written.size(), 6u) << "Ghostscript or ImageMagick did not write its pages";
    std::move(written.begin(), written.end(), std::back_inserter(strips));
    for (const auto& folder :
         {std::filesystem::path(FAXLENS_CORPUS_DIR), std::filesystem::path(FAXLENS_SAMPLES_DIR)}) {
        if (!std::filesystem::exists(folder))
            continue;
        for (const auto& file : std::filesystem::recursive_directory_iterator(folder))
            if (file.is_regular_file())
                for (Strip& strip : StripsOf(file.path().string()))
                    strips.push_back(std::move(strip));
    }
    ASSERT_GT(strips.size(), 20u);
    for (const Strip& strip : strips) {
        ExpectSameDecoding(strip);
        if (HasFailure())
            return;
    }
}

// Every strip read as every coding, damaged in the ways data is damaged: bits flipped, bytes cut
// or dropped, zeros inserted, and at other widths and offsets.
TEST(EngineDifferential, DamagedStripsAndWrongCodings) {
    test::TempDir dir;
    const std::vector<Strip> strips = GeneratedStrips(dir);
    std::mt19937 random(77);
    for (const Strip& original : strips) {
        for (int round = 0; round < 12; ++round) {
            Strip strip = original;
            strip.coding = &kCodings[random() % 4];
            std::vector<uint8_t>& bytes = strip.bytes;
            switch (round % 6) {
            case 0:
                break;
            case 1:
                for (int flips = 0; flips < 5 && !bytes.empty(); ++flips)
                    bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1 << (random() % 8));
                break;
            case 2:
                bytes.resize(bytes.size() * (random() % 100) / 100);
                break;
            case 3:
                if (!bytes.empty())
                    bytes.erase(bytes.begin() +
                                static_cast<std::ptrdiff_t>(random() % bytes.size()));
                break;
            case 4:
                bytes.insert(bytes.begin() +
                                 static_cast<std::ptrdiff_t>(random() % (bytes.size() + 1)),
                             random() % 40, 0);
                break;
            default:
                strip.width = 1 + static_cast<int32_t>(random() % (2 * original.width));
                strip.rows = 1 + static_cast<int32_t>(random() % (original.rows + 5));
                break;
            }
            strip.name = original.name + " damaged " + std::to_string(round);
            // Pages wider than the strip, and one narrower.
            ExpectSameDecoding(strip, round == 5 ? -7 : 0, round == 11 ? 1 : 0,
                               round == 7 ? strip.width / 2 + 1 : 0);
            if (HasFailure())
                return;
        }
    }
}

std::vector<uint8_t> BytesOf(std::string_view bits) {
    std::vector<uint8_t> bytes((bits.size() + 7) / 8);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1')
            bytes[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    return bytes;
}

// Passes that take a step close to the end of the data, where a vertical mode left of b1 counts
// only with a 1 after it: the step fails there, also when its first mode code lay well before.
TEST(EngineDifferential, PassesToTheEndOfTheData) {
    // Row 1 has changes at 2, 4, ... 12 (three horizontal modes and V0); row 2 passes twice and
    // ends the data with VL1, or for comparison with VL1 and a 1 after it.
    const std::string row1 = "001011111001011111001011111"
                             "1";
    for (const std::string row2 : {"00010001010", "000100010101"}) {
        Strip strip{"passes then " + row2, BytesOf(row1 + row2), 32, 4, &kCodings[1]};
        ExpectSameDecoding(strip);
    }
}

// A run of vertical modes may begin where the walk has gone past the reference line's end (a
// horizontal mode after passes leaves it there): the engine must not search past the line.
TEST(EngineDifferential, VerticalModesAfterTheWalkLeftTheLine) {
    const std::vector<uint8_t> lowBitFirst = {
        0xe9, 0xe9, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x35, 0x35,
        0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x11, 0x00,
        0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x35,
        0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0x35, 0xf2, 0xff, 0xf2};
    Strip strip{"vertical modes past the line", Reversed(lowBitFirst), 358, 42, &kCodings[1]};
    ExpectSameDecoding(strip, -3);
}

// Two-dimensional rows over a damaged reference line whose elements decrease: a vertical mode
// right of b1 moves the walk on, never back to an element before b1 that lies right of a1.
TEST(EngineDifferential, VerticalModesOnADecreasingReferenceLine) {
    const std::vector<uint8_t> bytes = {
        0x2e, 0x2e, 0x2e, 0x00, 0x00, 0x4e, 0x4e, 0x4e, 0x4e, 0x4e, 0x4e, 0x4e, 0x4e, 0x4e,
        0x4e, 0x00, 0x00, 0x00, 0x00, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e,
        0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x00, 0x00, 0x4e, 0x4e, 0x4e,
        0x4e, 0x4e, 0x4e, 0x4e, 0x4e, 0x4e, 0x4e, 0x00, 0x00, 0x00, 0x00, 0x2e, 0x2a, 0x2e,
        0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e,
        0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x26, 0x26, 0x00, 0x00, 0x00, 0x26,
    };
    Strip strip{"vertical modes on a decreasing line", bytes, 120, 47, &kCodings[2]};
    ExpectSameDecoding(strip);
}

// A run of no pixels is decoded as any other: a white one before the strip's first EOL makes that
// EOL end the first row, where an EOL before anything is the strip's start marker.
TEST(EngineDifferential, ARunOfNoPixelsBeforeTheFirstEndOfLine) {
    const std::string white0 = "00110101";
    const std::string eol = "000000000001";
    const std::string row = "011111011111"; // white 2, black 2, twice
    Strip strip{"white 0 then an EOL", BytesOf(white0 + eol + row + eol + row + eol), 8, 4,
                &kCodings[0]};
    ExpectSameDecoding(strip);
}

// A horizontal mode whose second word would end one bit past the data: its words are not all
// there, so the row ends after the first run.
TEST(EngineDifferential, AHorizontalModeCutByTheEndOfTheData) {
    const std::string rows = "111111"; // six white rows, V0 each
    // Horizontal mode, white 12, and the first bit of black 3 ("10").
    const std::string cut = "0010010001";
    Strip strip{"horizontal mode cut short", BytesOf(rows + cut), 32, 8, &kCodings[1]};
    ExpectSameDecoding(strip);
}

// Rows of vertical modes with horizontal modes and passes among them, on pages narrow enough for
// their changes to stand close: most codes are taken four at a time, and every way a code leaves
// that course comes up (a b1 the walk must search for, a mode left of b1 that goes back past the
// element before it, an a1 left of a0, a row filled among the four, a horizontal mode among them,
// a pass before a vertical mode or not, over the line's end, the width or a decreasing line).
TEST(EngineDifferential, VerticalModesFourAtATime) {
    const std::string codes[] = {"1",      "1",      "1",       "011",    "010",
                                 "000011", "000010", "0000011", "0000010"};
    const std::string horizontal = "001"
                                   "0111"
                                   "11"; // white 2 and black 2 from a white a0
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::string bits;
        for (int k = 0; k < 600; ++k) {
            const uint32_t pick = random() % 16;
            bits += pick == 0   ? horizontal
                    : pick == 1 ? "0001"
                                : codes[random() % std::size(codes)];
        }
        const auto width = static_cast<int32_t>(8 + random() % 56);
        Strip strip{"vertical modes " + std::to_string(round), BytesOf(bits), width, 200,
                    &kCodings[1]};
        ExpectSameDecoding(strip);
    }
}

// One-dimensional rows of long runs (make-up words) and rows of short runs in turn, so that each
// row is taken by the loop that suits the row before it, on pages as wide as the strip, wider and
// narrower. Rows end at the width, a pixel short of it, past it, or with a run of no pixels after
// it.
TEST(EngineDifferential, OneDimensionalRowsOfLongAndShortRuns) {
    // A row filled by the first run of a step whose second run, of no pixels, opens the next row:
    // white 0 alone (its code and black 7's do not fit in one step), black 7 and white 1, then
    // black 2 and white 0 in one step.
    BitText filled;
    for (int row = 0; row < 4; ++row) {
        Colour colour = kWhite;
        for (const int32_t run : {0, 7, 1, 2, 0}) {
            PutRun(filled, run, colour);
            colour = OppositeColour(colour);
        }
        PutEndOfLine(filled);
    }
    ExpectSameDecoding(Strip{"filled by a step", BytesOf(filled.bits), 10, 8, &kCodings[0]});

    std::mt19937 random(11);
    for (const Coding* coding : {&kCodings[0], &kCodings[3]}) {
        for (int round = 0; round < 40; ++round) {
            const auto width = static_cast<int32_t>(64 + random() % 3000);
            constexpr int kRows = 24;
            BitText text;
            for (int row = 0; row < kRows; ++row) {
                const uint32_t longest = random() % 2 == 0 ? 2000 : 6;
                const int32_t end = width + std::array{-1, 0, 0, 1, 90}[random() % 5];
                Colour colour = kWhite;
                for (int32_t column = 0; column < end; colour = OppositeColour(colour)) {
                    const int32_t run =
                        std::min(static_cast<int32_t>(random() % longest), end - column);
                    PutRun(text, run, colour);
                    column += run;
                }
                if (random() % 4 == 0)
                    PutRun(text, 0, colour);
                if (coding == &kCodings[0])
                    PutEndOfLine(text);
                else
                    text.PutZeros((8 - text.BitCount() % 8) % 8);
            }
            for (const int32_t pageWidth : {width, width + 3, width - 5}) {
                ExpectSameDecoding(Strip{"runs " + std::to_string(round), BytesOf(text.bits), width,
                                         kRows, coding},
                                   0, 0, pageWidth);
                if (HasFailure())
                    return;
            }
        }
    }
}

// A one-dimensional line of more runs than the line of changing elements first has room for,
// after a line of one long run, so that its runs go on that line: the common course stops for room
// among them, in steps of two runs of six bits, and goes on. Lines without EOLs are one-dimensional
// in two-dimensional Group 3 too.
TEST(EngineDifferential, OneDimensionalLineOfMoreRunsThanItsLineHasRoomFor) {
    constexpr int32_t kPairs = 12000; // 24,000 changes
    BitText text;
    PutRun(text, 4 * kPairs, kWhite);
    for (int pair = 0; pair < kPairs; ++pair) {
        PutRun(text, 2, kWhite);
        PutRun(text, 2, kBlack);
    }
    for (const Coding* coding : {&kCodings[0], &kCodings[2]})
        ExpectSameDecoding(Strip{"many runs", BytesOf(text.bits), 4 * kPairs, 2, coding});
}

TEST(EngineDifferential, RandomBytes) {
    std::mt19937 random(5);
    for (int round = 0; round < 3000; ++round) {
        Strip strip;
        strip.name = "random " + std::to_string(round);
        strip.bytes.resize(random() % 200);
        const int density = static_cast<int>(random() % 4);
        for (uint8_t& byte : strip.bytes) {
            byte = static_cast<uint8_t>(random());
            for (int d = 0; d < density; ++d)
                byte &= static_cast<uint8_t>(random()); // fewer ones: more zeros and EOLs
        }
        strip.width = 1 + static_cast<int32_t>(random() % 300);
        strip.rows = 1 + static_cast<int32_t>(random() % 20);
        strip.coding = &kCodings[random() % 4];
        ExpectSameDecoding(strip);
        if (HasFailure())
            return;
    }
}

} // namespace
} // namespace faxlens::codec
