#include "shell/program.h"
#include "ui/file_dialogs.h"
#include "ui/twips.h"

#include <gtest/gtest.h>

namespace faxlens {
namespace {

using ui::DefaultExtension;
using ui::WithDefaultExtension;

TEST(Twips, PixelsFollowLogicalDpiRoundingHalvesToEven) {
    EXPECT_EQ(ui::TwipsToPixels(6450, 96), 430);
    EXPECT_EQ(ui::TwipsToPixels(15, 144), 2); // 1.5
    EXPECT_EQ(ui::TwipsToPixels(45, 144), 4); // 4.5
    EXPECT_EQ(ui::ToPixels(ui::TwipRect{90, 2250, 6270, 465}, {120, 192}), QRect(8, 300, 522, 62));
    // 522.5 and 61.5 are halves
}

TEST(DefaultExtension, IsTheFixedTextAfterThePatternsFirstDot) {
    EXPECT_EQ(ui::DefaultExtension("*.tif"), "tif");
    EXPECT_EQ(ui::DefaultExtension("*.TIF"), "TIF");
    EXPECT_EQ(ui::DefaultExtension("*. tif "), "tif");
    EXPECT_EQ(ui::DefaultExtension("*.*"), "");
    EXPECT_EQ(ui::DefaultExtension("*"), "");
    EXPECT_EQ(ui::DefaultExtension("*.tif;*.tiff"), "");
}

TEST(DefaultExtension, IsAppendedOnlyToFileNamesWithoutDot) {
    EXPECT_EQ(ui::WithDefaultExtension("/fax/page", "tif"), "/fax/page.tif");
    EXPECT_EQ(ui::WithDefaultExtension("/fax/page.TIF", "tif"), "/fax/page.TIF");
    EXPECT_EQ(ui::WithDefaultExtension("/fax/page.bmp", "tif"), "/fax/page.bmp");
    EXPECT_EQ(ui::WithDefaultExtension("/fax.d/page", "tif"), "/fax.d/page.tif");
    EXPECT_EQ(ui::WithDefaultExtension("page", "tif"), "page.tif");
    EXPECT_EQ(ui::WithDefaultExtension("/fax/page", ""), "/fax/page");
    EXPECT_EQ(ui::WithDefaultExtension("", "tif"), "");
}

TEST(CommandLine, QuotesAnywhereAreRemovedThenBlanksTrimmed) {
    EXPECT_EQ(shell::JoinArguments({"/fax/my", "page.tif"}), "/fax/my page.tif");
    EXPECT_EQ(shell::CleanPath("  \"/fax/my page.tif\"  "), "/fax/my page.tif");
    EXPECT_EQ(shell::CleanPath("\" /fa\"x/a.tif \""), "/fax/a.tif");
    EXPECT_EQ(shell::CleanPath("\t/fax/a.tif"), "\t/fax/a.tif");
}

} // namespace
} // namespace faxlens
