// Saving a surface as a Group 3 or Group 4 page: the bytes of the rows, pages of every shape read
// back by libtiff and by Faxlens's own decoder, and saves that fail.

#include "codec/page_decode.h"
#include "encode/page_encoder.h"
#include "page/surface_rows.h"
#include "support/export_pages.h"
#include "support/reading.h"
#include "support/tiff_builder.h"
#include "support/unprivileged.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace faxlens::test {
namespace {

namespace fs = std::filesystem;
using encode::SavePageG3;
using encode::SavePageG4;
using SaveFunction = Status (*)(const encode::RowSource&, int32_t, int32_t, const std::string&,
                                int32_t, int32_t, const WorkCheck&);

const struct {
    const char* name;
    SaveFunction save;
} kCodings[] = {{"G3", SavePageG3}, {"G4", SavePageG4}};

// The page as Faxlens's viewer decodes it from the file.
Bitmap DecodedByFaxlens(const std::string& path) {
    const std::vector<int64_t> offsets = ImageOffsetsOf(path);
    if (offsets.size() != 1) {
        ADD_FAILURE() << path << " does not list one image";
        return {};
    }
    const auto decoded = DecodeImage(path, offsets[0]);
    EXPECT_EQ(decoded.status, page::PageStatus::Decoded);
    return decoded.surface ? BitmapOf(*decoded.surface) : Bitmap{};
}

TEST(SavedStrip, Group3RowsAreRunCodesFillAndEol) {
    const std::string white1728(1728, '.');
    const struct {
        const char* what;
        std::vector<std::string> rows;
        std::vector<uint8_t> strip;
    } cases[] = {
        {"white 1728 x 2",
         {white1728, white1728},
         {0x00, 0x01, 0x4D, 0x9A, 0x80, 0x01, 0x4D, 0x9A, 0x80, 0x01}},
        {"three black, five white", {"###....."}, {0x00, 0x01, 0x35, 0xB0, 0x00, 0x01}},
        {"black row of 8", {"########"}, {0x00, 0x01, 0x35, 0x14, 0x00, 0x01}},
        {"the two rows above",
         {"###.....", "########"},
         {0x00, 0x01, 0x35, 0xB0, 0x00, 0x01, 0x35, 0x14, 0x00, 0x01}},
        {"white 5200", {std::string(5200, '.')}, {0x00, 0x01, 0x01, 0xF0, 0x1F, 0xDD, 0x40, 0x01}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        auto surface = SurfaceFrom(BitmapFrom(c.rows));
        ASSERT_TRUE(SavePageG3(page::SurfaceRows(*surface), 0, 0, dir.File("page.tif"), 0, 0))
            << c.what;
        const std::vector<uint8_t> file = ReadFile(dir.File("page.tif"));
        EXPECT_EQ(StripOf(file), c.strip) << c.what;
        EXPECT_EQ(file.size(), kStripAt + c.strip.size()) << c.what;
        EXPECT_EQ(BigEndianAt(file, 154), c.strip.size()) << c.what;
    }
}

// Group 4 strips are T.6 data: each row against the one above (a white row before the first),
// then an EOFB and zeros to the byte.
TEST(SavedStrip, Group4RowsAreTwoDimensionalThenEofb) {
    const struct {
        const char* what;
        std::vector<std::string> rows;
        std::vector<uint8_t> strip;
    } cases[] = {
        // V0, V0, EOFB: 11 000000000001 000000000001 000000
        {"white 1728 x 2",
         {std::string(1728, '.'), std::string(1728, '.')},
         {0xC0, 0x04, 0x00, 0x40}},
        // Horizontal white 0 black 3, V0, EOFB: 001 00110101 10 1 ...
        {"three black, five white", {"###....."}, {0x26, 0xB4, 0x00, 0x40, 0x04}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        auto surface = SurfaceFrom(BitmapFrom(c.rows));
        ASSERT_TRUE(SavePageG4(page::SurfaceRows(*surface), 0, 0, dir.File("page.tif"), 0, 0))
            << c.what;
        const std::vector<uint8_t> file = ReadFile(dir.File("page.tif"));
        EXPECT_EQ(StripOf(file), c.strip) << c.what;
        EXPECT_EQ(BigEndianAt(file, 154), c.strip.size()) << c.what;
    }
}

TEST(SavedStrip, SavingOverALongerFileLeavesNothingOfIt) {
    TempDir dir;
    auto surface = SurfaceFrom(PlainPage(1728, 2, false));
    for (const auto& coding : kCodings) {
        SCOPED_TRACE(coding.name);
        ASSERT_TRUE(
            coding.save(page::SurfaceRows(*surface), 0, 0, dir.File("fresh.tif"), 0, 0, {}));
        WriteFile(dir.File("old.tif"), std::vector<uint8_t>(5000, 0xAA));
        ASSERT_TRUE(coding.save(page::SurfaceRows(*surface), 0, 0, dir.File("old.tif"), 0, 0, {}));
        EXPECT_EQ(ReadFile(dir.File("old.tif")), ReadFile(dir.File("fresh.tif")));
    }
    EXPECT_EQ(ReadFile(dir.File("old.tif")).size(), 226u); // the Group 4 file, 4 strip bytes
}

// --- pages read back ---------------------------------------------------------------------

// Rows of black runs that move right by `step` from row to row: vertical modes for small steps,
// horizontal mode for large ones, pass mode where a run of the row above ends early.
Bitmap Staircase(int32_t width, int32_t height, int32_t step, int32_t run) {
    Bitmap page(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = (y * step) % width, n = 0; n < run && x < width; ++x, ++n)
            page.At(x, y) = 1;
    return page;
}

Bitmap Checkerboard(int32_t width, int32_t height, int32_t cell) {
    Bitmap page(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            page.At(x, y) = (x / cell + y / cell) % 2;
    return page;
}

TEST(SavedPage, LibtiffAndFaxlensReadBackTheSavedPixels) {
    const struct {
        const char* what;
        Bitmap page;
    } cases[] = {
        {"white 1728 x 3", PlainPage(1728, 3, false)},
        {"black 1728 x 3", PlainPage(1728, 3, true)},
        {"white 1 x 1", PlainPage(1, 1, false)},
        {"black 1 x 2", PlainPage(1, 2, true)},
        {"noise 1 x 9", NoisePage(1, 9, 2)},
        {"noise 7 x 5", NoisePage(7, 5, 3)},
        {"noise 8 x 6", NoisePage(8, 6, 4)},
        {"noise 9 x 7", NoisePage(9, 7, 5)},
        {"black 5200 x 2", PlainPage(5200, 2, true)},
        {"noise 5200 x 6", NoisePage(5200, 6, 6)},
        {"text 5200 x 80", TextLikePage(5200, 80, 7)},
        {"text 1728 x 300", TextLikePage(1728, 300, 8)},
        {"sparse noise 1728 x 40", NoisePage(1728, 40, 9, 3)},
        {"dense noise 1728 x 40", NoisePage(1728, 40, 10, 97)},
        // Not 64 wide: libtiff's Group 3 decoder has room for no more runs than the width rounded
        // up to 32, and a row of that width that alternates from black needs one more; libtiff
        // cannot read such a row even from a file that it wrote itself.
        {"checkerboard of single pixels", Checkerboard(63, 16, 1)},
        {"checkerboard of 3 pixel cells", Checkerboard(101, 30, 3)},
        {"staircase step 1", Staircase(200, 60, 1, 9)},
        {"staircase step 3", Staircase(200, 60, 3, 40)},
        {"staircase step 4", Staircase(200, 60, 4, 2)},
        {"staircase step -2", Staircase(200, 60, 198, 5)},
        {"staircase step 17", Staircase(333, 60, 17, 120)},
    };
    TempDir dir;
    const std::string path = dir.File("page.tif");
    for (const auto& c : cases) {
        auto surface = SurfaceFrom(c.page);
        for (const auto& coding : kCodings) {
            SCOPED_TRACE(std::string(c.what) + ", " + coding.name);
            const Status result = coding.save(page::SurfaceRows(*surface), 0, 0, path, 0, 0, {});
            ASSERT_TRUE(result.Ok()) << (result ? "" : result.Reason());
            const std::vector<uint8_t> file = ReadFile(path);
            EXPECT_EQ(BigEndianAt(file, 154), file.size() - kStripAt) << "StripByteCounts";
            const Bitmap libtiff = ReadWithLibtiff(path, 0);
            EXPECT_TRUE(libtiff == c.page) << "libtiff: " << DescribeDifferences(c.page, libtiff);
            const Bitmap faxlens = DecodedByFaxlens(path);
            EXPECT_TRUE(faxlens == c.page) << "Faxlens: " << DescribeDifferences(c.page, faxlens);
        }
    }
}

// Colours are saved black or white by their grey level, 120 and below black.
TEST(SavedPage, ColoursAreSavedByTheGreyThreshold) {
    const struct {
        page::ColourValue colour;
        bool black;
    } palette[] = {
        {0x0000FF, true},  {0x00FF00, false}, {0xFF0000, true}, {0x787878, true},
        {0x797979, false}, {0x808080, false}, {0x000001, true}, {0xFEFEFE, false},
        {0x00FFFF, false}, {0xFF00FF, true},  {0x000000, true}, {0xFFFFFF, false},
    };
    const int32_t width = 50, height = 12;
    auto surface = page::CreatePageSurface(width, height, page::kColourWhite);
    Bitmap expected(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const auto& entry = palette[(x * 7 + y * 5 + x / 3) % std::size(palette)];
            surface->PaintLine(x, y, x, entry.colour);
            expected.At(x, y) = entry.black;
        }
    TempDir dir;
    for (const auto& coding : kCodings) {
        SCOPED_TRACE(coding.name);
        ASSERT_TRUE(coding.save(page::SurfaceRows(*surface), 0, 0, dir.File("page.tif"), 0, 0, {}));
        const Bitmap read = ReadWithLibtiff(dir.File("page.tif"), 0);
        EXPECT_TRUE(read == expected) << DescribeDifferences(expected, read);
    }
}

// A width or height below 1 is the surface's; a positive one is used as given.
TEST(SavedPage, SizeComesFromTheCallerOrTheSurface) {
    const Bitmap whole = NoisePage(16, 6, 13);
    auto surface = SurfaceFrom(whole);
    const auto corner = [&](int32_t width, int32_t height) {
        Bitmap part(width, height);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                part.At(x, y) = whole.At(x, y);
        return part;
    };
    const struct {
        int32_t width, height;
        Bitmap expected;
    } cases[] = {
        {0, 0, whole},         {-1, -5, whole},      {8, 2, corner(8, 2)},
        {0, 3, corner(16, 3)}, {5, 0, corner(5, 6)}, {16, 6, whole},
    };
    TempDir dir;
    for (const auto& coding : kCodings)
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(coding.name) + " " + std::to_string(c.width) + " x " +
                         std::to_string(c.height));
            ASSERT_TRUE(coding.save(page::SurfaceRows(*surface), 0, 0, dir.File("page.tif"),
                                    c.width, c.height, {}));
            const Bitmap read = ReadWithLibtiff(dir.File("page.tif"), 0);
            EXPECT_TRUE(read == c.expected) << DescribeDifferences(c.expected, read);
        }
}

TEST(SavedPage, PumpRunsOncePerRow) {
    TempDir dir;
    for (int32_t height : {1, 7, 30})
        for (const auto& coding : kCodings) {
            auto surface = SurfaceFrom(TextLikePage(300, height, 3));
            int calls = 0;
            ASSERT_TRUE(coding.save(page::SurfaceRows(*surface), 0, 0, dir.File("page.tif"), 0, 0,
                                    [&] { ++calls; }));
            EXPECT_EQ(calls, height) << coding.name;
        }
}

// --- saves that fail ---------------------------------------------------------------------

// A page is written beside its target under a temporary name (".faxlens-*") and renamed over it
// only when complete. So every failed save leaves a reason, the folder as it was (no temporary
// file behind) and an existing file of the target's name byte for byte as it was.
void ExpectFailedSave(const std::function<Status()>& save, const std::string& folder) {
    const std::vector<std::string> before = FolderContents(folder);
    const Status result = save();
    EXPECT_FALSE(result.Ok());
    EXPECT_FALSE(result.Reason().empty());
    EXPECT_EQ(FolderContents(folder), before);
}

TEST(FailedSave, MissingFolder) {
    TempDir dir;
    auto surface = SurfaceFrom(NoisePage(40, 5, 1));
    for (const auto& coding : kCodings) {
        SCOPED_TRACE(coding.name);
        ExpectFailedSave(
            [&] {
                return coding.save(page::SurfaceRows(*surface), 0, 0, dir.File("missing/page.tif"),
                                   0, 0, {});
            },
            dir.Path());
    }
}

TEST(FailedSave, FolderStandsWhereTheFileShouldGo) {
    TempDir dir;
    fs::create_directory(dir.File("page.tif"));
    WriteFile(dir.File("page.tif/kept"), {'k'});
    auto surface = SurfaceFrom(NoisePage(40, 5, 1));
    for (const auto& coding : kCodings) {
        SCOPED_TRACE(coding.name);
        ExpectFailedSave(
            [&] {
                return coding.save(page::SurfaceRows(*surface), 0, 0, dir.File("page.tif"), 0, 0,
                                   {});
            },
            dir.Path());
        EXPECT_EQ(ReadFile(dir.File("page.tif/kept")), std::vector<uint8_t>{'k'});
    }
}

// As a user without privileges, since root writes into read-only folders.
TEST(FailedSave, ReadOnlyFolder) {
    TempDir dir;
    GiveToUnprivilegedUser(dir.Path());
    const std::string locked = dir.File("locked");
    fs::create_directory(locked);
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    WriteFile(locked + "/page.tif", old);
    GiveToUnprivilegedUser(locked);
    GiveToUnprivilegedUser(locked + "/page.tif");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    auto surface = SurfaceFrom(NoisePage(40, 5, 1));
    for (const auto& coding : kCodings) {
        SCOPED_TRACE(coding.name);
        const std::vector<std::string> before = FolderContents(dir.Path());
        EXPECT_EQ(AsUnprivilegedUser([&] {
                      const Status saved = coding.save(page::SurfaceRows(*surface), 0, 0,
                                                       locked + "/page.tif", 0, 0, {});
                      return saved ? std::string() : saved.Reason();
                  }),
                  "Permission denied");
        EXPECT_EQ(FolderContents(dir.Path()), before);
        EXPECT_EQ(ReadFile(locked + "/page.tif"), old);
    }
    fs::permissions(locked, fs::perms::owner_all);
}

// A write that fails in the middle of the strip fails the save; the file of that name stays.
TEST(FailedSave, WriteFailsPartWay) {
    TempDir dir;
    const std::vector<uint8_t> old(700, 0x5A);
    WriteFile(dir.File("page.tif"), old);
    auto surface = SurfaceFrom(NoisePage(1728, 50, 4));
    for (const auto& coding : kCodings) {
        SCOPED_TRACE(coding.name);
        ExpectFailedSave(
            [&] {
                FileSizeLimit limit(2000);
                return coding.save(page::SurfaceRows(*surface), 0, 0, dir.File("page.tif"), 0, 0,
                                   {});
            },
            dir.Path());
        EXPECT_EQ(ReadFile(dir.File("page.tif")), old);
    }
}

} // namespace
} // namespace faxlens::test
