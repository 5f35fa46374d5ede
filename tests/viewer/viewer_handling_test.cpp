// The viewer as a hand drives it: the wheel, dragging, the keys, the window's commands and the
// page's menu, fitting that lasts, turning the page and moving through the file's images.

#include "shell/main_window.h"
#include "shell/program.h"
#include "support/libtiff_pages.h"
#include "support/main_window_driving.h"
#include "support/window_driving.h"
#include "viewer/page_viewer.h"
#include "viewer/thumbnail_panel.h"
#include "viewer/view_navigation.h"

#include <QClipboard>
#include <QFileDialog>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace faxlens::test {
namespace {

constexpr int32_t kWidth = 1728;
constexpr int32_t kHeight = 2200;

class ViewerHandlingTest : public ::testing::Test {
protected:
    ViewerHandlingTest() : path(dir.File("pages.tif")) {
        WriteFaxPages(
            path,
            {TextLikePage(kWidth, kHeight), TextLikePage(1000, 600, 2), TextLikePage(800, 400, 3)},
            {});
        ForgetDocument();
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        EXPECT_TRUE(OpenAndWait(form, path));
        Find<QListWidget>(form, "imageList").setCurrentRow(0);
        QTest::keyClick(&Find<QListWidget>(form, "imageList"), Qt::Key_Return);
        viewer = form.OpenViewers().value(0);
        EXPECT_NE(viewer, nullptr);
        if (viewer) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer));
            EXPECT_TRUE(WaitForViewer(viewer));
        }
    }
    ~ViewerHandlingTest() override {
        form.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    const viewer::RenderPlan& Plan() const { return DrawnPlan(*viewer); }
    void Wheel(QPoint angle, Qt::KeyboardModifiers modifiers = {}, QPoint at = {100, 80}) {
        QWheelEvent event(at, Find<viewer::ViewCanvas>(*viewer, "pageView").mapToGlobal(at), {},
                          angle, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&Find<viewer::ViewCanvas>(*viewer, "pageView"), &event);
        EXPECT_TRUE(WaitForViewer(viewer));
    }
    // A key, and the work it starts waited for.
    void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
        EXPECT_TRUE(WaitForViewer(viewer));
    }
    void TypeZoom(const QString& text) {
        Find<QComboBox>(*viewer, "zoomBox").lineEdit()->clear();
        QTest::keyClicks(&Find<QComboBox>(*viewer, "zoomBox"), text);
        QTest::keyClick(&Find<QComboBox>(*viewer, "zoomBox"), Qt::Key_Return);
        EXPECT_TRUE(WaitForViewer(viewer));
    }
    void FocusPage() {
        viewer->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
        QTest::mouseClick(&Find<viewer::ViewCanvas>(*viewer, "pageView"), Qt::LeftButton, {},
                          {50, 50});
        ASSERT_EQ(QApplication::focusWidget(), &Find<viewer::ViewCanvas>(*viewer, "pageView"));
    }

    TempDir dir;
    std::string path;
    shell::MainWindow form;
    QPointer<viewer::PageViewer> viewer;
};

TEST_F(ViewerHandlingTest, TheWheelScrollsAndShiftOrATouchpadScrollsSideways) {
    ASSERT_TRUE(viewer);
    Wheel({0, -120});
    EXPECT_GT(Find<QScrollBar>(*viewer, "verticalScrollBar").value(), 0);
    EXPECT_GT(Plan().y0, 0);
    Wheel({0, 120});
    EXPECT_EQ(Find<QScrollBar>(*viewer, "verticalScrollBar").value(), 0);

    Wheel({0, -120}, Qt::ShiftModifier);
    EXPECT_GT(Find<QScrollBar>(*viewer, "horizontalScrollBar").value(), 0);
    const int32_t x0 = Plan().x0;
    QWheelEvent touchpad({100, 80},
                         Find<viewer::ViewCanvas>(*viewer, "pageView").mapToGlobal(QPoint(100, 80)),
                         {-30, 0}, {-36, 0}, Qt::NoButton, {}, Qt::ScrollUpdate, false);
    QApplication::sendEvent(&Find<viewer::ViewCanvas>(*viewer, "pageView"), &touchpad);
    EXPECT_NEAR(Plan().x0 - x0, 30 / Plan().kx, 2) << "thirty screen pixels further";
}

TEST_F(ViewerHandlingTest, CtrlWheelZoomsAroundThePointer) {
    ASSERT_TRUE(viewer);
    const QPoint at(200, 120);
    const viewer::RenderPlan before = Plan();
    const double pageX = before.x0 + at.x() / before.kx;
    const double pageY = before.y0 + at.y() / before.ky;
    Wheel({0, 120}, Qt::ControlModifier, at);
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "150%");
    EXPECT_FLOAT_EQ(Plan().zoom, 150);
    EXPECT_NEAR(Plan().x0 + at.x() / Plan().kx, pageX, 2);
    EXPECT_NEAR(Plan().y0 + at.y() / Plan().ky, pageY, 2);
    Wheel({0, -240}, Qt::ControlModifier, at);
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "75%");
    // A fine wheel's eighths of a notch zoom once for the whole notch.
    for (int part = 0; part < 8; ++part)
        Wheel({0, 15}, Qt::ControlModifier, at);
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "100%");
}

TEST_F(ViewerHandlingTest, DraggingPansThePageWithAClosedHand) {
    ASSERT_TRUE(viewer);
    viewer::ViewCanvas& page = Find<viewer::ViewCanvas>(*viewer, "pageView");
    page.show();
    QTest::mouseMove(&page, {150, 150});
    QTest::mousePress(&page, Qt::LeftButton, {}, {150, 150});
    EXPECT_EQ(page.cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseMove(&page, {110, 90});
    QTest::mouseRelease(&page, Qt::LeftButton, {}, {110, 90});
    EXPECT_NE(page.cursor().shape(), Qt::ClosedHandCursor);
    EXPECT_NEAR(Plan().x0, 40 / Plan().kx, 2) << "the page follows the hand";
    EXPECT_NEAR(Plan().y0, 60 / Plan().ky, 2);
}

// At every zoom of the list, PageDown from the top shows every row on the way to the bottom;
// End and Home go to the ends.
TEST_F(ViewerHandlingTest, PageDownPassesOverNoRowAndHomeEndGoToTheEnds) {
    ASSERT_TRUE(viewer);
    for (const QString zoom : {"400%", "200%", "100%", "50%"}) {
        SCOPED_TRACE(zoom.toStdString());
        TypeZoom(zoom);
        FocusPage();
        Key(Qt::Key_Home);
        ASSERT_EQ(Plan().y0, 0);
        int pages = 0;
        while (Find<QScrollBar>(*viewer, "verticalScrollBar").value() < viewer::kScrollUnits &&
               pages < 200) {
            const int32_t lastWholeRow =
                Plan().y0 + static_cast<int32_t>(Plan().viewHeight / Plan().ky);
            Key(Qt::Key_PageDown);
            EXPECT_LE(Plan().y0, lastWholeRow) << "after " << pages << " pages";
            ++pages;
        }
        EXPECT_GT(Plan().y0 + Plan().viewHeight / Plan().ky, kHeight - 2);
        Key(Qt::Key_Home);
        EXPECT_EQ(Find<QScrollBar>(*viewer, "verticalScrollBar").value(), 0);
        Key(Qt::Key_End);
        EXPECT_EQ(Find<QScrollBar>(*viewer, "verticalScrollBar").value(), viewer::kScrollUnits);
        Key(Qt::Key_Right);
        EXPECT_GT(Find<QScrollBar>(*viewer, "horizontalScrollBar").value(), 0);
    }
}

// The bars' thumbs show the visible share, and a bar whose axis fits the view is not usable.
TEST_F(ViewerHandlingTest, BarsStepByTheVisibleShareAndRestWhenTheAxisFits) {
    ASSERT_TRUE(viewer);
    TypeZoom("100%");
    const double shown = Plan().viewHeight / Plan().ky;
    const double share =
        double(Find<QScrollBar>(*viewer, "verticalScrollBar").pageStep()) /
        (viewer::kScrollUnits + Find<QScrollBar>(*viewer, "verticalScrollBar").pageStep());
    EXPECT_NEAR(share, shown / kHeight, 0.01);
    EXPECT_TRUE(Find<QScrollBar>(*viewer, "horizontalScrollBar").isEnabled());
    TypeZoom("10%");
    EXPECT_FALSE(Find<QScrollBar>(*viewer, "horizontalScrollBar").isEnabled());
    EXPECT_FALSE(Find<QScrollBar>(*viewer, "verticalScrollBar").isEnabled());
}

// The commands work wherever the focus is: here the zoom box has it.
TEST_F(ViewerHandlingTest, ShortcutsZoomAndFitAndTheFitLastsThroughAResize) {
    ASSERT_TRUE(viewer);
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
    Find<QComboBox>(*viewer, "zoomBox").setFocus();
    Key(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "Fit page");
    auto expectWholePage = [&] {
        EXPECT_EQ(Plan().x0, 0);
        EXPECT_EQ(Plan().y0, 0);
        EXPECT_LE(Plan().dh, Plan().viewHeight);
        EXPECT_LE(Plan().dw, Plan().viewWidth);
    };
    expectWholePage();
    viewer->resize(viewer->width() + 200, viewer->height() + 150);
    expectWholePage();
    EXPECT_GE(Plan().dh, Plan().viewHeight - 2) << "the page grew with the window";

    Key(Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "Fit width");
    EXPECT_NEAR(Plan().dw, Plan().viewWidth, 1);
    Key(Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "100%");
    Key(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "150%");
    Key(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "100%");
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").count(), 6) << "the list keeps its six entries";
}

TEST_F(ViewerHandlingTest, CtrlRTurnsThePageItselfBothWays) {
    ASSERT_TRUE(viewer);
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
    const Bitmap upright = BitmapOf(*viewer->Surface());
    Key(Qt::Key_R, Qt::ControlModifier);
    ASSERT_NE(viewer->Surface(), nullptr);
    EXPECT_EQ(viewer->Surface()->Width(), kHeight);
    EXPECT_EQ(viewer->Surface()->Height(), kWidth);
    EXPECT_EQ(viewer->Surface()->Pixel(kHeight - 1, 0) == page::kColourBlack,
              upright.At(0, 0) == 1);
    Key(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(BitmapOf(*viewer->Surface()) == upright);
}

TEST_F(ViewerHandlingTest, CtrlPageDownShowsTheNextImageAndTheMainListFollows) {
    ASSERT_TRUE(viewer);
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
    TypeZoom("200%");
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(viewer->Surface()->Width(), 1000);
    EXPECT_EQ(viewer->ImageOffset(), shell::Document().ImageOffsets.at(1));
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "200%") << "the zoom stays";
    EXPECT_EQ(form.SelectedEntry(), 1);
    EXPECT_TRUE(Find<QPlainTextEdit>(form, "tagReport").toPlainText().contains("1000"))
        << "the report follows";
    EXPECT_EQ(form.OpenViewers().size(), 1) << "in the same viewer";

    Key(Qt::Key_PageDown, Qt::ControlModifier);
    Key(Qt::Key_PageDown, Qt::ControlModifier); // past the last image: nothing
    EXPECT_EQ(viewer->Surface()->Width(), 800);
    EXPECT_EQ(form.SelectedEntry(), 2);
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(viewer->Surface()->Width(), 1000);
    EXPECT_EQ(form.SelectedEntry(), 1);
}

// The information line says which image of which file is shown, its size and the zoom, and the
// page pixel under the pointer; the ends of the file are said there, and Ctrl+Home and Ctrl+End
// go to them.
TEST_F(ViewerHandlingTest, TheInformationLineSaysWhatIsShownAndTheEndsOfTheFile) {
    ASSERT_TRUE(viewer);
    EXPECT_EQ(QApplication::focusWidget(), &Find<viewer::ViewCanvas>(*viewer, "pageView"))
        << "a new viewer's page has the keys";
    const QLabel& info = Find<QLabel>(*viewer, "infoLine");
    EXPECT_EQ(info.text(), "pages.tif  image 1 of 3  1728 x 2200 px, 215 x 285 mm  100%");
    viewer::ViewCanvas& page = Find<viewer::ViewCanvas>(*viewer, "pageView");
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 20), page.mapToGlobal(QPointF(10, 20)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&page, &move);
    // Once the rows are indexed, the place of the row's codes follows.
    EXPECT_TRUE(info.text().contains("  column " + QString::number(int(10 / Plan().kx) + 1) +
                                     ", row " + QString::number(int(20 / Plan().ky) + 1) +
                                     ", strip 0, byte "))
        << info.text().toStdString();

    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_TRUE(info.text().contains("This is the first image.")) << info.text().toStdString();
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(viewer->Surface()->Width(), 800);
    EXPECT_TRUE(info.text().startsWith("pages.tif  image 3 of 3  800 x 400 px"));
    EXPECT_EQ(form.SelectedEntry(), 2) << "the main list follows";
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_TRUE(info.text().contains("This is the last image.")) << info.text().toStdString();
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(viewer->Surface()->Width(), kWidth);
    EXPECT_FALSE(info.text().contains("This is")) << "the word lasts until the next command";
}

// The file changed on disk under the viewer: a step from an image that is no longer in it is
// refused with the reason, and one from an image still there is taken and said.
TEST_F(ViewerHandlingTest, AFileChangedOnDiskIsSaidInTheInformationLine) {
    ASSERT_TRUE(viewer);
    const QLabel& info = Find<QLabel>(*viewer, "infoLine");
    WriteFaxPages(path, {TextLikePage(500, 200, 7), TextLikePage(600, 300, 8)}, {});
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_TRUE(info.text().contains("The file changed on disk: this image is no longer in it."))
        << info.text().toStdString();
    EXPECT_EQ(viewer->Surface()->Width(), kWidth) << "the page shown stays";

    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(viewer->Surface()->Width(), 500) << "the new file's first image";
    EXPECT_TRUE(info.text().contains("image 1 of 2")) << info.text().toStdString();
    EXPECT_TRUE(info.text().contains("The file changed on disk.")) << info.text().toStdString();
    EXPECT_EQ(form.SelectedEntry(), 0) << "the main list, stale, does not follow";
    EXPECT_EQ(Find<QLabel>(form, "statusLine").text(), shell::kStatusFileChanged);
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(viewer->Surface()->Width(), 600);
    EXPECT_FALSE(info.text().contains("changed")) << "the viewer now knows the new file";
}

// F9 shows a picture of every image of the file beside the page, the image shown marked; a
// click on one shows it, and the main list follows. F9 again gives the page its room back.
TEST_F(ViewerHandlingTest, F9ShowsThePicturesOfTheFilesImagesAndAClickShowsOne) {
    ASSERT_TRUE(viewer);
    const QRect frameBefore = Find<QFrame>(*viewer, "pageFrame").geometry();
    Key(Qt::Key_F9);
    viewer::ThumbnailPanel& panel = Find<viewer::ThumbnailPanel>(*viewer, "thumbnailPanel");
    ASSERT_TRUE(panel.isVisible());
    ASSERT_EQ(panel.count(), 3);
    for (int k = 0; k < 3; ++k) {
        const QList<QSize> sizes = panel.item(k)->icon().availableSizes();
        ASSERT_FALSE(sizes.isEmpty()) << "picture " << k;
        EXPECT_LE(std::max(sizes[0].width(), sizes[0].height()), 96);
    }
    EXPECT_EQ(panel.currentRow(), 0);
    EXPECT_GT(Find<QFrame>(*viewer, "pageFrame").x(), panel.geometry().right());
    EXPECT_EQ(Find<QFrame>(*viewer, "pageFrame").geometry().right(), frameBefore.right());

    QTest::mouseClick(panel.viewport(), Qt::LeftButton, {},
                      panel.visualItemRect(panel.item(2)).center());
    ASSERT_TRUE(WaitForViewer(viewer));
    EXPECT_EQ(viewer->Surface()->Width(), 800);
    EXPECT_EQ(panel.currentRow(), 2);
    EXPECT_EQ(form.SelectedEntry(), 2);
    Key(Qt::Key_F9);
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(Find<QFrame>(*viewer, "pageFrame").geometry(), frameBefore);
}

// Ctrl+W closes the viewer; Ctrl+O asks the main window for a file.
TEST_F(ViewerHandlingTest, CtrlWClosesTheViewerAndCtrlOAsksTheMainWindow) {
    ASSERT_TRUE(viewer);
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
    int dialogs = 0;
    WhenShown<QFileDialog> reject([&](QFileDialog& dialog) {
        ++dialogs;
        dialog.reject();
    });
    QTest::keyClick(viewer, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs, 1);
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
    QPointer<viewer::PageViewer> closing = viewer;
    QTest::keyClick(viewer, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(closing && closing->isVisible());
    viewer = nullptr;
}

// A file dropped on the viewer is opened by the main window, as its open dialog would open it.
TEST_F(ViewerHandlingTest, AFileDroppedOnTheViewerOpensInTheMainWindow) {
    ASSERT_TRUE(viewer);
    const std::string other = dir.File("other.tif");
    WriteFaxPages(other, {TextLikePage(300, 100)}, {});
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(other))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewer, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewer, &drop);
    ASSERT_TRUE(WaitUntil([this] { return !form.Listing(); }));
    EXPECT_EQ(shell::Document().CurrentFile.toStdString(), other);
    EXPECT_EQ(Find<QListWidget>(form, "imageList").count(), 1);
    EXPECT_EQ(viewer->Surface()->Width(), kWidth) << "the viewer keeps its page";
}

TEST_F(ViewerHandlingTest, CtrlCPutsThePageOnTheClipboard) {
    ASSERT_TRUE(viewer);
    QGuiApplication::clipboard()->clear();
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
    FocusPage();
    Key(Qt::Key_C, Qt::ControlModifier);
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(kWidth, kHeight));
    const Bitmap page = BitmapOf(*viewer->Surface());
    Bitmap onClipboard(kWidth, kHeight);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x)
            onClipboard.At(x, y) = qGray(copied.pixel(x, y)) < 128;
    EXPECT_TRUE(onClipboard == page) << DescribeDifferences(page, onClipboard);
    EXPECT_NEAR(copied.dotsPerMeterX() * 0.0254, 204, 0.5) << "with the page's resolution";
}

// Printing to a PDF file on a worker thread: the page shown alone, or every page of the file,
// each a sheet of its own.
TEST_F(ViewerHandlingTest, PrintingPutsEachPageOnASheetOfItsOwn) {
    ASSERT_TRUE(viewer);
    for (const auto& [first, last, sheets] : {std::tuple{0, 0, 1}, std::tuple{1, 2, 2}}) {
        const std::string out = dir.File("printed" + std::to_string(sheets) + ".pdf");
        auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(out));
        viewer->PrintOn(printer, first, last);
        EXPECT_TRUE(viewer->Printing());
        ASSERT_TRUE(WaitForViewer(viewer));
        const std::vector<uint8_t> pdf = ReadFile(out);
        const std::string text(pdf.begin(), pdf.end());
        EXPECT_TRUE(text.starts_with("%PDF-"));
        std::size_t pages = 0;
        for (std::size_t at = text.find("/Type /Page\n"); at != std::string::npos;
             at = text.find("/Type /Page\n", at + 1))
            ++pages;
        EXPECT_EQ(pages, static_cast<std::size_t>(sheets));
    }
}

// The page's menu offers every command with its shortcut.
TEST_F(ViewerHandlingTest, ThePagesMenuOffersEveryCommandWithItsShortcut) {
    ASSERT_TRUE(viewer);
    QStringList offered;
    QTimer::singleShot(50, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                if (!action->isSeparator())
                    offered << action->text() + " " + action->shortcut().toString();
            menu->close();
        }
    });
    QContextMenuEvent event(
        QContextMenuEvent::Mouse, {30, 30},
        Find<viewer::ViewCanvas>(*viewer, "pageView").mapToGlobal(QPoint(30, 30)));
    QApplication::sendEvent(&Find<viewer::ViewCanvas>(*viewer, "pageView"), &event);
    EXPECT_EQ(
        offered.join(" | ").toStdString(),
        "Zoom In Ctrl++ | Zoom Out Ctrl+- | Fit Width Ctrl+2 | Fit Page Ctrl+0 | 100% Ctrl+1 | "
        "Rotate Left Ctrl+Shift+R | Rotate Right Ctrl+R | Next Image Ctrl+PgDown | "
        "Previous Image Ctrl+PgUp | First Image Ctrl+Home | Last Image Ctrl+End | "
        "Thumbnails F9 | Go to Damage F8 | Show Damaged Rows  | Show Codes of This Row  | "
        "Copy Image Ctrl+C | Print... Ctrl+P | Open... Ctrl+O | "
        "Close Ctrl+W | Quit Ctrl+Q");
}

} // namespace
} // namespace faxlens::test
