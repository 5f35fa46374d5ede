#include "page/viewed_page.h"
#include "support/libtiff_pages.h"
#include "support/reading.h"
#include "support/tiff_builder.h"
#include "tiff/tiff_facts.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <tiffio.h>

namespace faxlens::test {
namespace {

using page::PageStatus;

int64_t FirstImage(const std::string& path) {
    const std::vector<int64_t> offsets = test::ImageOffsetsOf(path);
    EXPECT_FALSE(offsets.empty());
    return offsets.empty() ? 0 : offsets.front();
}

TEST(ViewedPageOpen, PagesOfOtherSendersHoldWhatLibtiffReads) {
    const struct {
        const char* what;
        FaxOptions options;
    } sources[] = {
        {"Group 4, in strips of 40 rows", {4, 0, 40, false, 1, 0}},
        {"Group 3 2D, fill order 2, black is zero", {3, 5, 40, false, 2, 1}},
        {"Huffman RLE, black is zero, big-endian", {2, 0, 0, true, 1, 1}},
        {"PackBits", {32773, 0, 0, false, 1, 0}},
        {"a palette of two colours", {4, 0, 0, false, 1, 3, 0}},
    };
    for (const auto& source : sources) {
        SCOPED_TRACE(source.what);
        TempDir dir;
        const std::string path = dir.File("page.tif");
        WriteFaxPages(path, {TextLikePage(1001, 300, 12)}, source.options);
        const page::ViewedPage page = OpenViewedPage(path, FirstImage(path));
        EXPECT_EQ(page.Status(), page::PageStatus::Decoded);
        EXPECT_EQ(page.Problem(), "");
        ASSERT_NE(page.Surface(), nullptr);
        const Bitmap expected = ReadWithLibtiff(path, 0);
        const Bitmap held = BitmapOf(*page.Surface());
        EXPECT_TRUE(held == expected) << DescribeDifferences(expected, held);
    }
}

TEST(ViewedPageOpen, KeepsTheResolutionOfTheFile) {
    TempDir dir;
    const std::string path = dir.File("page.tif");
    WriteFaxPages(path, {TextLikePage(1728, 100)}, {}); // 204 x 196 dpi
    const page::ViewedPage page = OpenViewedPage(path, FirstImage(path));
    EXPECT_EQ(page.XResolution(), 204);
    EXPECT_EQ(page.YResolution(), 196);
    EXPECT_EQ(page.Parameters().width, 1728);
}

// Every page that cannot be shown holds no surface and says why in one line.
TEST(ViewedPageOpen, PagesThatCannotBeShownSayWhy) {
    TempDir dir;
    struct Case {
        std::string what, path;
        int64_t ifdOffset;
        page::PageStatus status;
        std::string problem;
    };
    std::vector<Case> cases;
    for (const bool withSize : {true, false}) {
        const std::string path = dir.File(withSize ? "huge.tif" : "sizeless.tif");
        const int64_t ifd = WriteUnshowableSizePage(path, withSize);
        cases.push_back({path, path, ifd,
                         withSize ? page::PageStatus::TooLarge : page::PageStatus::NoSize,
                         withSize ? "This page is too large to show: 100000 x 100000 pixels."
                                  : "This page has no usable width and height."});
    }
    for (const UnsupportedPage& page : WriteUnsupportedPages(dir.Path()))
        cases.push_back(
            {page.what, page.path, page.ifdOffset, page::PageStatus::Unsupported, page.problem});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const page::ViewedPage page = OpenViewedPage(c.path, c.ifdOffset);
        EXPECT_EQ(page.Status(), c.status);
        EXPECT_EQ(page.Problem(), c.problem);
        EXPECT_EQ(page.Surface(), nullptr);
        EXPECT_FALSE(page.Save(page::SaveCoding::Group4, dir.File("out.tif")));
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.tif")));
    }
}

// What libtiff reads of a saved file's first page: its compression and its pixels.
struct SavedPage {
    uint16_t compression = 0;
    Bitmap pixels;
};

SavedPage ReadSaved(const std::string& path) {
    SavedPage saved;
    if (TIFF* tif = TIFFOpen(path.c_str(), "r")) {
        TIFFGetField(tif, TIFFTAG_COMPRESSION, &saved.compression);
        TIFFClose(tif);
    }
    saved.pixels = ReadWithLibtiff(path, 0);
    return saved;
}

TEST(ViewedPageSave, BothCodingsWriteThePageAsLibtiffReadsIt) {
    TempDir dir;
    const std::string path = dir.File("page.tif");
    WriteFaxPages(path, {TextLikePage(1728, 500, 3)}, {});
    const page::ViewedPage page = OpenViewedPage(path, FirstImage(path));
    ASSERT_NE(page.Surface(), nullptr);
    const Bitmap shown = BitmapOf(*page.Surface());
    const std::pair<page::SaveCoding, uint16_t> codings[] = {
        {page::SaveCoding::Group3, tiff::compression::kGroup3},
        {page::SaveCoding::Group4, tiff::compression::kGroup4},
    };
    for (const auto& [coding, code] : codings) {
        SCOPED_TRACE(code);
        const std::string out = dir.File("saved.tif");
        int checks = 0;
        const auto result = page.Save(coding, out, [&] { ++checks; });
        ASSERT_TRUE(result.Ok()) << (result ? "" : result.Reason());
        EXPECT_GE(checks, 500) << "the check runs after every row";
        const SavedPage saved = ReadSaved(out);
        EXPECT_EQ(saved.compression, code);
        EXPECT_TRUE(saved.pixels == shown) << DescribeDifferences(shown, saved.pixels);
    }
}

// A turned page is saved as it is shown: libtiff reads the turned pixels back.
TEST(ViewedPageTurn, SwapsTheSidesAndResolutionsAndSavesTheTurnedPage) {
    TempDir dir;
    const std::string path = dir.File("page.tif");
    WriteFaxPages(path, {TextLikePage(1728, 300, 5)}, {}); // 204 x 196 dpi
    page::ViewedPage page = OpenViewedPage(path, FirstImage(path));
    const Bitmap upright = BitmapOf(*page.Surface());
    ASSERT_TRUE(page.Turn(page::QuarterTurn::CounterClockwise));
    EXPECT_EQ(page.Parameters().width, 300);
    EXPECT_EQ(page.Parameters().height, 1728);
    EXPECT_EQ(page.XResolution(), 196);
    EXPECT_EQ(page.YResolution(), 204);
    const std::string out = dir.File("turned.tif");
    ASSERT_TRUE(page.Save(page::SaveCoding::Group4, out));
    const Bitmap saved = ReadWithLibtiff(out, 0);
    ASSERT_EQ(saved.width, 300);
    ASSERT_EQ(saved.height, 1728);
    EXPECT_EQ(saved.At(0, 1727), upright.At(0, 0)) << "the top-left corner went to the bottom";
    EXPECT_EQ(saved.At(299, 0), upright.At(1727, 299));
    EXPECT_TRUE(BitmapOf(*page.Surface()) == saved);

    page.Close();
    EXPECT_FALSE(page.Turn(page::QuarterTurn::Clockwise));
}

// Turned by any number of quarter turns, the page is the one turned a quarter turn at a time, and
// the page it came from stays as it was.
TEST(ViewedPageTurn, TurnedByQuarterTurnsEqualsTurningOneAtATime) {
    TempDir dir;
    const std::string path = dir.File("page.tif");
    WriteFaxPages(path, {TextLikePage(301, 97, 7)}, {});
    const page::ViewedPage page = OpenViewedPage(path, FirstImage(path));
    const Bitmap upright = BitmapOf(*page.Surface());
    page::ViewedPage stepped = OpenViewedPage(path, FirstImage(path));
    for (const int turns : {1, 2, 3, 5, -1}) {
        SCOPED_TRACE(turns);
        const Result<page::ViewedPage> turned = page.Turned(turns);
        ASSERT_TRUE(turned);
        stepped = OpenViewedPage(path, FirstImage(path));
        for (int k = 0; k < ((turns % 4) + 4) % 4; ++k)
            ASSERT_TRUE(stepped.Turn(page::QuarterTurn::Clockwise));
        EXPECT_TRUE(BitmapOf(*turned->Surface()) == BitmapOf(*stepped.Surface()));
        EXPECT_EQ(turned->XResolution(), stepped.XResolution());
        EXPECT_TRUE(BitmapOf(*page.Surface()) == upright);
    }
    EXPECT_FALSE(page.Turned(4)) << "no turn makes no new page";
}

// Work whose check throws WorkCancelled stops: a save leaves no file behind, neither under its
// name nor a temporary one, and a decode gives no page.
TEST(ViewedPageCancel, CancelledSaveAndDecodeLeaveNothing) {
    TempDir dir;
    const std::string path = dir.File("page.tif");
    WriteFaxPages(path, {TextLikePage(1728, 400, 3)}, {});
    const page::ViewedPage page = OpenViewedPage(path, FirstImage(path));
    int checks = 0;
    const WorkCheck cancelLater = [&checks] {
        if (++checks == 50)
            throw WorkCancelled{};
    };
    EXPECT_THROW((void)page.Save(page::SaveCoding::Group4, dir.File("out.tif"), cancelLater),
                 WorkCancelled);
    EXPECT_EQ(FolderContents(dir.Path()), std::vector<std::string>{"page.tif"});

    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    ASSERT_TRUE(file);
    const WorkCheck cancelAtOnce = [] { throw WorkCancelled{}; };
    EXPECT_THROW((void)page::ViewedPage::Open(*file, FirstImage(path), cancelAtOnce),
                 WorkCancelled);
}

// The saved file keeps the page's resolution, in dots per inch; a page without one keeps 0/1.
TEST(ViewedPageSave, TheSavedPageKeepsItsResolution) {
    TempDir dir;
    const std::string withResolution = dir.File("fax.tif");
    WriteFaxPages(withResolution, {TextLikePage(1728, 50)}, {}); // 204 x 196 dpi
    TiffBuilder builder;
    builder.Ifd()
        .Long(tiff::tag::kImageWidth, {8})
        .Long(tiff::tag::kImageLength, {2})
        .Short(tiff::tag::kCompression, {tiff::compression::kNone})
        .Long(tiff::tag::kStripOffsets, {8})
        .Long(tiff::tag::kStripByteCounts, {2});
    const std::string without = dir.File("plain.tif");
    builder.WriteTo(without);
    // 80 x 77 dots per centimetre are 203 x 196 dots per inch.
    TiffBuilder metric;
    metric.Ifd()
        .Long(tiff::tag::kImageWidth, {8})
        .Long(tiff::tag::kImageLength, {2})
        .Short(tiff::tag::kCompression, {tiff::compression::kNone})
        .Long(tiff::tag::kStripOffsets, {8})
        .Long(tiff::tag::kStripByteCounts, {2})
        .Rational(tiff::tag::kXResolution, {{80, 1}})
        .Rational(tiff::tag::kYResolution, {{77, 1}})
        .Short(tiff::tag::kResolutionUnit, {tiff::kResolutionInCentimetres});
    const std::string inCentimetres = dir.File("metric.tif");
    metric.WriteTo(inCentimetres);
    const std::pair<std::string, std::pair<float, float>> cases[] = {
        {withResolution, {204, 196}}, {without, {0, 0}}, {inCentimetres, {203, 196}}};
    for (const auto& [path, resolution] : cases) {
        const std::string out = dir.File("saved.tif");
        ASSERT_TRUE(OpenViewedPage(path, FirstImage(path)).Save(page::SaveCoding::Group4, out));
        TIFF* tif = TIFFOpen(out.c_str(), "r");
        ASSERT_NE(tif, nullptr);
        float x = -1, y = -1;
        TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x);
        TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y);
        TIFFClose(tif);
        EXPECT_EQ(x, resolution.first) << path;
        EXPECT_EQ(y, resolution.second) << path;
    }
}

TEST(ViewedPageSave, AFailedOrClosedSaveSaysWhyAndWritesNothing) {
    TempDir dir;
    const std::string path = dir.File("page.tif");
    WriteFaxPages(path, {TextLikePage(300, 40)}, {});
    page::ViewedPage page = OpenViewedPage(path, FirstImage(path));
    const std::string missing = dir.File("no such folder/out.tif");
    const auto intoMissingFolder = page.Save(page::SaveCoding::Group3, missing);
    EXPECT_FALSE(intoMissingFolder.Ok());
    EXPECT_FALSE(intoMissingFolder.Reason().empty());
    EXPECT_FALSE(std::filesystem::exists(missing));

    page.Close();
    EXPECT_EQ(page.Surface(), nullptr);
    const auto afterClose = page.Save(page::SaveCoding::Group4, dir.File("out.tif"));
    EXPECT_FALSE(afterClose.Ok());
    EXPECT_EQ(afterClose.Reason(), "there is no page to save");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.tif")));
}

} // namespace
} // namespace faxlens::test
