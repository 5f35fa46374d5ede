// Two-dimensional pages whose rows hold zero-length runs: a horizontal mode of two empty runs puts
// two changes on one column of the next row's reference line, and every reader that walks the
// reference line counts them as two elements. Pages coded that way decode as libtiff decodes them.

#include "codec/page_decode.h"
#include "codec/reference/run_encoder.h"
#include "support/libtiff_pages.h"
#include "support/reading.h"
#include "support/tiff_builder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <tiffio.h>

namespace faxlens::codec {
namespace {

using test::Bitmap;

// Codes rows the way a reader that walks its reference line reads them, and puts a horizontal
// mode of two empty runs where asked: at the start of some rows and between the codes of others.
class WalkingRowCoder {
public:
    explicit WalkingRowCoder(int32_t width) : width_(width), reference_{width} {}

    void CodeRow(const Bitmap& page, int32_t y, bool emptyRunsFirst, int32_t emptyRunsAt) {
        ChangeList changes = test::ChangesOf(page, y);
        changes.push_back(page.width); // a2 of a horizontal mode that ends the row
        recorded_.clear();
        next_ = 0;
        runDecoded_ = false;
        int32_t a0 = 0;
        Colour colour = kWhite;
        std::size_t k = 0; // the next change of the row to code
        if (emptyRunsFirst)
            EmptyRuns(a0, colour);
        while (a0 < width_) {
            if (a0 >= emptyRunsAt && emptyRunsAt >= 0 && runDecoded_) {
                EmptyRuns(a0, colour);
                emptyRunsAt = -1;
            }
            const int32_t a1 = changes[k];
            const auto [b1, b2, index] = FindB1B2(a0, colour);
            if (b2 < a1) {
                bits_ += "0001";
                next_ = index + 2;
                a0 = b2;
            } else if (std::abs(a1 - b1) <= 3) {
                static const char* const kVertical[] = {"0000010", "000010", "010",    "1",
                                                        "011",     "000011", "0000011"};
                bits_ += kVertical[a1 - b1 + 3];
                next_ = a1 < b1 ? index - 1 : index + 1;
                Record(a1);
                a0 = a1;
                colour = colour == kWhite ? kBlack : kWhite;
                ++k;
            } else {
                const int32_t a2 = changes[k + 1];
                bits_ += "001";
                reference::AppendRun(bits_, a1 - a0, colour);
                reference::AppendRun(bits_, a2 - a1, colour == kWhite ? kBlack : kWhite);
                Record(a1);
                Record(a2);
                a0 = a2;
                k += 2;
            }
        }
        reference_ = recorded_;
    }

    std::vector<uint8_t> Strip() const {
        std::vector<uint8_t> bytes((bits_.size() + 7) / 8);
        for (std::size_t i = 0; i < bits_.size(); ++i)
            if (bits_[i] == '1')
                bytes[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
        return bytes;
    }

private:
    struct B1B2 {
        int32_t b1, b2, index;
    };

    B1B2 FindB1B2(int32_t a0, Colour colour) const {
        const auto last = static_cast<int32_t>(reference_.size()) - 1;
        auto at = [&](int32_t i) { return i < 0 ? 0 : reference_[static_cast<std::size_t>(i)]; };
        int32_t i = std::max(next_, colour == kWhite ? -2 : -1);
        if ((i & 1) != (colour == kWhite ? 0 : 1))
            ++i;
        if (runDecoded_)
            while (i <= last && at(i) <= a0)
                i += 2;
        if (i > last)
            return {reference_[last], reference_[last] + 1, i};
        const int32_t b2 =
            i < last ? reference_[static_cast<std::size_t>(i + 1)] : reference_[last];
        return {at(i), b2, i};
    }

    void EmptyRuns(int32_t a0, Colour colour) {
        bits_ += "001";
        reference::AppendRun(bits_, 0, colour);
        reference::AppendRun(bits_, 0, colour == kWhite ? kBlack : kWhite);
        Record(a0);
        Record(a0);
    }

    void Record(int32_t change) {
        recorded_.push_back(change);
        runDecoded_ = true;
    }

    int32_t width_;
    ChangeList reference_;
    ChangeList recorded_;
    int32_t next_ = 0;
    bool runDecoded_ = false;
    std::string bits_;
};

void WriteGroup4(const std::string& path, const Bitmap& page, const std::vector<uint8_t>& strip) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(page.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(page.height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(page.height));
    ASSERT_GE(TIFFWriteRawStrip(tif, 0, const_cast<uint8_t*>(strip.data()),
                                static_cast<tmsize_t>(strip.size())),
              0);
    TIFFClose(tif);
}

Bitmap DecodeFirstPage(const std::string& path) {
    const std::vector<int64_t> offsets = test::ImageOffsetsOf(path);
    if (offsets.empty())
        return {};
    const page::DecodedPage decoded = test::DecodeImage(path, offsets[0]);
    EXPECT_EQ(decoded.status, page::PageStatus::Decoded) << page::PageProblem(decoded);
    return decoded.surface ? test::BitmapOf(*decoded.surface) : Bitmap();
}

// Rows that begin with two empty runs, rows with two empty runs in their middle, and the rows
// below them coded against those reference lines, over a whole page of text.
TEST(EmptyRuns, PageCodedWithEmptyRunsDecodesLikeLibtiff) {
    const Bitmap page = test::TextLikePage(1728, 400, 5);
    WalkingRowCoder coder(page.width);
    for (int32_t y = 0; y < page.height; ++y)
        coder.CodeRow(page, y, y % 7 == 3, y % 11 == 5 ? 300 + y : -1);
    test::TempDir dir;
    const std::string path = dir.File("empty-runs.tif");
    WriteGroup4(path, page, coder.Strip());

    const Bitmap byLibtiff = test::ReadWithLibtiff(path, 0);
    ASSERT_TRUE(byLibtiff == page)
        << "the test's coder: " << test::DescribeDifferences(page, byLibtiff);
    const Bitmap byFaxlens = DecodeFirstPage(path);
    EXPECT_TRUE(byFaxlens == page) << test::DescribeDifferences(page, byFaxlens);
}

// A pass whose b2 is the end of the row completes the row, with no code after it: a row that is
// black to the end after a pass over the last change, and a row of one pass over a white line.
TEST(EmptyRuns, PassToTheEndOfTheRowCompletesIt) {
    const struct {
        const char* what;
        std::vector<uint8_t> strip;
    } pages[] = {
        {"H 2,2 V0 V0 / P EOFB", {0x2F, 0xE2, 0x00, 0x20, 0x02}},
        {"rows that are one pass each", {0x88, 0x00, 0x80, 0x08}},
    };
    for (const auto& page : pages) {
        SCOPED_TRACE(page.what);
        test::TempDir dir;
        const std::string path = dir.File("pass.tif");
        WriteGroup4(path, Bitmap(8, 2), page.strip);
        const page::DecodedPage decoded = test::DecodeImage(path, test::ImageOffsetsOf(path).at(0));
        ASSERT_TRUE(decoded.surface);
        EXPECT_FALSE(decoded.damage.Any()) << decoded.damage.Describe();
        const Bitmap expected = test::ReadWithLibtiff(path, 0);
        const Bitmap actual = test::BitmapOf(*decoded.surface);
        EXPECT_TRUE(expected == actual) << test::DescribeDifferences(expected, actual);
    }
}

// Every reproducer of a decoding fault decodes as libtiff decodes it.
TEST(EmptyRuns, ReproducersDecodeLikeLibtiff) {
    const auto folder = std::filesystem::path(FAXLENS_CORPUS_DIR) / "reproducers";
    if (!std::filesystem::exists(folder))
        GTEST_SKIP() << "no corpus at " << folder;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        const std::string path = file.path().string();
        const Bitmap expected = test::ReadWithLibtiff(path, 0);
        const Bitmap actual = DecodeFirstPage(path);
        EXPECT_TRUE(expected == actual)
            << path << ": " << test::DescribeDifferences(expected, actual);
    }
    const Bitmap zeroLengthRuns = DecodeFirstPage((folder / "g4-zero-length-runs.tif").string());
    Bitmap twice(8, 2);
    for (int32_t y : {0, 1})
        for (int32_t x : {2, 3, 4})
            twice.At(x, y) = 1;
    EXPECT_TRUE(zeroLengthRuns == twice) << test::DescribeDifferences(twice, zeroLengthRuns);
}

} // namespace
} // namespace faxlens::codec
