// JBIG (T.85) pages, Compression 9, against jbigkit's own encoder: every pixel decoded as coded,
// whatever the stream's options; a stream cut short, damaged or longer than the page decodes as
// far as it goes and says so, as a fax page does.

#include "page/decoded_page.h"
#include "support/libtiff_pages.h"
#include "support/reading.h"
#include "support/tiff_builder.h"
#include "tiff/tiff_facts.h"

extern "C" {
#include <jbig85.h>
}

#include <gtest/gtest.h>

namespace faxlens::test {
namespace {

void Collect(unsigned char* start, std::size_t length, void* file) {
    auto& bytes = *static_cast<std::vector<uint8_t>*>(file);
    bytes.insert(bytes.end(), start, start + length);
}

// The page coded by jbigkit: with an open height (VLENGTH) the header says 0xFFFFFFFF and a
// NEWLEN marker the real height, as fax stacks write it.
std::vector<uint8_t> EncodeT85(const Bitmap& page, bool openHeight) {
    std::vector<uint8_t> bie;
    const std::size_t bpl = (static_cast<std::size_t>(page.width) + 7) / 8;
    std::vector<uint8_t> rows(static_cast<std::size_t>(page.height) * bpl, 0);
    for (int32_t y = 0; y < page.height; ++y)
        for (int32_t x = 0; x < page.width; ++x)
            if (page.At(x, y))
                rows[y * bpl + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    jbg85_enc_state state{};
    jbg85_enc_init(&state, page.width, openHeight ? 0xFFFFFFFFUL : page.height, Collect, &bie);
    jbg85_enc_options(&state, JBG_TPBON | (openHeight ? JBG_VLENGTH : 0), 128, 0);
    for (int32_t y = 0; y < page.height; ++y) {
        unsigned char* line = rows.data() + y * bpl;
        jbg85_enc_lineout(&state, line, y > 0 ? line - bpl : nullptr,
                          y > 1 ? line - 2 * bpl : nullptr);
        if (openHeight && y + 1 == page.height)
            jbg85_enc_newlen(&state, page.height);
    }
    return bie;
}

// One page in one strip of Compression 9.
std::string WriteT85Page(const TempDir& dir, std::vector<uint8_t> stream, int32_t width,
                         int32_t height, bool lowBitFirst) {
    if (lowBitFirst)
        for (uint8_t& byte : stream)
            byte = static_cast<uint8_t>(
                ((byte * 0x0802LU & 0x22110LU) | (byte * 0x8020LU & 0x88440LU)) * 0x10101LU >> 16);
    TiffBuilder builder;
    const uint32_t strip = builder.AddData(stream);
    builder.Ifd()
        .Long(tiff::tag::kImageWidth, {static_cast<uint32_t>(width)})
        .Long(tiff::tag::kImageLength, {static_cast<uint32_t>(height)})
        .Short(tiff::tag::kCompression, {tiff::compression::kJbigT85})
        .Short(tiff::tag::kPhotometric, {0})
        .Short(tiff::tag::kFillOrder, {static_cast<uint16_t>(lowBitFirst ? 2 : 1)})
        .Long(tiff::tag::kStripOffsets, {strip})
        .Long(tiff::tag::kRowsPerStrip, {static_cast<uint32_t>(height)})
        .Long(tiff::tag::kStripByteCounts, {static_cast<uint32_t>(stream.size())});
    const std::string path = dir.File("page.tif");
    builder.WriteTo(path);
    return path;
}

TEST(JbigPage, DecodesEveryPixelAsCodedAndSaysWhereAStreamBreaks) {
    // Sparse noise: a stream of some kilobytes, so that cuts and damage fall among its rows.
    const Bitmap page = NoisePage(1728, 300, 4, 3);
    const std::vector<uint8_t> sound = EncodeT85(page, false);
    std::vector<uint8_t> cut(sound.begin(), sound.begin() + sound.size() / 2);
    std::vector<uint8_t> damaged = sound;
    ASSERT_GT(sound.size(), 1000u);
    for (std::size_t k = sound.size() / 2; k < sound.size() / 2 + 64; ++k)
        damaged[k] ^= 0x5A;
    const struct {
        const char* what;
        std::vector<uint8_t> stream;
        int32_t height; // the directory's
        bool lowBitFirst;
        bool whole;       // every row of the directory's height decoded as coded
        const char* said; // the start of what the damage says
        // Rows as coded: all the rows decoded, or those of the stripes before damaged data
        // (arithmetic coding decodes damaged data into wrong pixels until it meets a marker).
        int32_t asCoded;
    } cases[] = {
        {"sound", sound, 300, false, true, "", 300},
        {"open height", EncodeT85(page, true), 300, false, true, "", 300},
        {"fill order 2", sound, 300, true, true, "", 300},
        {"directory shorter", sound, 200, false, true, "strip 0 has data left over", 200},
        {"cut short", cut, 300, false, false, "rows ", -1},
        {"damaged", damaged, 300, false, false, "rows ", 128},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = WriteT85Page(dir, c.stream, 1728, c.height, c.lowBitFirst);
        const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
        ASSERT_TRUE(file);
        const Result<page::DecodedPage> decoded =
            page::DecodePage(*file, ImageOffsetsOf(path).at(0));
        ASSERT_TRUE(decoded);
        ASSERT_NE(decoded->surface, nullptr) << page::PageProblem(*decoded);
        const Bitmap shown = BitmapOf(*decoded->surface);
        ASSERT_EQ(shown.height, c.height);
        const std::string said = decoded->damage.Describe();
        EXPECT_TRUE(said.starts_with(c.said)) << said;
        const int32_t decodedRows = decoded->damage.RowsDecoded();
        EXPECT_EQ(decodedRows == c.height, c.whole) << said;
        const int32_t asCoded = c.asCoded < 0 ? decodedRows : std::min(c.asCoded, decodedRows);
        for (int32_t y = 0; y < asCoded; ++y)
            for (int32_t x = 0; x < 1728; ++x)
                ASSERT_EQ(shown.At(x, y), page.At(x, y)) << "row " << y << ", column " << x;
    }
}

} // namespace
} // namespace faxlens::test
