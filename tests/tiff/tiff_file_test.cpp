// The open TIFF file: why a file is none, its directories in both byte orders, the chain of
// directories with its ends and breaks, offsets past 2 GiB, a file that shrinks while it is
// read, and agreement with libtiff on files it wrote and on the corpus.

#include "codec/page_decode.h"
#include "page/decoded_page.h"
#include "support/libtiff_pages.h"
#include "support/tiff_builder.h"
#include "tiff/image_list.h"
#include "tiff/page_info.h"
#include "tiff/tag_report.h"
#include "tiff/tag_values.h"
#include "tiff/tiff_facts.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tiffio.h>
#include <unistd.h>
#include <vector>

namespace faxlens {
namespace {

using test::TempDir;
using test::TiffBuilder;
using test::WriteFile;
using Bytes = std::vector<uint8_t>;

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// ---- Opening ----

TEST(TiffFileOpen, SaysWhyAFileIsNoTiffFile) {
    const Bytes tail(16, 0);
    const struct {
        const char* what;
        Bytes bytes;
        std::string reason; // empty: a TIFF file
        tiff::ByteOrder order = tiff::ByteOrder::Motorola;
        uint32_t first = 0;
    } cases[] = {
        {"II", Join({{'I', 'I', 42, 0, 8, 0, 0, 0}, tail}), "", tiff::ByteOrder::Intel, 8},
        {"MM", Join({{'M', 'M', 0, 42, 0, 0, 0, 8}, tail}), "", tiff::ByteOrder::Motorola, 8},
        {"offset with the high bit", Join({{'M', 'M', 0, 42, 0x80, 0, 0, 0}, tail}), "",
         tiff::ByteOrder::Motorola, 0x80000000},
        {"6 bytes: missing bytes read as 0",
         {'I', 'I', 42, 0, 0x10, 0},
         "",
         tiff::ByteOrder::Intel,
         16},
        {"IM", Join({{'I', 'M', 42, 0, 8, 0, 0, 0}, tail}),
         "Not a TIFF file: it begins with 49 4D 2A 00"},
        {"ii", Join({{'i', 'i', 42, 0}, tail}), "Not a TIFF file: it begins with 69 69 2A 00"},
        {"MM with 42 in Intel order", Join({{'M', 'M', 42, 0}, tail}),
         "Not a TIFF file: it begins with 4D 4D 2A 00"},
        {"text", {'n', 'o', 't', 'e', 's'}, "Not a TIFF file: it begins with \"note\""},
        {"PNG", {0x89, 'P', 'N', 'G', 13, 10}, "Not a TIFF file: it begins with 89 50 4E 47"},
        {"II with 43", Join({{'I', 'I', 43, 0, 8, 0, 0, 0}, tail}),
         "Not a TIFF file that Faxlens reads: it is a BigTIFF file"},
        {"only II", {'I', 'I'}, "Not a TIFF file: it begins with \"II\""},
        {"empty file", {}, "The file is empty"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.File("h.tif");
        WriteFile(path, c.bytes);
        const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
        ASSERT_EQ(file.Ok(), c.reason.empty()) << (file ? "" : file.Reason());
        if (!file) {
            EXPECT_EQ(file.Reason(), c.reason);
            continue;
        }
        EXPECT_EQ(file->Order(), c.order);
        EXPECT_EQ(file->FirstDirectoryOffset(), c.first);
        EXPECT_EQ(file->Length(), static_cast<int64_t>(c.bytes.size()));
    }
    EXPECT_EQ(tiff::TiffFile::Open(dir.File("missing.tif")).Reason(), "No such file or directory");
    EXPECT_EQ(tiff::TiffFile::Open(dir.Path()).Reason(), "Is a folder");
}

// ---- Directories, in both byte orders ----

class DirectoryTest : public ::testing::TestWithParam<bool> {
protected:
    TiffBuilder Builder() const { return TiffBuilder(GetParam()); }
    TempDir dir_;
    std::string path_ = dir_.File("e.tif");
};

TEST_P(DirectoryTest, EntriesTypedInStoredOrderWithTheirValues) {
    TiffBuilder b = Builder();
    b.Ifd()
        .Short(tiff::tag::kStripOffsets, {7, 8, 9})    // 6 bytes: stored elsewhere
        .Short(tiff::tag::kBitsPerSample, {1, 1})      // 4 bytes: inline
        .Rational(tiff::tag::kXResolution, {{204, 1}}) // 8 bytes: stored elsewhere
        .RawField(300, 4, 0x40000001, 0x20)            // 4 x count overflows 32 bits
        .RawField(301, 13, 100, 0x20)                  // unknown type, size 0: inline
        .Ifd()
        .Ifd()
        .Short(tiff::tag::kImageWidth, {3});
    b.WriteTo(path_);
    const auto ifds = b.IfdOffsets();
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path_);
    ASSERT_TRUE(file);
    const tiff::Directory d = file->ReadDirectory(ifds[0]);
    EXPECT_TRUE(d.whole);
    EXPECT_EQ(d.nextOffset, ifds[1]);
    ASSERT_EQ(d.entries.size(), 5u);
    const struct {
        uint16_t tag, type;
        uint32_t count;
        bool inlineValue;
        std::string text;
    } wants[] = {
        {tiff::tag::kStripOffsets, 3, 3, false, "7, 8, 9"},
        {tiff::tag::kBitsPerSample, 3, 2, true, "1, 1"},
        {tiff::tag::kXResolution, 5, 1, false, "204"},
        {300, 4, 0x40000001, false, ""},
        {301, 13, 100, true, ""},
    };
    for (std::size_t i = 0; i < std::size(wants); ++i) {
        SCOPED_TRACE(i);
        const tiff::TagEntry& e = d.entries[i];
        EXPECT_EQ(e.tag, wants[i].tag);
        EXPECT_EQ(e.type, wants[i].type);
        EXPECT_EQ(e.count, wants[i].count);
        EXPECT_EQ(e.IsInline(), wants[i].inlineValue);
        if (wants[i].inlineValue) {
            EXPECT_EQ(e.valueOffset, static_cast<int64_t>(ifds[0] + 2 + 12 * i + 8));
        }
        if (e.tag != 300) { // its huge count is covered by the value tests
            EXPECT_EQ(tiff::FormatTagValue(*file, e), wants[i].text);
        }
    }
    EXPECT_EQ(d.Find(tiff::tag::kXResolution), &d.entries[2]);
    EXPECT_EQ(d.Find(tiff::tag::kImageWidth), nullptr);

    const tiff::Directory empty = file->ReadDirectory(ifds[1]); // next right after a count of 0
    EXPECT_TRUE(empty.entries.empty());
    EXPECT_EQ(empty.nextOffset, ifds[2]);
    const tiff::Directory outside = file->ReadDirectory(file->Length() + 10);
    EXPECT_TRUE(outside.entries.empty());
    EXPECT_EQ(outside.nextOffset, 0u);
    EXPECT_FALSE(outside.whole);
}

TEST_P(DirectoryTest, SingleShortReadsTheFirstTwoValueBytes) {
    TiffBuilder b = Builder();
    // Value field bytes 03 00 05 00 (Intel) or 00 03 00 05 (Motorola): the SHORT is 3.
    b.RawField(tiff::tag::kCompression, 3, 1, GetParam() ? 0x00050003 : 0x00030005)
        .Short(tiff::tag::kPhotometric, {0});
    b.WriteTo(path_);
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path_);
    ASSERT_TRUE(file);
    const tiff::Directory d = file->ReadDirectory(b.IfdOffsets()[0]);
    EXPECT_EQ(tiff::FormatTagValue(*file, d.entries[0]), "3");
    EXPECT_EQ(tiff::TagNumber(*file, d.Find(tiff::tag::kCompression)), 3);
}

INSTANTIATE_TEST_SUITE_P(BothOrders, DirectoryTest, ::testing::Bool());

// ---- The chain of directories ----

struct Listing {
    std::vector<int64_t> offsets;
    std::string chainBreak;
    int pumps = 0;
};

Listing List(const std::string& path, std::size_t limit = 0) {
    Listing l;
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    EXPECT_TRUE(file) << file.Reason();
    if (!file)
        return l;
    const Result<tiff::ImageList> list = tiff::ListImages(*file, limit, [&l] { ++l.pumps; });
    EXPECT_TRUE(list);
    l.offsets = list->offsets;
    l.chainBreak = list->chainBreak;
    return l;
}

TEST(ImageListTest, ChainsTheirEndsAndBreaks) {
    constexpr int64_t kPastTheEnd = -100000;
    const std::string pastTheEnd = "the file is cut short: the directory after image ";
    struct ChainCase {
        const char* what;
        std::vector<int> entries;                   // entries of each IFD
        std::vector<std::pair<int, int64_t>> nexts; // IFD i points to IFD j (>= 0) or offset -j
        std::vector<int> listed;
        std::string chainBreak;
    };
    const ChainCase cases[] = {
        {"empty middle IFD", {1, 0, 2}, {}, {0, 2}, ""},
        {"next offset 1 ends", {1, 1}, {{0, -1}}, {0}, ""},
        {"loop to the first", {1, 1, 1}, {{2, 0}}, {0, 1, 2}, ""},
        {"loop to itself", {1, 1}, {{1, 1}}, {0, 1}, ""},
        {"loop on an empty IFD", {1, 0}, {{1, 1}}, {0}, ""},
        {"loop between empty IFDs", {2, 0, 0}, {{2, 1}}, {0}, ""},
        {"next past the end", {1, 1}, {{0, kPastTheEnd}}, {0}, pastTheEnd + "1 lies past its end"},
        {"next with the high bit",
         {1, 1, 1},
         {{1, -0x80000000LL}},
         {0, 1},
         pastTheEnd + "2 lies past its end"},
        {"an empty IFD, then past the end",
         {0, 1},
         {{0, kPastTheEnd}},
         {},
         "the file is cut short: the directory of image 1 lies past its end"},
    };
    TempDir dir;
    const std::string path = dir.File("l.tif");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TiffBuilder b;
        for (int n : c.entries) {
            b.Ifd();
            for (int i = 0; i < n; ++i)
                b.Short(uint16_t(256 + i), {1});
        }
        const auto ifds = b.IfdOffsets();
        for (auto [from, to] : c.nexts)
            b.NextOffset(from, to >= 0 ? ifds[to] : uint32_t(-to));
        b.WriteTo(path);
        std::vector<int64_t> want;
        for (int i : c.listed)
            want.push_back(ifds[i]);
        const Listing l = List(path);
        EXPECT_EQ(l.offsets, want);
        EXPECT_EQ(l.chainBreak, c.chainBreak);
    }
}

TEST(ImageListTest, FilesWithoutImagesAndFilesCutShort) {
    const struct {
        const char* what;
        Bytes bytes;
        std::string chainBreak;
    } cases[] = {
        {"first IFD past the end",
         {'I', 'I', 42, 0, 0, 1, 0, 0, 1, 0, 0, 1},
         "the file is cut short: the directory of image 1 lies past its end"},
        {"first IFD at the file length",
         {'M', 'M', 0, 42, 0, 0, 0, 12, 0, 1, 0, 1},
         "the file is cut short: the directory of image 1 lies past its end"},
        {"first IFD at 4 GiB less 16",
         {'I', 'I', 42, 0, 0xF0, 0xFF, 0xFF, 0xFF, 1, 0, 0, 1},
         "the file is cut short: the directory of image 1 lies past its end"},
        // An offset of 0 (or 1) ends the chain before it starts, rather than reading the header
        // as a directory of 18,761 entries.
        {"first IFD offset 0", {'I', 'I', 42, 0, 0, 0, 0, 0, 1, 0, 0, 1}, ""},
        {"first IFD offset 1", {'M', 'M', 0, 42, 0, 0, 0, 1, 0, 1, 0, 1}, ""},
        {"three bytes", {'I', 'I', 42}, ""},
        {"a directory of 1 entry cut in its entry",
         {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0, 1},
         "the file is cut short: the directory of image 1 runs past its end"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(dir.File("l.tif"), c.bytes);
        const Listing l = List(dir.File("l.tif"));
        EXPECT_EQ(l.offsets, c.chainBreak.ends_with("runs past its end") ? std::vector<int64_t>{8}
                                                                         : std::vector<int64_t>{});
        EXPECT_EQ(l.chainBreak, c.chainBreak);
    }
}

TEST(ImageListTest, ASampleCutShortListsItsFirstImageAndSaysSo) {
    TempDir dir;
    const Bytes whole = test::ReadFile(FAXLENS_SAMPLES_DIR "/fax-three-pages.tif");
    WriteFile(dir.File("cut.tif"), Bytes(whole.begin(), whole.begin() + 20000));
    const Listing l = List(dir.File("cut.tif"));
    EXPECT_EQ(l.offsets.size(), 1u);
    EXPECT_EQ(l.chainBreak, "the file is cut short: the directory after image 1 lies past its end");
}

TEST(ImageListTest, LimitCountsImagesOnly) {
    TempDir dir;
    const std::string path = dir.File("l.tif");
    TiffBuilder b;
    b.Ifd();
    for (int i = 0; i < 5; ++i)
        b.Ifd().Short(tiff::tag::kImageWidth, {1});
    b.WriteTo(path);
    const auto ifds = b.IfdOffsets();
    EXPECT_EQ(List(path, 2).offsets, std::vector<int64_t>(ifds.begin() + 1, ifds.begin() + 3));
    EXPECT_EQ(List(path, 0).offsets, std::vector<int64_t>(ifds.begin() + 1, ifds.end()));
    EXPECT_EQ(List(path, 9).offsets.size(), 5u);
}

TEST(ImageListTest, PumpRunsAfterEveryFiftiethImage) {
    TempDir dir;
    const std::string path = dir.File("l.tif");
    for (auto [images, pumps] : {std::pair{49, 0}, {50, 1}, {149, 2}, {6000, 120}}) {
        TiffBuilder b;
        for (int i = 0; i < images; ++i) {
            if (i % 3 == 0)
                b.Ifd(); // empty IFDs do not count
            b.Ifd().Short(tiff::tag::kImageWidth, {1});
        }
        b.WriteTo(path);
        const Listing l = List(path);
        EXPECT_EQ(l.offsets.size(), static_cast<std::size_t>(images));
        EXPECT_EQ(l.pumps, pumps) << images << " images";
    }
}

// ---- Offsets past 2 GiB ----

// A sparse file of 3 GiB whose directory and strip lie past 2 GiB: every offset has its high
// bit set. libtiff reads such files, and so must Faxlens.
TEST(LargeFile, DirectoriesAndStripsPastTwoGibibytes) {
    TempDir dir;
    const std::string path = dir.File("large.tif");
    constexpr uint32_t kIfd = 0xC0000000;
    constexpr uint32_t kStrip = kIfd + 0x100;
    // An uncompressed page of 8 x 2 pixels; its directory is built here and written at its place.
    TiffBuilder page;
    page.Ifd()
        .Short(tiff::tag::kImageWidth, {8})
        .Short(tiff::tag::kImageLength, {2})
        .Short(tiff::tag::kBitsPerSample, {1})
        .Short(tiff::tag::kCompression, {1})
        .Short(tiff::tag::kPhotometric, {0})
        .Long(tiff::tag::kStripOffsets, {kStrip})
        .Short(tiff::tag::kRowsPerStrip, {2})
        .Long(tiff::tag::kStripByteCounts, {2});
    const Bytes built = page.Build();
    const Bytes directory(built.begin() + page.IfdOffsets()[0], built.end());
    const Bytes header = {'I', 'I', 42, 0, 0, 0, 0, 0xC0};
    {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        const bool written =
            std::fwrite(header.data(), 1, header.size(), out) == header.size() &&
            fseeko(out, kIfd, SEEK_SET) == 0 &&
            std::fwrite(directory.data(), 1, directory.size(), out) == directory.size() &&
            fseeko(out, kStrip, SEEK_SET) == 0 && std::fwrite("\xF0\x0F", 1, 2, out) == 2 &&
            fseeko(out, (int64_t{3} << 30) - 1, SEEK_SET) == 0 && std::fwrite("", 1, 1, out) == 1;
        std::fclose(out);
        if (!written)
            GTEST_SKIP() << "no room for a sparse file of 3 GiB here";
    }
    const Listing l = List(path);
    ASSERT_EQ(l.offsets, std::vector<int64_t>{kIfd});
    EXPECT_EQ(l.chainBreak, "");
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    ASSERT_TRUE(file);
    const Result<tiff::TiffPage> parameters = tiff::ReadPageParameters(*file, kIfd);
    ASSERT_TRUE(parameters);
    ASSERT_EQ(parameters->strips.size(), 1u);
    EXPECT_EQ(parameters->strips[0].offset, int64_t{kStrip});
    EXPECT_EQ(parameters->strips[0].byteCount, 2);
    const Result<std::string> report = tiff::BuildTagReport(*file, kIfd);
    ASSERT_TRUE(report);
    EXPECT_NE(report->find("StripOffsets = 3221225728\r\n"), std::string::npos) << *report;

    // libtiff reads the same pixels.
    const Result<page::DecodedPage> decoded = page::DecodePage(*file, kIfd);
    ASSERT_TRUE(decoded);
    ASSERT_TRUE(decoded->surface);
    EXPECT_FALSE(decoded->damage.Any()) << decoded->damage.Describe();
    const test::Bitmap expected = test::ReadWithLibtiff(path, 0);
    EXPECT_TRUE(test::BitmapOf(*decoded->surface) == expected);
    EXPECT_EQ(expected.height, 2);
}

// ---- A file that changes while it is read ----

TEST(ReadFailures, AFileCutShortWhileItIsReadFailsTheWork) {
    TempDir dir;
    const std::string path = dir.File("three.tif");
    std::filesystem::copy_file(FAXLENS_SAMPLES_DIR "/fax-three-pages.tif", path);
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    ASSERT_TRUE(file);
    ASSERT_EQ(::truncate(path.c_str(), 20000), 0);
    const Result<tiff::ImageList> list = tiff::ListImages(*file);
    ASSERT_FALSE(list);
    EXPECT_EQ(list.Reason(), "the file was cut short while it was read");
    EXPECT_FALSE(file->ReadStatus());
    // Once failed, every later piece of work says so too.
    EXPECT_EQ(tiff::BuildTagReport(*file, 8).Reason(), "the file was cut short while it was read");
}

// ---- Agreement with libtiff ----

void QuietLibtiff() {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
}

std::vector<int64_t> LibtiffIfdOffsets(const std::string& path) {
    std::vector<int64_t> offsets;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr)
        return offsets;
    do
        offsets.push_back(static_cast<int64_t>(TIFFCurrentDirOffset(tif)));
    while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return offsets;
}

struct PeerPage {
    uint32_t width, height, rowsPerStrip;
    float xres;
    uint16_t compression;
    uint32_t t4Options;
    const char* compressionText;
};

void WritePages(const std::string& path, const char* mode, const std::vector<PeerPage>& pages) {
    TIFF* tif = TIFFOpen(path.c_str(), mode);
    ASSERT_NE(tif, nullptr);
    for (const auto& p : pages) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
        if (p.compression == COMPRESSION_CCITTFAX3)
            TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, p.t4Options);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.rowsPerStrip);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, p.xres);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, 98.0f);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        std::vector<uint8_t> row((p.width + 7) / 8);
        for (uint32_t y = 0; y < p.height; ++y) {
            for (std::size_t i = 0; i < row.size(); ++i)
                row[i] = uint8_t((y * 7 + i * 13) % 5 == 0 ? 0xF0 : 0x00);
            ASSERT_EQ(TIFFWriteScanline(tif, row.data(), y, 0), 1);
        }
        ASSERT_TRUE(TIFFWriteDirectory(tif));
    }
    TIFFClose(tif);
}

TEST(LibtiffPeer, ListingAndValuesAgree) {
    QuietLibtiff();
    const std::vector<PeerPage> pages = {
        {1728, 40, 16, 204.0f, COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, "Group3 Fax 2D"},
        {864, 25, 10, 196.5f, COMPRESSION_CCITTFAX4, 0, "Group4 Fax"},
        {100, 9, 9, 98.0f, COMPRESSION_NONE, 0, "None"},
        {2048, 30, 7, 300.0f, COMPRESSION_CCITTFAX3, 0, "Group3 Fax"},
    };
    for (const char* mode : {"w", "wb"}) {
        SCOPED_TRACE(mode);
        TempDir dir;
        const std::string path = dir.File("peer.tif");
        WritePages(path, mode, pages);
        const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->Order(),
                  mode[1] == 'b' ? tiff::ByteOrder::Motorola : tiff::ByteOrder::Intel);
        const Listing l = List(path);
        ASSERT_EQ(l.offsets, LibtiffIfdOffsets(path));
        ASSERT_EQ(l.offsets.size(), pages.size());

        TIFF* tif = TIFFOpen(path.c_str(), "r");
        ASSERT_NE(tif, nullptr);
        for (std::size_t i = 0; i < pages.size(); ++i, TIFFReadDirectory(tif)) {
            SCOPED_TRACE(i);
            uint32_t width = 0, height = 0;
            float xres = 0;
            uint64_t* strips = nullptr;
            uint64_t* counts = nullptr;
            TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
            TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
            TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres);
            TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &strips);
            TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts);
            const tiff::Directory d = file->ReadDirectory(l.offsets[i]);
            EXPECT_EQ(tiff::FormatTagValue(*file, *d.Find(tiff::tag::kImageWidth)),
                      std::to_string(width));
            EXPECT_EQ(tiff::FormatTagValue(*file, *d.Find(tiff::tag::kImageLength)),
                      std::to_string(height));
            EXPECT_FLOAT_EQ(
                std::stof(tiff::FormatTagValue(*file, *d.Find(tiff::tag::kXResolution))), xres);
            EXPECT_EQ(tiff::CompressionText(*file, d), pages[i].compressionText);
            const Result<tiff::TiffPage> page = tiff::ReadPageParameters(*file, l.offsets[i]);
            ASSERT_TRUE(page);
            ASSERT_EQ(page->strips.size(), TIFFNumberOfStrips(tif));
            for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
                EXPECT_EQ(page->strips[s].offset, static_cast<int64_t>(strips[s]));
                EXPECT_EQ(page->strips[s].byteCount, static_cast<int64_t>(counts[s]));
            }
        }
        TIFFClose(tif);
    }
}

// ---- Files written by other programs, malformed ones included ----

TEST(Corpus, EveryFileIsWalkedAndReported) {
    const std::filesystem::path corpus = FAXLENS_CORPUS_DIR;
    if (!std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "no corpus at " << corpus;
    int files = 0;
    for (const auto& item : std::filesystem::recursive_directory_iterator(corpus)) {
        const auto ext = item.path().extension();
        if (!item.is_regular_file() || (ext != ".tif" && ext != ".tiff"))
            continue;
        SCOPED_TRACE(item.path().string());
        ++files;
        const Result<tiff::TiffFile> file = tiff::TiffFile::Open(item.path().string());
        if (!file)
            continue; // said why; nothing to walk
        const Result<tiff::ImageList> list = tiff::ListImages(*file);
        ASSERT_TRUE(list);
        // The IFD the header names is tried too, whether or not it was listed.
        EXPECT_TRUE(tiff::BuildTagReport(*file, file->FirstDirectoryOffset()));
        for (const int64_t offset : list->offsets) {
            const Result<std::string> report = tiff::BuildTagReport(*file, offset);
            ASSERT_TRUE(report);
            EXPECT_NE(report->find("CompressionType = "), std::string::npos);
            EXPECT_TRUE(tiff::ReadPageParameters(*file, offset));
        }
    }
    EXPECT_GT(files, 0);
}

TEST(Corpus, WellFormedFilesListLikeLibtiff) {
    const std::filesystem::path corpus = FAXLENS_CORPUS_DIR;
    if (!std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "no corpus at " << corpus;
    QuietLibtiff();
    const std::pair<const char*, std::size_t> files[] = {
        {"pillow/multipage.tiff", 3},        {"pillow/g4-multi.tiff", 3},
        {"pillow/hopper_g4.tif", 1},         {"pillow/hopper_g4_500.tif", 1},
        {"pillow/g4-fillorder-test.tif", 1}, {"pillow/g4_orientation_1.tif", 1},
        {"pillow/g4_orientation_5.tif", 1},  {"pillow/multipage-lastframe.tif", 1},
    };
    for (const auto& [name, images] : files) {
        SCOPED_TRACE(name);
        const std::string path = (corpus / name).string();
        const Listing l = List(path);
        EXPECT_EQ(l.offsets.size(), images);
        EXPECT_EQ(l.offsets, LibtiffIfdOffsets(path));
        EXPECT_EQ(l.chainBreak, "");

        TIFF* tif = TIFFOpen(path.c_str(), "r");
        ASSERT_NE(tif, nullptr);
        const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
        ASSERT_TRUE(file);
        for (const int64_t offset : l.offsets) {
            uint32_t width = 0;
            TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
            const Result<tiff::TiffPage> page = tiff::ReadPageParameters(*file, offset);
            ASSERT_TRUE(page);
            EXPECT_EQ(page->width, int64_t{width});
            TIFFReadDirectory(tif);
        }
        TIFFClose(tif);
    }
}

} // namespace
} // namespace faxlens
