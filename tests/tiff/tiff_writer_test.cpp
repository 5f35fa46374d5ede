// The header and directory of saved pages, byte for byte, and as libtiff reads them.

#include "encode/page_encoder.h"
#include "page/surface_rows.h"
#include "support/export_pages.h"
#include "support/tiff_builder.h"

#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <tiffio.h>
#include <vector>

namespace faxlens::test {
namespace {

using encode::SavePageG3;
using encode::SavePageG4;

enum class Coding { G3, G4 };

std::vector<uint8_t> Hex(const std::string& text) {
    std::istringstream in(text);
    std::vector<uint8_t> bytes;
    unsigned value = 0;
    while (in >> std::hex >> value)
        bytes.push_back(static_cast<uint8_t>(value));
    return bytes;
}

std::vector<uint8_t> Entry(const std::vector<uint8_t>& file, int i) {
    return Slice(file, 26 + 12 * static_cast<std::size_t>(i), 12);
}

// Saves the page into the folder and returns the file's bytes.
std::vector<uint8_t> Saved(const TempDir& dir, Coding coding, const Bitmap& page,
                           int32_t xResolution = 0, int32_t yResolution = 0) {
    auto surface = SurfaceFrom(page);
    const std::string path = dir.File("page.tif");
    const auto save = coding == Coding::G3 ? SavePageG3 : SavePageG4;
    const auto result = save(page::SurfaceRows(*surface), xResolution, yResolution, path, 0, 0, {});
    EXPECT_TRUE(result.Ok()) << (result ? "" : result.Reason());
    return ReadFile(path);
}

// The directory of a white Group 3 page of 1728 x 2, entry by entry.
const char* const kEntriesG3[16] = {
    "00 FE 00 04 00 00 00 01 00 00 00 02", // NewSubfileType 2
    "01 00 00 03 00 00 00 01 06 C0 00 00", // ImageWidth 1728
    "01 01 00 03 00 00 00 01 00 02 00 00", // ImageLength 2
    "01 02 00 03 00 00 00 01 00 01 00 00", // BitsPerSample 1
    "01 03 00 03 00 00 00 01 00 03 00 00", // Compression 3
    "01 06 00 03 00 00 00 01 00 00 00 00", // PhotometricInterpretation: white is zero
    "01 0A 00 03 00 00 00 01 00 01 00 00", // FillOrder 1
    "01 11 00 04 00 00 00 01 00 00 00 DE", // StripOffsets 222
    "01 15 00 03 00 00 00 01 00 01 00 00", // SamplesPerPixel 1
    "01 16 00 03 00 00 00 01 00 02 00 00", // RowsPerStrip 2
    // StripByteCounts: two rows of 4 bytes after the 2-byte EOL that opens the strip.
    "01 17 00 04 00 00 00 01 00 00 00 0A",
    "01 1A 00 05 00 00 00 01 00 00 00 08", // XResolution at 8
    "01 1B 00 05 00 00 00 01 00 00 00 10", // YResolution at 16
    "01 24 00 04 00 00 00 01 00 00 00 04", // T4Options: fill bits before EOLs
    "01 28 00 03 00 00 00 01 00 02 00 00", // ResolutionUnit inch
    "01 29 00 03 00 00 00 02 00 00 00 01", // PageNumber 0, 1
};

TEST(SavedHeader, FirstBytesHoldByteOrderDirectoryOffsetAndResolutions) {
    TempDir dir;
    const Bitmap page = PlainPage(1728, 2, false);
    for (Coding coding : {Coding::G3, Coding::G4}) {
        EXPECT_EQ(Slice(Saved(dir, coding, page), 0, 24),
                  Hex("4D 4D 00 2A 00 00 00 18 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 01"));
        EXPECT_EQ(Slice(Saved(dir, coding, page, 204, 196), 0, 24),
                  Hex("4D 4D 00 2A 00 00 00 18 00 00 00 CC 00 00 00 01 00 00 00 C4 00 00 00 01"));
    }
}

// A white page of 1728 x 2. Group 4 differs in Compression, the options entry and the strip
// (V0, V0, EOFB); the Group 3 strip opens with an EOL of its own before row 0.
TEST(SavedHeader, SixteenEntriesInTagOrderThenTheStrip) {
    const struct {
        Coding coding;
        const char *compression, *byteCount, *options, *strip;
    } cases[] = {
        {Coding::G3, "01 03 00 03 00 00 00 01 00 03 00 00", "01 17 00 04 00 00 00 01 00 00 00 0A",
         "01 24 00 04 00 00 00 01 00 00 00 04", "00 01 4D 9A 80 01 4D 9A 80 01"},
        {Coding::G4, "01 03 00 03 00 00 00 01 00 04 00 00", "01 17 00 04 00 00 00 01 00 00 00 04",
         "01 25 00 04 00 00 00 01 00 00 00 02", "C0 04 00 40"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.coding == Coding::G3 ? "G3" : "G4");
        std::vector<std::string> entries(std::begin(kEntriesG3), std::end(kEntriesG3));
        entries[4] = c.compression;
        entries[10] = c.byteCount;
        entries[13] = c.options;
        const std::vector<uint8_t> file = Saved(dir, c.coding, PlainPage(1728, 2, false));
        ASSERT_EQ(file.size(), kStripAt + Hex(c.strip).size());
        EXPECT_EQ(Slice(file, 24, 2), Hex("00 10"));
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(Entry(file, i), Hex(entries[i])) << "entry " << i;
        EXPECT_EQ(Slice(file, 218, 4), Hex("00 00 00 00"));
        EXPECT_EQ(StripOf(file), Hex(c.strip));
    }
}

template <typename T>
T Field(TIFF* tif, uint32_t tag) {
    T value{};
    EXPECT_EQ(TIFFGetField(tif, tag, &value), 1) << "tag " << tag;
    return value;
}

TEST(SavedHeader, LibtiffReadsTheTags) {
    TempDir dir;
    for (Coding coding : {Coding::G3, Coding::G4}) {
        Saved(dir, coding, NoisePage(100, 30, 6), 204, 98);
        std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(dir.File("page.tif").c_str(), "r"),
                                                   TIFFClose);
        ASSERT_TRUE(tif);
        TIFF* t = tif.get();
        EXPECT_EQ(Field<uint32_t>(t, TIFFTAG_SUBFILETYPE), 2u);
        EXPECT_EQ(Field<uint32_t>(t, TIFFTAG_IMAGEWIDTH), 100u);
        EXPECT_EQ(Field<uint32_t>(t, TIFFTAG_IMAGELENGTH), 30u);
        EXPECT_EQ(Field<uint32_t>(t, TIFFTAG_ROWSPERSTRIP), 30u);
        EXPECT_EQ(Field<uint16_t>(t, TIFFTAG_COMPRESSION), coding == Coding::G3 ? 3 : 4);
        EXPECT_EQ(Field<uint16_t>(t, TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_MINISWHITE);
        EXPECT_EQ(Field<uint16_t>(t, TIFFTAG_FILLORDER), FILLORDER_MSB2LSB);
        EXPECT_EQ(Field<uint16_t>(t, TIFFTAG_RESOLUTIONUNIT), RESUNIT_INCH);
        EXPECT_FLOAT_EQ(Field<float>(t, TIFFTAG_XRESOLUTION), 204.0f);
        EXPECT_FLOAT_EQ(Field<float>(t, TIFFTAG_YRESOLUTION), 98.0f);
        if (coding == Coding::G3) {
            EXPECT_EQ(Field<uint32_t>(t, TIFFTAG_GROUP3OPTIONS), 4u);
        } else {
            EXPECT_EQ(Field<uint32_t>(t, TIFFTAG_GROUP4OPTIONS), 2u);
        }
        uint16_t page = 9, pages = 9;
        EXPECT_EQ(TIFFGetField(t, TIFFTAG_PAGENUMBER, &page, &pages), 1);
        EXPECT_EQ(page, 0);
        EXPECT_EQ(pages, 1);
        EXPECT_EQ(TIFFNumberOfStrips(t), 1u);
        EXPECT_FALSE(TIFFReadDirectory(t)) << "one directory only";
    }
}

// Sides beyond 65535 do not fit a SHORT: those entries become LONGs in the same places; the
// others stay SHORTs.
TEST(SavedHeader, SidesBeyondAShortAreLongs) {
    const struct {
        int32_t width, height;
        const char *imageWidth, *imageLength, *rowsPerStrip;
    } cases[] = {
        {65535, 2, "01 00 00 03 00 00 00 01 FF FF 00 00", "01 01 00 03 00 00 00 01 00 02 00 00",
         "01 16 00 03 00 00 00 01 00 02 00 00"},
        {70000, 2, "01 00 00 04 00 00 00 01 00 01 11 70", "01 01 00 03 00 00 00 01 00 02 00 00",
         "01 16 00 03 00 00 00 01 00 02 00 00"},
        {3, 70000, "01 00 00 03 00 00 00 01 00 03 00 00", "01 01 00 04 00 00 00 01 00 01 11 70",
         "01 16 00 04 00 00 00 01 00 01 11 70"},
    };
    TempDir dir;
    for (const auto& c : cases)
        for (Coding coding : {Coding::G3, Coding::G4}) {
            SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) +
                         (coding == Coding::G3 ? " G3" : " G4"));
            const Bitmap page = NoisePage(c.width, c.height, 12, 30);
            const std::vector<uint8_t> file = Saved(dir, coding, page);
            ASSERT_GT(file.size(), kStripAt);
            EXPECT_EQ(Entry(file, 1), Hex(c.imageWidth));
            EXPECT_EQ(Entry(file, 2), Hex(c.imageLength));
            EXPECT_EQ(Entry(file, 9), Hex(c.rowsPerStrip));
            EXPECT_EQ(BigEndianAt(file, 154), file.size() - kStripAt);
            const Bitmap read = ReadWithLibtiff(dir.File("page.tif"), 0);
            EXPECT_TRUE(read == page) << DescribeDifferences(page, read);
        }
}

} // namespace
} // namespace faxlens::test
