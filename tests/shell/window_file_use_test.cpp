// How the windows use the file they show, seen through the I/O shim: listing a file, reading a
// report and opening a page each open it once, a chain that breaks off is said, and a read that
// fails is said with the system's reason instead of showing a blank page.

#include "shell/main_window.h"
#include "shell/program.h"
#include "support/io_shim.h"
#include "support/main_window_driving.h"
#include "support/reading.h"
#include "support/window_driving.h"

#include <QMessageBox>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace faxlens::test {
namespace {

class WindowFileUse : public ::testing::Test {
protected:
    WindowFileUse() { ForgetDocument(); }

    // The box the work shows, answered; its text.
    template <typename Work>
    QString BoxSaid(Work work) {
        QString said;
        WhenShown<QMessageBox> box([&](QMessageBox& shown) {
            said = shown.text();
            shown.accept();
        });
        work();
        EXPECT_EQ(box.Count(), 1);
        return said;
    }

    TempDir dir;
    shell::MainWindow form;
};

TEST_F(WindowFileUse, ListingReportingAndEachPageOpenTheFileOnce) {
    const std::string path = dir.File("three.tif");
    std::filesystem::copy_file(FAXLENS_SAMPLES_DIR "/fax-three-pages.tif", path);
    const std::vector<int64_t> offsets = ImageOffsetsOf(path);
    ASSERT_EQ(offsets.size(), 3u);
    WatchedFile file(path);
    ASSERT_TRUE(OpenAndWait(form, path));
    EXPECT_EQ(file.TakeOpens(), 1) << "listed";
    Find<QListWidget>(form, "imageList").setCurrentRow(1);
    EXPECT_TRUE(
        Find<QPlainTextEdit>(form, "tagReport").toPlainText().startsWith("NewSubFileType = 2\n"));
    EXPECT_EQ(file.TakeOpens(), 1) << "reported";

    QPointer<viewer::PageViewer> viewer = OpenViewerAndWait(path, offsets[1]);
    ASSERT_TRUE(viewer && viewer->Surface());
    EXPECT_EQ(file.TakeOpens(), 1) << "a page opened";
    viewer->ShowNeighbourImage(1);
    ASSERT_TRUE(WaitForViewer(viewer));
    EXPECT_EQ(viewer->ImageOffset(), offsets[2]);
    EXPECT_EQ(file.TakeOpens(), 1) << "the next image shown";
    delete viewer.data();
}

TEST_F(WindowFileUse, AReadErrorIsSaidNotShownAsABlankPage) {
    // Its strip holds bytes 8 to 43,208 of the file.
    const std::string path = dir.File("page.tif");
    const int64_t directory = WriteUncompressedPage(path);
    WatchedFile file(path);

    file.FailReadsAt(30000);
    QPointer<viewer::PageViewer> viewer = OpenViewerAndWait(path, directory);
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->MessageText(), "This page cannot be read: Input/output error.");
    EXPECT_EQ(viewer->Surface(), nullptr);
    EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG3Button").isEnabled());
    EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG4Button").isEnabled());
    delete viewer.data();

    file.FailReadsAt(directory + 4);
    const QString said = BoxSaid([&] { EXPECT_FALSE(OpenAndWait(form, path)); });
    EXPECT_EQ(said.toStdString(), "Cannot open " + path + "\n\nInput/output error.");
    EXPECT_EQ(Find<QListWidget>(form, "imageList").count(), 0);
}

TEST_F(WindowFileUse, AChainThatBreaksOffListsWhatItHoldsAndSaysWhere) {
    const std::vector<uint8_t> whole = ReadFile(FAXLENS_SAMPLES_DIR "/fax-three-pages.tif");
    const std::string path = dir.File("cut.tif");
    WriteFile(path, std::vector<uint8_t>(whole.begin(), whole.begin() + 20000));
    const QString said = BoxSaid([&] { EXPECT_TRUE(OpenAndWait(form, path)); });
    EXPECT_EQ(said.toStdString(), path + "\n\nThe file is cut short: the directory after image 1 "
                                         "lies past its end. The images before it are listed.");
    ASSERT_EQ(Find<QListWidget>(form, "imageList").count(), 1);
    EXPECT_EQ(Find<QListWidget>(form, "imageList").item(0)->text(), "1");
    EXPECT_EQ(Find<QLabel>(form, "statusLine").text(), shell::kStatusListed);
}

} // namespace
} // namespace faxlens::test
