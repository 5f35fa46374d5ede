#include "shell/main_window.h"
#include "shell/program.h"
#include "support/libtiff_pages.h"
#include "support/main_window_driving.h"
#include "support/reading.h"
#include "support/tiff_builder.h"
#include "support/window_driving.h"
#include "viewer/damage_line.h"
#include "viewer/page_viewer.h"
#include "viewer/render_page.h"
#include "viewer/thumbnail_panel.h"
#include "viewer/view_navigation.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace faxlens::test {
namespace {

using page::PageStatus;
using shell::Document;

constexpr int32_t kFaxWidth = 1728;
constexpr int32_t kFaxHeight = 2200;
constexpr double kScreenDpi = 96;
constexpr double kFaxXDpi = 204; // as WriteFaxPages writes them
constexpr double kFaxYDpi = 196;

// A white page whose top-left quarter is black.
Bitmap QuarterBlackPage(int32_t width, int32_t height) {
    Bitmap page(width, height);
    for (int32_t y = 0; y < height / 2; ++y)
        for (int32_t x = 0; x < width / 2; ++x)
            page.At(x, y) = 1;
    return page;
}

// Page 1: a typed fax page; page 2: a small page, black in its top-left quarter.
std::string WriteTwoPages(const TempDir& dir) {
    const std::string path = dir.File("two.tif");
    WriteFaxPages(path, {TextLikePage(kFaxWidth, kFaxHeight), QuarterBlackPage(400, 300)}, {});
    return path;
}

void DeleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QLineEdit& ZoomEdit(viewer::PageViewer& viewer) {
    return *Find<QComboBox>(viewer, "zoomBox").lineEdit();
}

// Keys go to the zoom box, which keeps the focus and hands them to its line edit.
void TypeZoom(viewer::PageViewer& viewer, const QString& text) {
    ZoomEdit(viewer).clear();
    QTest::keyClicks(&Find<QComboBox>(viewer, "zoomBox"), text);
}

void PressEnter(QWidget& widget, Qt::Key key = Qt::Key_Return) {
    QTest::keyClick(&widget, key);
}

QStringList ListEntries(const QComboBox& combo) {
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i)
        texts << combo.itemText(i);
    return texts;
}

// The zoom that fits the page width into a view of the given width, as the viewer computes it.
float FitZoom(int32_t viewWidth, int32_t pageWidth, double xDpi) {
    return static_cast<float>((static_cast<double>(viewWidth) / pageWidth * 100) /
                              (kScreenDpi / xDpi));
}

class ViewerTest : public ::testing::Test {
protected:
    ViewerTest() : path(WriteTwoPages(dir)) { ForgetDocument(); }
    ~ViewerTest() override { DeleteClosedWindows(); }

    void ShowForm() {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        ASSERT_TRUE(OpenAndWait(form, path));
    }
    QPoint EntryCentre(int row) {
        return Find<QListWidget>(form, "imageList")
            .visualItemRect(Find<QListWidget>(form, "imageList").item(row))
            .center();
    }
    void ClickEntry(int row) {
        QTest::mouseClick(Find<QListWidget>(form, "imageList").viewport(), Qt::LeftButton, {},
                          EntryCentre(row));
    }
    void DoubleClickAt(QPoint position) {
        QTest::mouseDClick(Find<QListWidget>(form, "imageList").viewport(), Qt::LeftButton, {},
                           position);
    }
    void RightClickAt(QPoint position) {
        QContextMenuEvent event(
            QContextMenuEvent::Mouse, position,
            Find<QListWidget>(form, "imageList").viewport()->mapToGlobal(position));
        QApplication::sendEvent(Find<QListWidget>(form, "imageList").viewport(), &event);
    }
    // Opens entry `row` of the list in a viewer and returns it once its page is shown.
    viewer::PageViewer* OpenEntry(int row) {
        const qsizetype before = form.OpenViewers().size();
        DoubleClickAt(EntryCentre(row));
        const QList<viewer::PageViewer*> viewers = form.OpenViewers();
        viewer::PageViewer* opened = viewers.size() == before + 1 ? viewers.last() : nullptr;
        return WaitForViewer(opened) ? opened : nullptr;
    }
    int32_t Offset(int row) const { return Document().ImageOffsets.at(row); }

    TempDir dir;
    std::string path;
    shell::MainWindow form;
};

// The viewer of entry `row` reads the image at its offset: its surface has that page's size.
void ExpectShowsPage(const viewer::PageViewer* viewer, int32_t width, int32_t height) {
    ASSERT_TRUE(WaitForViewer(viewer));
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->windowTitle(), "TIF Viewer");
    EXPECT_EQ(viewer->Status(), page::PageStatus::Decoded);
    ASSERT_NE(viewer->Surface(), nullptr);
    EXPECT_EQ(viewer->Surface()->Width(), width);
    EXPECT_EQ(viewer->Surface()->Height(), height);
    EXPECT_TRUE(DrawnPlan(*viewer).draws);
}

// ---- opening from the main window ----

TEST_F(ViewerTest, DoubleClickOnAnEntryOpensItsImage) {
    ShowForm();
    viewer::PageViewer* viewer = OpenEntry(1);
    ExpectShowsPage(viewer, 400, 300);
    EXPECT_EQ(form.SelectedEntry(), 1);
    EXPECT_TRUE(viewer->isWindow());
    EXPECT_TRUE(viewer->testAttribute(Qt::WA_DeleteOnClose));
}

TEST_F(ViewerTest, ActionsBesideTheEntriesDoNothing) {
    ShowForm();
    const QPoint beside(5, Find<QListWidget>(form, "imageList").viewport()->height() - 3);
    DoubleClickAt(beside);
    RightClickAt(beside);
    EXPECT_FALSE(Find<QMenu>(form, "imageListMenu").isVisible());
    EXPECT_TRUE(form.OpenViewers().isEmpty());
    EXPECT_EQ(form.SelectedEntry(), -1);
}

TEST_F(ViewerTest, EnterOpensTheSelectedEntry) {
    ShowForm();
    Find<QListWidget>(form, "imageList").setFocus();
    PressEnter(Find<QListWidget>(form, "imageList"));
    EXPECT_TRUE(form.OpenViewers().isEmpty()) << "no entry selected";

    ClickEntry(0);
    PressEnter(Find<QListWidget>(form, "imageList"));
    ASSERT_EQ(form.OpenViewers().size(), 1);
    ExpectShowsPage(form.OpenViewers().last(), kFaxWidth, kFaxHeight);

    ClickEntry(1);
    PressEnter(Find<QListWidget>(form, "imageList"), Qt::Key_Enter);
    ASSERT_EQ(form.OpenViewers().size(), 2);
    ExpectShowsPage(form.OpenViewers().last(), 400, 300);
}

TEST_F(ViewerTest, ContextMenuSelectsTheEntryAndViewImageOpensIt) {
    ShowForm();
    RightClickAt(EntryCentre(1));
    EXPECT_TRUE(Find<QMenu>(form, "imageListMenu").isVisible());
    EXPECT_EQ(form.SelectedEntry(), 1);
    ASSERT_TRUE(Find<QMenu>(form, "imageListMenu")
                    .actions()
                    .contains(&Find<QAction>(form, "viewImageAction")));
    EXPECT_EQ(Find<QAction>(form, "viewImageAction").text(), "View Image");
    Find<QAction>(form, "viewImageAction").trigger();
    Find<QMenu>(form, "imageListMenu").hide();
    ASSERT_EQ(form.OpenViewers().size(), 1);
    ExpectShowsPage(form.OpenViewers().last(), 400, 300);
}

// While a file is listed its list is empty: nothing can be chosen, and nothing opens.
TEST_F(ViewerTest, NothingOpensWhileAFileIsRead) {
    ShowForm();
    ClickEntry(0);
    form.OpenTifFile(QString::fromStdString(path));
    ASSERT_TRUE(form.Listing());
    RightClickAt(EntryCentre(1));
    EXPECT_FALSE(Find<QMenu>(form, "imageListMenu").isVisible());
    EXPECT_EQ(form.SelectedEntry(), -1);
    PressEnter(Find<QListWidget>(form, "imageList"));
    Find<QAction>(form, "viewImageAction").trigger();
    DoubleClickAt(EntryCentre(1));
    EXPECT_TRUE(form.OpenViewers().isEmpty());
    EXPECT_TRUE(WaitUntil([this] { return !form.Listing(); }));
}

// ---- the layout of the window ----

TEST(ViewFormLayout, TwipGeometryAt96Dpi) {
    viewer::PageViewer viewer("", 0);
    ASSERT_EQ(viewer.logicalDpiX(), 96);
    EXPECT_EQ(viewer.windowTitle(), "TIF Viewer");
    EXPECT_EQ(viewer.size(), QSize(457, 358)) << "with the information line below";
    EXPECT_LT(viewer.minimumSize().width(), viewer.maximumSize().width()) << "sizable";
    EXPECT_EQ(viewer.font().family(), "Tahoma");
    EXPECT_EQ(viewer.font().pointSizeF(), 8.25);

    EXPECT_EQ(Find<QLabel>(viewer, "zoomLabel").geometry(), QRect(9, 9, 91, 16));
    EXPECT_EQ(Find<QComboBox>(viewer, "zoomBox").geometry(), QRect(60, 6, 76, 21));
    EXPECT_EQ(Find<QPushButton>(viewer, "saveG3Button").geometry(), QRect(162, 6, 127, 22));
    EXPECT_EQ(Find<QPushButton>(viewer, "saveG4Button").geometry(), QRect(303, 6, 127, 22));
    EXPECT_EQ(Find<QFrame>(viewer, "pageFrame").geometry(), QRect(6, 33, 427, 283));
    EXPECT_EQ(Find<viewer::ViewCanvas>(viewer, "pageView").geometry(), QRect(6, 6, 376, 253));
    EXPECT_EQ(Find<viewer::ViewCanvas>(viewer, "pageView").parentWidget(),
              &Find<QFrame>(viewer, "pageFrame"));
    EXPECT_EQ(Find<QScrollBar>(viewer, "horizontalScrollBar").geometry(), QRect(6, 318, 427, 16));
    EXPECT_EQ(Find<QScrollBar>(viewer, "verticalScrollBar").geometry(), QRect(435, 33, 16, 283));
    EXPECT_EQ(Find<QLabel>(viewer, "infoLine").geometry(), QRect(6, 337, 445, 17));

    EXPECT_EQ(Find<QLabel>(viewer, "zoomLabel").text(), "Zoom:");
    EXPECT_TRUE(Find<QComboBox>(viewer, "zoomBox").isEditable());
    EXPECT_EQ(Find<QComboBox>(viewer, "zoomBox").currentText(), "100%");
    EXPECT_EQ(Find<QComboBox>(viewer, "zoomBox").insertPolicy(), QComboBox::NoInsert);
    for (const QPushButton* button :
         {&Find<QPushButton>(viewer, "saveG3Button"), &Find<QPushButton>(viewer, "saveG4Button")})
        EXPECT_TRUE(button->isCheckable() && button->font().bold());
    EXPECT_EQ(Find<QPushButton>(viewer, "saveG3Button").text(), "Save As TIF (G3)...");
    EXPECT_EQ(Find<QPushButton>(viewer, "saveG4Button").text(), "Save As TIF (G4)...");
    for (const QScrollBar* bar : {&Find<QScrollBar>(viewer, "horizontalScrollBar"),
                                  &Find<QScrollBar>(viewer, "verticalScrollBar")})
        EXPECT_TRUE(bar->minimum() == 0 && bar->maximum() == viewer::kScrollUnits) << "0 to 100 %";
    EXPECT_EQ(Find<viewer::ViewCanvas>(viewer, "pageView").BackColor(), 0x8000000Cu);
}

// The widgets that Tab visits from the zoom box on, by name.
QStringList TabStops(viewer::PageViewer& viewer, int count) {
    const std::map<const QWidget*, QString> names = {
        {Find<QComboBox>(viewer, "zoomBox").lineEdit(), "zoomBox"},
        {&Find<QComboBox>(viewer, "zoomBox"), "zoomBox"},
        {&Find<QPushButton>(viewer, "saveG3Button"), "saveG3Button"},
        {&Find<QPushButton>(viewer, "saveG4Button"), "saveG4Button"},
        {&Find<QScrollBar>(viewer, "horizontalScrollBar"), "horizontalScrollBar"},
        {&Find<QScrollBar>(viewer, "verticalScrollBar"), "verticalScrollBar"},
        {&Find<viewer::ViewCanvas>(viewer, "pageView"), "pageView"}};
    QStringList stops;
    Find<QComboBox>(viewer, "zoomBox").setFocus();
    for (int i = 0; i < count; ++i) {
        const auto name = names.find(QApplication::focusWidget());
        stops << (name == names.end() ? QStringLiteral("?") : name->second);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return stops;
}

// Tab goes from the page through the controls and back to the page.
TEST_F(ViewerTest, TabGoesPageZoomG3BarsG4) {
    ShowForm();
    viewer::PageViewer* opened = OpenEntry(0);
    ASSERT_NE(opened, nullptr);
    viewer::PageViewer& viewer = *opened;
    viewer.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer));
    EXPECT_EQ(TabStops(viewer, 7),
              QStringList({"zoomBox", "saveG3Button", "verticalScrollBar", "horizontalScrollBar",
                           "saveG4Button", "pageView", "zoomBox"}));
}

TEST(ViewFormLayout, ResizeKeepsScrollBarsAtTheClientEdges) {
    viewer::PageViewer viewer("", 0);
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    viewer.resize(457, 358); // the starting client area, 6855 x 5370 twips
    EXPECT_EQ(Find<QScrollBar>(viewer, "verticalScrollBar").x(), 435);    // 6525 twips
    EXPECT_EQ(Find<QScrollBar>(viewer, "horizontalScrollBar").y(), 318);  // 4770 twips
    EXPECT_EQ(Find<QFrame>(viewer, "pageFrame").size(), QSize(423, 279)); // 6345 x 4185 twips
    EXPECT_EQ(Find<QFrame>(viewer, "pageFrame").pos(), QPoint(6, 33));
    EXPECT_EQ(Find<QScrollBar>(viewer, "verticalScrollBar").geometry(), QRect(435, 33, 16, 279));
    EXPECT_EQ(Find<QScrollBar>(viewer, "horizontalScrollBar").geometry(), QRect(6, 318, 423, 16));

    viewer.resize(600, 518);
    EXPECT_EQ(Find<QScrollBar>(viewer, "verticalScrollBar").geometry(), QRect(578, 33, 16, 439));
    EXPECT_EQ(Find<QScrollBar>(viewer, "horizontalScrollBar").geometry(), QRect(6, 478, 566, 16));
    EXPECT_EQ(Find<QFrame>(viewer, "pageFrame").size(), QSize(566, 439));
}

TEST(ViewFormLayout, ATinyWindowGetsNoNegativeOrZeroSizes) {
    viewer::PageViewer viewer("", 0);
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    viewer.resize(30, 30);
    ASSERT_LT(viewer.width(), 100);
    for (const QWidget* control :
         {static_cast<QWidget*>(&Find<QFrame>(viewer, "pageFrame")),
          static_cast<QWidget*>(&Find<QScrollBar>(viewer, "horizontalScrollBar")),
          static_cast<QWidget*>(&Find<QScrollBar>(viewer, "verticalScrollBar"))}) {
        EXPECT_GE(control->width(), 1);
        EXPECT_GE(control->height(), 1);
        EXPECT_GE(control->x(), 0);
        EXPECT_GE(control->y(), 0);
    }
    EXPECT_EQ(Find<QFrame>(viewer, "pageFrame").size(), QSize(1, 1));
    viewer.resize(457, 358);
    EXPECT_EQ(Find<QFrame>(viewer, "pageFrame").size(), QSize(423, 279));
}

// ---- loading ----

TEST_F(ViewerTest, LoadFillsTheZoomListWithoutSelectingAnEntry) {
    ShowForm();
    viewer::PageViewer* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(ListEntries(Find<QComboBox>(*viewer, "zoomBox")),
              QStringList({"400%", "200%", "100%", "50%", "25%", "10%"}));
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "100%");
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentIndex(), -1);
    EXPECT_TRUE(viewer->windowIcon().availableSizes().contains(QSize(32, 32)));
    EXPECT_EQ(Find<QFrame>(*viewer, "pageFrame").palette().color(QPalette::Window).rgb(),
              Find<viewer::ViewCanvas>(*viewer, "pageView").palette().color(QPalette::Dark).rgb());
    EXPECT_TRUE(Find<QPushButton>(*viewer, "saveG3Button").isEnabled());

    const viewer::RenderPlan& plan = DrawnPlan(*viewer);
    EXPECT_FLOAT_EQ(plan.zoom, 100);
    EXPECT_NEAR(plan.kx, kScreenDpi / kFaxXDpi, 1e-9);
    EXPECT_NEAR(plan.ky, kScreenDpi / kFaxYDpi, 1e-9);
    EXPECT_EQ(plan.x0, 0);
    EXPECT_EQ(plan.y0, 0);
}

TEST_F(ViewerTest, RefreshFitsTheViewToTheFrameThenEnlargesItToTheScreen) {
    ShowForm();
    viewer::PageViewer* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    viewer->ApplyChosenZoom();
    const viewer::RenderPlan& plan = DrawnPlan(*viewer);
    EXPECT_EQ(plan.viewWidth, Find<QFrame>(*viewer, "pageFrame").width() - 12);
    EXPECT_EQ(plan.viewHeight, Find<QFrame>(*viewer, "pageFrame").height() - 12);
    EXPECT_EQ(Find<viewer::ViewCanvas>(*viewer, "pageView").size(),
              viewer->screen()->geometry().size());
    EXPECT_EQ(Find<viewer::ViewCanvas>(*viewer, "pageView").Picture().size(),
              QSize(plan.drawWidth, plan.drawHeight));
}

// ---- zoom ----

TEST_F(ViewerTest, TypedZoomRedrawsOnlyOnEnter) {
    ShowForm();
    viewer::PageViewer* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    TypeZoom(*viewer, "150");
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "150");
    EXPECT_FLOAT_EQ(DrawnPlan(*viewer).zoom, 100);

    PressEnter(Find<QComboBox>(*viewer, "zoomBox"));
    EXPECT_FLOAT_EQ(DrawnPlan(*viewer).zoom, 150);
    EXPECT_NEAR(DrawnPlan(*viewer).kx, 1.5 * kScreenDpi / kFaxXDpi, 1e-9);
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").count(), 6) << "Enter adds no entry";
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "150");

    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
    Find<QComboBox>(*viewer, "zoomBox").setFocus();
    TypeZoom(*viewer, "25%");
    Find<QPushButton>(*viewer, "saveG3Button")
        .setFocus(); // leaving the box is no Enter, even for a text from the list
    ASSERT_FALSE(Find<QComboBox>(*viewer, "zoomBox").hasFocus());
    EXPECT_FLOAT_EQ(DrawnPlan(*viewer).zoom, 150);

    TypeZoom(*viewer, "12.5 %");
    PressEnter(Find<QComboBox>(*viewer, "zoomBox"), Qt::Key_Enter);
    EXPECT_FLOAT_EQ(DrawnPlan(*viewer).zoom, 12.5f);
}

TEST_F(ViewerTest, ChoosingAListEntryRedrawsAtOnce) {
    ShowForm();
    viewer::PageViewer* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    Find<QComboBox>(*viewer, "zoomBox").showPopup();
    QAbstractItemView* list = Find<QComboBox>(*viewer, "zoomBox").view();
    ASSERT_TRUE(list->isVisible());
    const QRect entry = list->visualRect(list->model()->index(4, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "25%");
    EXPECT_FLOAT_EQ(DrawnPlan(*viewer).zoom, 25);
}

TEST_F(ViewerTest, AWordOrZeroFitsThePageWidth) {
    ShowForm();
    viewer::PageViewer* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    for (const char* text : {"wide", "0", "-40%"}) {
        TypeZoom(*viewer, text);
        PressEnter(Find<QComboBox>(*viewer, "zoomBox"));
        const viewer::RenderPlan& plan = DrawnPlan(*viewer);
        EXPECT_FLOAT_EQ(plan.zoom, FitZoom(plan.viewWidth, kFaxWidth, kFaxXDpi)) << text;
        EXPECT_NEAR(plan.dw, plan.viewWidth, 1) << text;
        EXPECT_EQ(plan.x1, kFaxWidth - 1) << text;
    }
}

// ---- scrolling ----

TEST_F(ViewerTest, ScrollChangesRedrawFromANewOrigin) {
    ShowForm();
    viewer::PageViewer* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    Find<QScrollBar>(*viewer, "horizontalScrollBar").setValue(viewer::kScrollUnits / 2);
    viewer::RenderPlan plan = DrawnPlan(*viewer);
    const double kx = kScreenDpi / kFaxXDpi;
    const double ky = kScreenDpi / kFaxYDpi;
    EXPECT_EQ(plan.x0, std::lround(((kFaxWidth - 1) - plan.viewWidth / kx) * 0.5));
    EXPECT_GT(plan.x0, 0);
    EXPECT_EQ(plan.y0, 0);

    Find<QScrollBar>(*viewer, "verticalScrollBar").setValue(viewer::kScrollUnits);
    plan = DrawnPlan(*viewer);
    EXPECT_EQ(plan.y0, std::lround((kFaxHeight - 1) - plan.viewHeight / ky));
    EXPECT_GT(plan.y0, 0);

    Find<QScrollBar>(*viewer, "verticalScrollBar")
        .triggerAction(QAbstractSlider::SliderPageStepSub);
    const int value = Find<QScrollBar>(*viewer, "verticalScrollBar").value();
    EXPECT_EQ(value,
              viewer::kScrollUnits - Find<QScrollBar>(*viewer, "verticalScrollBar").pageStep());
    EXPECT_EQ(DrawnPlan(*viewer).y0, std::lround(((kFaxHeight - 1) - plan.viewHeight / ky) * value /
                                                 viewer::kScrollUnits));
}

// ---- what the view shows ----

TEST_F(ViewerTest, TheViewShowsThePagePixelsOnTheWorkspaceColour) {
    ShowForm();
    viewer::PageViewer* viewer = OpenEntry(1); // 400 x 300, the top-left quarter black
    ASSERT_NE(viewer, nullptr);
    const viewer::RenderPlan& plan = DrawnPlan(*viewer);
    ASSERT_EQ(plan.dw + 1, 189); // 400 x 300 pixels at 204 x 196 dpi on a 96 dpi screen
    ASSERT_EQ(plan.dh + 1, 147);
    const QImage shot =
        Find<viewer::ViewCanvas>(*viewer, "pageView").grab(QRect(0, 0, 380, 250)).toImage();
    const QRgb workspace =
        Find<viewer::ViewCanvas>(*viewer, "pageView").palette().color(QPalette::Dark).rgb();
    EXPECT_LT(qGray(shot.pixel(20, 20)), 40) << "black quarter";
    EXPECT_LT(qGray(shot.pixel(90, 70)), 40);
    EXPECT_GT(qGray(shot.pixel(150, 20)), 220) << "white part of the page";
    EXPECT_GT(qGray(shot.pixel(20, 120)), 220);
    EXPECT_EQ(shot.pixel(300, 100), workspace) << "beside the page";
    EXPECT_EQ(shot.pixel(100, 200), workspace) << "below the page";
}

// Only what the frame shows is scaled, and a larger window draws again: a fit-width page takes
// the new width, and the part of the page that the old frame did not show is drawn.
TEST_F(ViewerTest, AResizedWindowShowsThePageAnew) {
    ShowForm();
    viewer::PageViewer* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    TypeZoom(*viewer, "fit");
    PressEnter(Find<QComboBox>(*viewer, "zoomBox"));
    const viewer::RenderPlan before = DrawnPlan(*viewer);
    const int frameHeight = Find<QFrame>(*viewer, "pageFrame").height();
    const QRgb workspace =
        Find<viewer::ViewCanvas>(*viewer, "pageView").palette().color(QPalette::Dark).rgb();
    const QPoint belowTheFrame(20, frameHeight + 40); // on the page's white margin
    ASSERT_GT(before.dh + 1, belowTheFrame.y()) << "the drawing reaches past the frame";
    EXPECT_EQ(Find<viewer::ViewCanvas>(*viewer, "pageView").Picture().pixel(belowTheFrame),
              workspace)
        << "not scaled where the frame does not show it";

    viewer->resize(viewer->width() + 200, viewer->height() + 100);
    const viewer::RenderPlan after = DrawnPlan(*viewer);
    EXPECT_EQ(after.viewWidth, before.viewWidth + 200);
    EXPECT_FLOAT_EQ(after.zoom, FitZoom(after.viewWidth, kFaxWidth, kFaxXDpi));
    EXPECT_GT(qGray(Find<viewer::ViewCanvas>(*viewer, "pageView").Picture().pixel(belowTheFrame)),
              220)
        << "the newly shown part is drawn";
}

// Requests that come before the window gets to drawing are drawn once, at the last of them.
TEST_F(ViewerTest, RequestsThatComeTogetherAreDrawnOnceAtTheLast) {
    ShowForm();
    viewer::PageViewer* viewer = OpenEntry(0);
    viewer::PageViewer* reference = OpenEntry(0);
    ASSERT_TRUE(WaitForViewer(viewer));
    TypeZoom(*reference, "10%");
    reference->ApplyChosenZoom();

    TypeZoom(*viewer, "400%");
    viewer->ApplyChosenZoom();
    TypeZoom(*viewer, "10%");
    viewer->ApplyChosenZoom();
    EXPECT_FLOAT_EQ(viewer->LastRenderPlan().zoom, 100)
        << "nothing drawn before the window gets to it";

    EXPECT_FLOAT_EQ(DrawnPlan(*viewer).zoom, 10);
    ASSERT_TRUE(WaitForViewer(reference));
    EXPECT_EQ(Find<viewer::ViewCanvas>(*viewer, "pageView").Picture(),
              Find<viewer::ViewCanvas>(*reference, "pageView").Picture());
}

// ---- several viewers ----

TEST_F(ViewerTest, TwoViewersClosedFirstToLastEachKeepTheirPage) {
    ShowForm();
    QPointer<viewer::PageViewer> first = OpenEntry(0);
    QPointer<viewer::PageViewer> second = OpenEntry(1);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->Surface(), second->Surface());

    first->close();
    EXPECT_EQ(first->Surface(), nullptr);
    DeleteClosedWindows();
    EXPECT_TRUE(first.isNull());

    Find<QScrollBar>(*second, "horizontalScrollBar")
        .setValue(viewer::kScrollUnits); // still draws its own page
    EXPECT_TRUE(DrawnPlan(*second).draws);
    EXPECT_EQ(DrawnPlan(*second).x1, 399);
    second->close();
}

TEST_F(ViewerTest, TwoViewersClosedLastToFirstEachKeepTheirPage) {
    ShowForm();
    QPointer<viewer::PageViewer> first = OpenEntry(0);
    QPointer<viewer::PageViewer> second = OpenEntry(1);
    ASSERT_TRUE(first && second);

    second->close();
    DeleteClosedWindows();
    ASSERT_NE(first->Surface(), nullptr);
    EXPECT_EQ(first->Surface()->Width(), kFaxWidth);
    Find<QScrollBar>(*first, "verticalScrollBar").setValue(viewer::kScrollUnits);
    EXPECT_EQ(DrawnPlan(*first).y1, kFaxHeight - 1);
    EXPECT_GT(DrawnPlan(*first).y0, 0);

    first->close();
    EXPECT_TRUE(form.OpenViewers().isEmpty());
}

TEST_F(ViewerTest, ClosingAndReopeningMakesANewSurface) {
    ShowForm();
    QPointer<viewer::PageViewer> viewer = OpenEntry(0);
    ASSERT_TRUE(viewer);
    viewer->close();
    DeleteClosedWindows();
    EXPECT_TRUE(viewer.isNull());

    viewer::PageViewer* again = OpenEntry(0);
    ExpectShowsPage(again, kFaxWidth, kFaxHeight);
}

TEST_F(ViewerTest, OpeningAnotherFileForgetsTheSurfaceButTheViewerKeepsIt) {
    ShowForm();
    viewer::PageViewer* viewer = OpenEntry(1);
    ASSERT_NE(viewer, nullptr);
    ForgetDocument();
    ASSERT_NE(viewer->Surface(), nullptr);
    viewer->ApplyChosenZoom();
    EXPECT_TRUE(DrawnPlan(*viewer).draws);
    viewer->close();
    EXPECT_EQ(viewer->Surface(), nullptr);
}

// The decode of a closed window is of no use: it is cancelled, and the window goes at once.
TEST_F(ViewerTest, ACloseWhileThePageDecodesCancelsTheDecode) {
    ShowForm();
    QPointer<viewer::PageViewer> viewer = viewer::PageViewer::Open(path, Offset(0));
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible()) << "the window shows while its page decodes";
    EXPECT_FALSE(viewer->Idle());
    viewer->close();
    EXPECT_TRUE(viewer->Idle());
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_EQ(viewer->Surface(), nullptr);
    DeleteClosedWindows();
    EXPECT_TRUE(viewer.isNull());
}

// Esc cancels the work under way: a page whose decoding is cancelled says so instead of showing
// an empty view, and the window stays.
TEST_F(ViewerTest, EscCancelsTheDecodeAndTheViewSaysSo) {
    ShowForm();
    QPointer<viewer::PageViewer> viewer = viewer::PageViewer::Open(path, Offset(0));
    QAction& close = Find<QAction>(*viewer, "closeAction");
    EXPECT_TRUE(close.shortcuts().contains(QKeySequence(Qt::Key_Escape)));
    ASSERT_FALSE(viewer->Idle());
    close.trigger(); // Esc, while the page decodes
    ASSERT_TRUE(WaitForViewer(viewer));
    EXPECT_EQ(viewer->Surface(), nullptr);
    EXPECT_EQ(viewer->MessageText(), "Opening the page was cancelled.");
    EXPECT_TRUE(viewer->isVisible());
    close.trigger(); // Esc, with no work under way
    EXPECT_FALSE(viewer->isVisible());
    DeleteClosedWindows();
}

// ---- pages that cannot be shown ----

struct PageFile {
    std::string path;
    int64_t ifdOffset;
};

PageFile WriteSizedPage(const TempDir& dir, const std::string& name, bool withSize) {
    return {dir.File(name), WriteUnshowableSizePage(dir.File(name), withSize)};
}

QPointer<viewer::PageViewer> OpenViewer(const PageFile& file) {
    return OpenViewerAndWait(file.path, file.ifdOffset);
}

bool ShowsSomethingBesidesTheBackground(viewer::PageViewer& viewer) {
    const QImage shot =
        Find<viewer::ViewCanvas>(viewer, "pageView").grab(QRect(0, 0, 300, 40)).toImage();
    const QRgb background =
        Find<viewer::ViewCanvas>(viewer, "pageView").palette().color(QPalette::Dark).rgb();
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) != background)
                return true;
    return false;
}

TEST(ViewFormMessages, PagesWithoutASurfaceSaySoInWords) {
    TempDir dir;
    const struct {
        bool withSize;
        page::PageStatus status;
        const char* message;
    } cases[] = {
        {true, page::PageStatus::TooLarge,
         "This page is too large to show: 100000 x 100000 pixels."},
        {false, page::PageStatus::NoSize, "This page has no usable width and height."},
    };
    for (const auto& c : cases) {
        QPointer<viewer::PageViewer> viewer =
            OpenViewer(WriteSizedPage(dir, "page.tif", c.withSize));
        ASSERT_TRUE(viewer);
        EXPECT_EQ(viewer->Status(), c.status);
        EXPECT_EQ(viewer->MessageText(), c.message);
        EXPECT_EQ(viewer->Surface(), nullptr);
        EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG3Button").isEnabled());
        EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG4Button").isEnabled());
        EXPECT_FALSE(DrawnPlan(*viewer).draws);
        EXPECT_TRUE(ShowsSomethingBesidesTheBackground(*viewer)) << c.message;
        Find<QScrollBar>(*viewer, "horizontalScrollBar")
            .setValue(viewer::kScrollUnits / 3); // draws the message again, and no page
        EXPECT_TRUE(ShowsSomethingBesidesTheBackground(*viewer)) << c.message;
        // Its picture in the side panel is a placeholder that says the same.
        viewer->ShowThumbnails(true);
        ASSERT_TRUE(WaitForViewer(viewer));
        const auto& panel = Find<viewer::ThumbnailPanel>(*viewer, "thumbnailPanel");
        ASSERT_EQ(panel.count(), 1);
        EXPECT_EQ(panel.item(0)->toolTip(), c.message);
        EXPECT_FALSE(panel.item(0)->icon().isNull());
        delete viewer.data();
    }
}

// ---- rendering pieces ----

TEST(RenderPage, AViewWithoutWidthDrawsNothing) {
    std::vector<uint8_t> plane(100 * 100, 0);
    viewer::ViewCanvas view;
    view.resize(0, 50);
    viewer::RenderPage(viewer::PixelSource{plane.data(), 100, 100, 100, 1}, view, 0, 204, 196, 0,
                       0);
    EXPECT_FALSE(view.ShownPlan().draws);
    EXPECT_EQ(view.size(), QSize(0, 50));
}

TEST(RenderPage, TiledCopyLaysTheBandsEdgeToEdge) {
    // 2500 source columns are three bands (1000, 1000, 500) onto 100, 100 and 50 pixels.
    constexpr int32_t kWidth = 2500;
    std::vector<uint8_t> plane(kWidth * 2, 255);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 1250; ++x)
            plane[y * kWidth + x] = 0;
    QImage target(260, 1, QImage::Format_RGB888);
    target.fill(Qt::red);
    ASSERT_TRUE(viewer::TiledStretchCopy(viewer::PixelSource{plane.data(), kWidth, 2, kWidth, 1},
                                         target, 0, 0, kWidth - 1, 1, 0, 0, 250, 1));
    EXPECT_EQ(QColor(target.pixel(0, 0)), QColor(Qt::black));
    EXPECT_EQ(QColor(target.pixel(124, 0)), QColor(Qt::black));
    EXPECT_EQ(QColor(target.pixel(125, 0)), QColor(Qt::white));
    EXPECT_EQ(QColor(target.pixel(249, 0)), QColor(Qt::white));
    EXPECT_EQ(QColor(target.pixel(250, 0)), QColor(Qt::red)) << "nothing beyond the destination";

    QImage wrongFormat(10, 10, QImage::Format_ARGB32);
    EXPECT_FALSE(viewer::TiledStretchCopy(viewer::PixelSource{plane.data(), kWidth, 2, kWidth, 1},
                                          wrongFormat, 0, 0, 9, 1, 0, 0, 10, 10));
}

TEST(RenderPage, ScreenMetricsComeFromTheViewsScreen) {
    QWidget widget;
    const viewer::ScreenMetrics metrics = viewer::GetScreenMetrics(widget);
    EXPECT_EQ(metrics.horzRes, widget.screen()->geometry().width());
    EXPECT_EQ(metrics.vertRes, widget.screen()->geometry().height());
    EXPECT_EQ(metrics.logPixelsX, 96);
    EXPECT_EQ(metrics.logPixelsY, 96);
    EXPECT_DOUBLE_EQ(metrics.twipsPerPixelX, 15);
    EXPECT_DOUBLE_EQ(metrics.twipsPerPixelY, 15);
}

// A palette whose roles all differ, so that a wrong role shows.
QPalette DistinctPalette() {
    QPalette palette;
    for (int role = 0; role < QPalette::NColorRoles; ++role)
        palette.setColor(static_cast<QPalette::ColorRole>(role), QColor(role, 100 + role, 200));
    return palette;
}

struct SystemColourCase {
    page::ColourValue colour;
    QPalette::ColorRole role;
};

TEST(ResolveColour, SystemColoursTakeThePalettesRoles) {
    const QPalette palette = DistinctPalette();
    const SystemColourCase cases[] = {
        {0x8000000C, QPalette::Dark},
        {0x80000005, QPalette::Base},
        {0x80000008, QPalette::Text},
        {0x8000000F, QPalette::Button},
        {0x80000012, QPalette::ButtonText},
        {0x8000000D, QPalette::Highlight},
        {0x8000000E, QPalette::HighlightedText},
        {0x80000010, QPalette::Dark},
        {0x80000014, QPalette::Light},
        {0x80000015, QPalette::Shadow},
        {0x800000FF, QPalette::Window},
        {0x80001F0C, QPalette::Dark},
    };
    for (const SystemColourCase& c : cases)
        EXPECT_EQ(viewer::ToQColor(viewer::ResolveColour(c.colour, palette)), palette.color(c.role))
            << std::hex << c.colour;
}

TEST(ResolveColour, RgbValuesStayAsTheyAre) {
    const QPalette palette = DistinctPalette();
    for (page::ColourValue colour : {0x000000u, 0xFFFFFFu, 0x0000FFu, 0x123456u, 0x7FFFFFFFu})
        EXPECT_EQ(viewer::ResolveColour(colour, palette), colour) << std::hex << colour;
    EXPECT_EQ(viewer::ToQColor(0x0000FF), QColor(255, 0, 0)) << "red in the low byte";
    EXPECT_EQ(viewer::ToQColor(0x123456), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(viewer::ToColourValue(QColor(0x56, 0x34, 0x12)), 0x123456u);
}

// ---- the zoom text ----

TEST(ParseNumberPrefix, OnlyAsciiDigitsCount) {
    EXPECT_DOUBLE_EQ(viewer::ParseNumberPrefix(QString::fromUtf8("\u0661\u0662")),
                     0); // Arabic-Indic
    EXPECT_TRUE(std::isinf(viewer::ParseNumberPrefix(QString(400, u'9'))));
}

// ---- pages of other senders, and pages that cannot be shown ----

// The page model names every reason; the window shows its words in place of the page.
// A damaged page is shown as decoded, with a line of its own above the page saying so: the page
// takes the rest of the frame's height, and every row of it can be scrolled into view, the first
// included.
TEST(ViewFormMessages, ADamagedPageSaysSoInAStripOfItsOwnAboveThePage) {
    TempDir dir;
    WriteDamagedFaxPage(dir.File("damaged.tif"));
    WriteFaxPages(dir.File("sound.tif"), {TextLikePage(1728, 300)}, {});
    QPointer<viewer::PageViewer> damaged =
        OpenViewer({dir.File("damaged.tif"), ImageOffsetsOf(dir.File("damaged.tif")).at(0)});
    QPointer<viewer::PageViewer> sound =
        OpenViewer({dir.File("sound.tif"), ImageOffsetsOf(dir.File("sound.tif")).at(0)});
    ASSERT_TRUE(damaged && sound);
    viewer::DamageLine& line = Find<viewer::DamageLine>(*damaged, "damageLine");
    EXPECT_TRUE(line.Text().startsWith("Damaged page: rows ")) << line.Text().toStdString();
    EXPECT_TRUE(line.Text().contains("(bad code in strip 1 at byte "));
    EXPECT_TRUE(DrawnPlan(*damaged).draws) << "the page is shown as decoded";
    EXPECT_TRUE(Find<QPushButton>(*damaged, "saveG3Button").isEnabled()) << "and may be saved";
    EXPECT_TRUE(Find<viewer::DamageLine>(*sound, "damageLine").isHidden());

    const QRect frame = Find<QFrame>(*damaged, "pageFrame").geometry();
    const QRect soundFrame = Find<QFrame>(*sound, "pageFrame").geometry();
    EXPECT_EQ(line.geometry().top(), soundFrame.top());
    EXPECT_EQ(line.geometry().bottom() + 1, frame.top()) << "the page starts below the line";
    EXPECT_EQ(frame.bottom(), soundFrame.bottom());
    EXPECT_EQ(Find<QScrollBar>(*damaged, "verticalScrollBar").geometry().top(), frame.top());
    EXPECT_EQ(DrawnPlan(*damaged).y0, 0) << "the first row is in view";
    const QImage shot = line.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(1, 1)), QColor(0xFF, 0xF1, 0xB8)) << "the band is drawn";
    delete damaged.data();
    delete sound.data();
}

TEST(ViewFormMessages, AnUnsupportedPageShowsItsProblem) {
    TempDir dir;
    const UnsupportedPage page = WriteUnsupportedPages(dir.Path()).at(0);
    QPointer<viewer::PageViewer> viewer = OpenViewer({page.path, page.ifdOffset});
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->Status(), page::PageStatus::Unsupported);
    EXPECT_EQ(viewer->MessageText(), QString::fromStdString(page.problem));
    EXPECT_EQ(viewer->Surface(), nullptr);
    EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG3Button").isEnabled());
    EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG4Button").isEnabled());
    EXPECT_FALSE(DrawnPlan(*viewer).draws);
    EXPECT_TRUE(ShowsSomethingBesidesTheBackground(*viewer));
    Find<QComboBox>(*viewer, "zoomBox")
        .setCurrentIndex(0); // another zoom draws the words again, and no page
    EXPECT_FALSE(DrawnPlan(*viewer).draws);
    EXPECT_TRUE(ShowsSomethingBesidesTheBackground(*viewer));
    delete viewer.data();
}

} // namespace
} // namespace faxlens::test
