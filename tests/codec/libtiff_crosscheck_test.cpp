// libtiff, a decoder written by others, reads rows coded with our run encoder: this catches code
// words that are well-formed but stand at the wrong index of a table, which no check of the
// tables on their own could see.

#include "codec/reference/run_encoder.h"
#include "support/tiff_builder.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <tiffio.h>
#include <vector>

namespace faxlens::codec {
namespace {

constexpr int32_t kWidth = 5300;
constexpr int32_t kLongestTestedRun = 2600;

using Row = std::vector<int32_t>; // run lengths, white first

std::vector<Row> RowsWithEveryRunLength() {
    std::vector<Row> rows;
    for (int32_t run = 0; run <= kLongestTestedRun; ++run)
        rows.push_back({run, run, kWidth - 2 * run});
    rows.push_back({kWidth});
    rows.push_back({0, kWidth});
    rows.push_back({2561, kWidth - 2561});
    rows.push_back({0, 5120, kWidth - 5120});
    return rows;
}

// Modified Huffman rows as in a CCITT RLE strip: each row starts on a byte boundary.
std::vector<uint8_t> EncodeRows(const std::vector<Row>& rows) {
    std::string bits;
    for (const Row& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i)
            reference::AppendRun(bits, row[i], i % 2 == 0 ? kWhite : kBlack);
        bits.append((8 - bits.size() % 8) % 8, '0');
    }
    std::vector<uint8_t> bytes(bits.size() / 8);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1')
            bytes[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    return bytes;
}

void WriteRleTiff(const std::string& path, std::vector<uint8_t> strip, uint32_t rowCount) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(kWidth));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, rowCount);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTRLE);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowCount);
    ASSERT_GE(TIFFWriteRawStrip(tif, 0, strip.data(), static_cast<tmsize_t>(strip.size())), 0);
    TIFFClose(tif);
}

// Runs of one decoded row, white first; 1 bits are black.
Row RunsOf(const std::vector<uint8_t>& rowBytes) {
    Row runs;
    bool black = false;
    int32_t length = 0;
    for (int32_t x = 0; x < kWidth; ++x) {
        const bool pixel = (rowBytes[static_cast<std::size_t>(x / 8)] >> (7 - x % 8) & 1) != 0;
        if (pixel != black) {
            runs.push_back(length);
            black = pixel;
            length = 0;
        }
        ++length;
    }
    runs.push_back(length);
    return runs;
}

// The row as libtiff reports it: zero-length runs between others cannot be seen in pixels.
Row Visible(const Row& row) {
    Row runs;
    bool black = false;
    for (std::size_t i = 0; i < row.size(); ++i) {
        const bool runIsBlack = i % 2 != 0;
        if (row[i] == 0 && i != 0)
            continue;
        if (!runs.empty() && runIsBlack == black)
            runs.back() += row[i];
        else
            runs.push_back(row[i]);
        black = runIsBlack;
    }
    return runs;
}

TEST(LibtiffCrossCheck, DecodesEveryRunLengthOfBothColours) {
    const std::vector<Row> rows = RowsWithEveryRunLength();
    test::TempDir dir;
    const std::string path = dir.File("runs.tif");
    WriteRleTiff(path, EncodeRows(rows), static_cast<uint32_t>(rows.size()));

    std::unique_ptr<TIFF, decltype(&TIFFClose)> tif(TIFFOpen(path.c_str(), "r"), TIFFClose);
    ASSERT_NE(tif, nullptr);
    const auto rowBytes = static_cast<std::size_t>(TIFFScanlineSize(tif.get()));
    std::vector<uint8_t> line(rowBytes);
    for (std::size_t y = 0; y < rows.size(); ++y) {
        ASSERT_EQ(TIFFReadScanline(tif.get(), line.data(), static_cast<uint32_t>(y)), 1) << y;
        ASSERT_EQ(RunsOf(line), Visible(rows[y])) << "row " << y;
    }
}

} // namespace
} // namespace faxlens::codec
