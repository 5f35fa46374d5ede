// Writes the sample files of samples/ with libtiff (and the JBIG pages' streams with jbigkit), so
// that they come from programs other than Faxlens itself. Usage: make_samples OUTPUT_FOLDER
//
// The pages are drawn with a small built-in 5x7 font: block letters, rules and boxes, enough to
// look like a fax and to give the decoders runs of many lengths. The output is deterministic.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <tiffio.h>
#include <vector>

extern "C" {
#include <jbig85.h>
}

namespace {

// ---------------------------------------------------------------------------------------------
// Font: 7 rows per glyph, 5 bits per row, the leftmost pixel in bit 4.

struct Glyph {
    char letter;
    std::array<uint8_t, 7> rows;
};

constexpr std::array kFont{
    Glyph{'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    Glyph{'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    Glyph{'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    Glyph{'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    Glyph{'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    Glyph{'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    Glyph{'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    Glyph{'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    Glyph{'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    Glyph{'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    Glyph{'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    Glyph{'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    Glyph{'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    Glyph{'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}},
    Glyph{'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    Glyph{'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    Glyph{'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    Glyph{'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    Glyph{'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    Glyph{'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    Glyph{'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    Glyph{'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    Glyph{'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    Glyph{'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    Glyph{'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
    Glyph{'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    Glyph{'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    Glyph{'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    Glyph{'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    Glyph{'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    Glyph{'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    Glyph{'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    Glyph{'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    Glyph{'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    Glyph{'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    Glyph{'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    Glyph{'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    Glyph{',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    Glyph{':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    Glyph{'-', {0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00}},
    Glyph{'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    Glyph{'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}},
    Glyph{')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
    Glyph{'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    Glyph{'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}},
};

// Unknown characters (the blank among them) draw nothing.
const Glyph* FindGlyph(char c) {
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    for (const Glyph& g : kFont)
        if (g.letter == c)
            return &g;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// A bilevel page, one byte per pixel while drawing; packed into rows of bits when written.

class Page {
public:
    Page(uint32_t width, uint32_t height) : width_(width), height_(height), ink_(width * height) {}

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }

    void Fill(uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
        for (uint32_t row = y; row < y + h && row < height_; ++row)
            for (uint32_t col = x; col < x + w && col < width_; ++col)
                ink_[row * width_ + col] = 1;
    }

    void Box(uint32_t x, uint32_t y, uint32_t w, uint32_t h, uint32_t line) {
        Fill(x, y, w, line);
        Fill(x, y + h - line, w, line);
        Fill(x, y, line, h);
        Fill(x + w - line, y, line, h);
    }

    // Block letters: every font pixel becomes sx by sy page pixels; one font column between
    // letters. Returns the x after the text.
    uint32_t Text(uint32_t x, uint32_t y, uint32_t sx, uint32_t sy, const std::string& text) {
        for (char c : text) {
            if (const Glyph* g = FindGlyph(c))
                DrawGlyph(*g, x, y, sx, sy);
            x += 6 * sx;
        }
        return x;
    }

    // One row as the file stores it: 1 = black (WhiteIsZero), leftmost pixel in the high bit.
    std::vector<uint8_t> PackedRow(uint32_t row) const {
        std::vector<uint8_t> bytes((width_ + 7) / 8, 0);
        for (uint32_t col = 0; col < width_; ++col)
            if (ink_[row * width_ + col])
                bytes[col / 8] |= static_cast<uint8_t>(0x80 >> (col % 8));
        return bytes;
    }

private:
    void DrawGlyph(const Glyph& g, uint32_t x, uint32_t y, uint32_t sx, uint32_t sy) {
        for (uint32_t row = 0; row < 7; ++row)
            for (uint32_t col = 0; col < 5; ++col)
                if (g.rows[row] & (0x10 >> col))
                    Fill(x + col * sx, y + row * sy, sx, sy);
    }

    uint32_t width_;
    uint32_t height_;
    std::vector<uint8_t> ink_;
};

// Positions and letter heights are designed for 196 rows per inch; a normal-resolution page
// (98 rows per inch) divides them by 2 so that the page looks the same.
struct Rows {
    uint32_t divisor;
    uint32_t operator()(uint32_t at196) const { return at196 / divisor; }
    uint32_t Scale(uint32_t at196) const { return (at196 + divisor - 1) / divisor; }
};

// A letter-like fax page: a heading in a box, a rule, address lines, a paragraph, a row of boxes
// and a footer. Needs a page about 1700 pixels wide.
Page FaxPage(uint32_t width, uint32_t height, Rows y, const std::string& heading,
             const std::string& subject) {
    Page page(width, height);
    page.Box(80, y(60), width - 160, y(120), 4);
    page.Text(120, y(99), 6, y.Scale(6), heading);
    page.Fill(80, y(220), width - 160, y.Scale(6));

    uint32_t line = y(260);
    for (const std::string& text :
         {std::string("TO:   ACME PAPER CO., ATTN. ORDERS"), std::string("FROM: FAXLENS TEST DESK"),
          std::string("DATE: 17 MAY 2024  09:30"), "RE:   " + subject}) {
        page.Text(120, line, 4, y.Scale(4), text);
        line += y(56);
    }

    line += y(40);
    const std::string paragraph[] = {
        "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG. 0123456789",
        "PACK MY BOX WITH FIVE DOZEN LIQUOR JUGS - SPHINX OF BLACK QUARTZ, JUDGE MY VOW.",
        "EVERY ROW OF THIS PAGE IS CODED AS RUNS OF WHITE AND BLACK PIXELS.",
        "SHORT RUNS, LONG RUNS AND MAKE-UP CODES: 1/2 + 1/4 = 3/4, 64 X 27 = 1728.",
    };
    for (int repeat = 0; repeat < 2; ++repeat)
        for (const std::string& text : paragraph) {
            page.Text(120, line, 3, y.Scale(3), text);
            line += y(40);
        }

    line += y(40);
    for (uint32_t col = 0; col < 4; ++col) {
        uint32_t x = 120 + col * 380;
        page.Box(x, line, 340, y(160), 3);
        page.Text(x + 30, line + y(60), 4, y.Scale(4), "ITEM " + std::to_string(col + 1));
    }
    page.Fill(120 + 2 * 380 + 60, line + y(120), 200, y(20)); // a filled bar in the third box

    // Marks touching both page edges: rows that start with black and rows whose last run ends
    // exactly at the last pixel (which, on an odd-width page, lies inside a byte).
    page.Fill(0, y(700), 24, y(200));
    page.Fill(width - 24, y(700), 24, y(200));

    page.Fill(80, height - y(120), width - 160, y.Scale(2));
    page.Text(120, height - y(100), 3, y.Scale(3), "FAXLENS SAMPLE - END OF PAGE");
    return page;
}

// A small note: a frame and a few lines of text.
Page NotePage(uint32_t width, uint32_t height, Rows y, const std::vector<std::string>& lines) {
    Page page(width, height);
    page.Box(20, y(20), width - 40, height - 2 * y(20), 3);
    uint32_t line = y(60);
    for (const std::string& text : lines) {
        page.Text(50, line, 3, y.Scale(3), text);
        line += y(48);
    }
    return page;
}

// ---------------------------------------------------------------------------------------------
// Writing pages with libtiff.

struct PageFormat {
    uint16_t compression = COMPRESSION_CCITTFAX4;
    uint32_t group3Options = 0; // T4Options; written only for Group 3
    float xres = 204.0F;
    float yres = 196.0F;
    uint32_t rowsPerStrip = 0; // 0: the whole page in one strip
};

// The tags every page gets; a caller adds more before WritePage.
void SetPageTags(TIFF* tif, const Page& page, const PageFormat& format, uint16_t number,
                 uint16_t pages) {
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, page.Width());
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, page.Height());
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, format.compression);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, format.xres);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, format.yres);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP,
                 format.rowsPerStrip > 0 ? format.rowsPerStrip : page.Height());
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(number - 1), pages);
    if (format.compression == COMPRESSION_CCITTFAX3)
        TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, format.group3Options);
}

bool WriteRows(TIFF* tif, const Page& page) {
    for (uint32_t row = 0; row < page.Height(); ++row) {
        std::vector<uint8_t> bits = page.PackedRow(row);
        if (TIFFWriteScanline(tif, bits.data(), row, 0) < 0)
            return false;
    }
    return TIFFWriteDirectory(tif) != 0;
}

bool WritePage(TIFF* tif, const Page& page, const PageFormat& format, uint16_t number,
               uint16_t pages) {
    SetPageTags(tif, page, format, number, pages);
    return WriteRows(tif, page);
}

// ---------------------------------------------------------------------------------------------
// The sample files.

constexpr uint32_t kFaxWidth = 1728;

// Intel order; one page of each fax coding, at fine and normal resolution.
bool WriteFaxThreePages(TIFF* tif) {
    PageFormat g3Normal{COMPRESSION_CCITTFAX3, GROUP3OPT_FILLBITS, 204.0F, 98.0F, 128};
    PageFormat g3Fine{COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS, 204.0F,
                      196.0F, 512};
    PageFormat g4Fine{COMPRESSION_CCITTFAX4, 0, 204.0F, 196.0F, 0};
    return WritePage(tif,
                     FaxPage(kFaxWidth, 1100, Rows{2}, "FAXLENS SAMPLE PAGE 1",
                             "GROUP 3, ONE-DIMENSIONAL, 204 X 98"),
                     g3Normal, 1, 3) &&
           WritePage(tif,
                     FaxPage(kFaxWidth, 2200, Rows{1}, "FAXLENS SAMPLE PAGE 2",
                             "GROUP 3, TWO-DIMENSIONAL, 204 X 196"),
                     g3Fine, 2, 3) &&
           WritePage(
               tif,
               FaxPage(kFaxWidth, 2200, Rows{1}, "FAXLENS SAMPLE PAGE 3", "GROUP 4, 204 X 196"),
               g4Fine, 3, 3);
}

// Motorola order; two Group 4 pages, the second narrower than a fax and not a whole number of
// bytes wide.
bool WriteFaxMotorola(TIFF* tif) {
    PageFormat g4{COMPRESSION_CCITTFAX4, 0, 204.0F, 196.0F, 0};
    PageFormat g4Normal{COMPRESSION_CCITTFAX4, 0, 204.0F, 98.0F, 300};
    return WritePage(
               tif, FaxPage(kFaxWidth, 1400, Rows{1}, "BIG-ENDIAN PAGE 1", "GROUP 4 IN AN MM FILE"),
               g4, 1, 2) &&
           WritePage(tif, FaxPage(1723, 900, Rows{2}, "1723 PIXELS WIDE", "ODD WIDTH, 204 X 98"),
                     g4Normal, 2, 2);
}

// A page coded by jbigkit's T.85 encoder as fax machines code it (typical prediction, stripes of
// 128 rows); with an open height the header says 0xFFFFFFFF and a NEWLEN marker after the last
// row gives the height, as fax stacks write pages whose length they learn only at the end.
std::vector<uint8_t> CodeT85(const Page& page, bool openHeight) {
    std::vector<uint8_t> stream;
    const auto collect = [](unsigned char* start, std::size_t length, void* file) {
        auto& bytes = *static_cast<std::vector<uint8_t>*>(file);
        bytes.insert(bytes.end(), start, start + length);
    };
    jbg85_enc_state state{};
    jbg85_enc_init(&state, page.Width(), openHeight ? 0xFFFFFFFFUL : page.Height(), collect,
                   &stream);
    jbg85_enc_options(&state, JBG_TPBON | (openHeight ? JBG_VLENGTH : 0), 128, 8);
    std::vector<std::vector<uint8_t>> rows;
    for (uint32_t row = 0; row < page.Height(); ++row) {
        rows.push_back(page.PackedRow(row));
        jbg85_enc_lineout(&state, rows[row].data(), row > 0 ? rows[row - 1].data() : nullptr,
                          row > 1 ? rows[row - 2].data() : nullptr);
        if (openHeight && row + 1 == page.Height())
            jbg85_enc_newlen(&state, page.Height());
    }
    return stream;
}

// A page of Compression 9 (T.85, which libtiff stores but does not code): the stream as one
// strip.
bool WriteT85Page(TIFF* tif, const Page& page, const PageFormat& format, bool openHeight,
                  uint16_t number, uint16_t pages) {
    SetPageTags(tif, page, format, number, pages);
    std::vector<uint8_t> stream = CodeT85(page, openHeight);
    return TIFFWriteRawStrip(tif, 0, stream.data(), static_cast<tmsize_t>(stream.size())) >= 0 &&
           TIFFWriteDirectory(tif) != 0;
}

// Intel order; a JBIG fax of two pages as open fax stacks store it.
bool WriteFaxT85(TIFF* tif) {
    constexpr uint16_t kT85 = 9;
    PageFormat fine{kT85, 0, 204.0F, 196.0F, 0};
    PageFormat normal{kT85, 0, 204.0F, 98.0F, 0};
    return WriteT85Page(
               tif,
               FaxPage(kFaxWidth, 2200, Rows{1}, "JBIG FAX PAGE 1", "T.85, OPEN HEIGHT, 204 X 196"),
               fine, true, 1, 2) &&
           WriteT85Page(tif, FaxPage(kFaxWidth, 1100, Rows{2}, "JBIG FAX PAGE 2", "T.85, 204 X 98"),
                        normal, false, 2, 2);
}

// A private tag, so that the report has an entry it cannot name.
constexpr ttag_t kPrivateTag = 65000;
const TIFFFieldInfo kPrivateField[] = {
    {kPrivateTag, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, const_cast<char*>("FaxlensNote")},
};

void AddPrivateTag(TIFF* tif) {
    TIFFMergeFieldInfo(tif, kPrivateField, 1);
}

// A small uncompressed bilevel page, a white page that carries descriptive tags (and one that
// no dictionary names), and a page in PackBits.
bool WriteMixed(TIFF* tif) {
    Page plain = NotePage(
        800, 300, Rows{2},
        {"MIXED.TIF, PAGE 1", "800 X 300 PIXELS, NO COMPRESSION", "ONE BIT PER PIXEL, 1 = BLACK"});
    if (!WritePage(tif, plain, PageFormat{COMPRESSION_NONE, 0, 204.0F, 98.0F, 64}, 1, 3))
        return false;

    Page white(kFaxWidth, 300);
    SetPageTags(tif, white, PageFormat{COMPRESSION_CCITTFAX4, 0, 204.0F, 98.0F, 0}, 2, 3);
    TIFFSetField(tif, TIFFTAG_SOFTWARE, "make_samples (Faxlens test tooling)");
    TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, "An empty-looking page with descriptive tags");
    TIFFSetField(tif, TIFFTAG_DATETIME, "2024:05:17 09:30:00");
    TIFFSetField(tif, TIFFTAG_ARTIST, "Faxlens");
    TIFFSetField(tif, TIFFTAG_DOCUMENTNAME, "mixed.tif");
    TIFFSetField(tif, TIFFTAG_PAGENAME, "blank");
    TIFFSetField(tif, TIFFTAG_XPOSITION, 0.5F);
    TIFFSetField(tif, TIFFTAG_YPOSITION, 0.25F);
    AddPrivateTag(tif); // each new directory forgets the tags merged before it
    TIFFSetField(tif, kPrivateTag, "not a standard tag");
    if (!WriteRows(tif, white))
        return false;

    Page packed = FaxPage(kFaxWidth, 700, Rows{2}, "MIXED FILE, PAGE 3", "PACKBITS");
    return WritePage(tif, packed, PageFormat{COMPRESSION_PACKBITS, 0, 204.0F, 98.0F, 100}, 3, 3);
}

// Intel order; one Group 3 page as page 1 of fax-three-pages.tif, damaged afterwards (see
// DamageStrip).
bool WriteFaxDamaged(TIFF* tif) {
    PageFormat g3Normal{COMPRESSION_CCITTFAX3, GROUP3OPT_FILLBITS, 204.0F, 98.0F, 128};
    return WritePage(
        tif,
        FaxPage(kFaxWidth, 1100, Rows{2}, "DAMAGED FAX PAGE", "A BURST OF LINE NOISE IN STRIP 1"),
        g3Normal, 1, 1);
}

// A burst of line noise, as a telephone line leaves it: four bytes a third into strip 1 of the
// first page turned into other bits, among them runs of zeros that no code word begins with, so
// that decoding breaks there.
bool DamageStrip(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr)
        return false;
    uint64_t* offsets = nullptr;
    uint64_t* counts = nullptr;
    const bool found = TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &offsets) == 1 &&
                       TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts) == 1 &&
                       TIFFNumberOfStrips(tif) > 1;
    const uint64_t at = found ? offsets[1] + counts[1] / 3 : 0;
    TIFFClose(tif);
    std::FILE* file = found ? std::fopen(path.c_str(), "r+b") : nullptr;
    if (file == nullptr)
        return false;
    const uint8_t noise[] = {0x00, 0x9F, 0x00, 0x9F};
    const bool written = std::fseek(file, static_cast<long>(at), SEEK_SET) == 0 &&
                         std::fwrite(noise, 1, sizeof noise, file) == sizeof noise;
    return std::fclose(file) == 0 && written;
}

struct SampleFile {
    const char* name;
    const char* mode; // libtiff open mode: "wl" little-endian, "wb" big-endian
    bool (*write)(TIFF*);
    bool (*afterwards)(const std::string& path) = nullptr;
};

constexpr SampleFile kSamples[] = {
    {"fax-three-pages.tif", "wl", WriteFaxThreePages},
    {"fax-motorola.tif", "wb", WriteFaxMotorola},
    {"mixed.tif", "wl", WriteMixed},
    {"fax-t85.tif", "wl", WriteFaxT85},
    {"fax-damaged.tif", "wl", WriteFaxDamaged, DamageStrip},
};

bool WriteSample(const std::string& folder, const SampleFile& sample) {
    std::string path = folder + "/" + sample.name;
    TIFF* tif = TIFFOpen(path.c_str(), sample.mode);
    if (tif == nullptr)
        return false;
    bool ok = sample.write(tif);
    TIFFClose(tif);
    ok = ok && (sample.afterwards == nullptr || sample.afterwards(path));
    if (ok)
        std::printf("wrote %s\n", path.c_str());
    else
        std::fprintf(stderr, "make_samples: cannot write %s\n", path.c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER\n");
        return 2;
    }
    bool ok = true;
    for (const SampleFile& sample : kSamples)
        ok = WriteSample(argv[1], sample) && ok;
    return ok ? 0 : 1;
}
