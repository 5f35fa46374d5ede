#include "shell/form1.h"
#include "shell/program.h"
#include "support/libtiff_pages.h"
#include "support/reading.h"
#include "support/tiff_builder.h"
#include "viewer/render_page.h"
#include "viewer/view_form.h"
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

QLineEdit& ZoomEdit(viewer::ViewForm& viewer) {
    return *viewer.Combo1.lineEdit();
}

// Keys go to the zoom box, which keeps the focus and hands them to its line edit.
void TypeZoom(viewer::ViewForm& viewer, const QString& text) {
    ZoomEdit(viewer).clear();
    QTest::keyClicks(&viewer.Combo1, text);
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
    ViewerTest() : path(WriteTwoPages(dir)) { shell::ClearDocument(form); }
    ~ViewerTest() override { DeleteClosedWindows(); }

    void ShowForm() {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        ASSERT_TRUE(shell::OpenTifFile(form, QString::fromStdString(path)));
    }
    QPoint EntryCentre(int row) { return form.List1.visualItemRect(form.List1.item(row)).center(); }
    void ClickEntry(int row) {
        QTest::mouseClick(form.List1.viewport(), Qt::LeftButton, {}, EntryCentre(row));
    }
    void DoubleClickAt(QPoint position) {
        QTest::mouseDClick(form.List1.viewport(), Qt::LeftButton, {}, position);
    }
    void RightClickAt(QPoint position) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, position,
                                form.List1.viewport()->mapToGlobal(position));
        QApplication::sendEvent(form.List1.viewport(), &event);
    }
    // Opens entry `row` of the list in a viewer and returns it.
    viewer::ViewForm* OpenEntry(int row) {
        const qsizetype before = form.OpenViewers().size();
        DoubleClickAt(EntryCentre(row));
        const QList<viewer::ViewForm*> viewers = form.OpenViewers();
        return viewers.size() == before + 1 ? viewers.last() : nullptr;
    }
    int32_t Offset(int row) const { return Document().ImageOffsets.at(row); }

    TempDir dir;
    std::string path;
    shell::Form1 form;
};

// The viewer of entry `row` reads the image at its offset: its surface has that page's size.
void ExpectShowsPage(const viewer::ViewForm* viewer, int32_t width, int32_t height) {
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->windowTitle(), "TIF Viewer");
    EXPECT_EQ(viewer->Status(), page::PageStatus::Decoded);
    ASSERT_NE(viewer->Surface(), nullptr);
    EXPECT_EQ(viewer->Surface()->Width(), width);
    EXPECT_EQ(viewer->Surface()->Height(), height);
    EXPECT_TRUE(viewer->LastRenderPlan().draws);
}

// ---- opening from the main window ----

TEST_F(ViewerTest, DoubleClickOnAnEntryOpensItsImage) {
    ShowForm();
    viewer::ViewForm* viewer = OpenEntry(1);
    ExpectShowsPage(viewer, 400, 300);
    EXPECT_EQ(form.SelectedEntry(), 1);
    EXPECT_TRUE(viewer->isWindow());
    EXPECT_TRUE(viewer->testAttribute(Qt::WA_DeleteOnClose));
}

TEST_F(ViewerTest, ActionsBesideTheEntriesDoNothing) {
    ShowForm();
    const QPoint beside(5, form.List1.viewport()->height() - 3);
    DoubleClickAt(beside);
    RightClickAt(beside);
    EXPECT_FALSE(form.List1Menu.isVisible());
    EXPECT_TRUE(form.OpenViewers().isEmpty());
    EXPECT_EQ(form.SelectedEntry(), -1);
}

TEST_F(ViewerTest, EnterOpensTheSelectedEntry) {
    ShowForm();
    form.List1.setFocus();
    PressEnter(form.List1);
    EXPECT_TRUE(form.OpenViewers().isEmpty()) << "no entry selected";

    ClickEntry(0);
    PressEnter(form.List1);
    ASSERT_EQ(form.OpenViewers().size(), 1);
    ExpectShowsPage(form.OpenViewers().last(), kFaxWidth, kFaxHeight);

    ClickEntry(1);
    PressEnter(form.List1, Qt::Key_Enter);
    ASSERT_EQ(form.OpenViewers().size(), 2);
    ExpectShowsPage(form.OpenViewers().last(), 400, 300);
}

TEST_F(ViewerTest, ContextMenuSelectsTheEntryAndViewImageOpensIt) {
    ShowForm();
    RightClickAt(EntryCentre(1));
    EXPECT_TRUE(form.List1Menu.isVisible());
    EXPECT_EQ(form.SelectedEntry(), 1);
    ASSERT_TRUE(form.List1Menu.actions().contains(&form.mnuViewImage));
    EXPECT_EQ(form.mnuViewImage.text(), "View Image");
    form.mnuViewImage.trigger();
    form.List1Menu.hide();
    ASSERT_EQ(form.OpenViewers().size(), 1);
    ExpectShowsPage(form.OpenViewers().last(), 400, 300);
}

TEST_F(ViewerTest, NothingOpensWhileAFileIsRead) {
    ShowForm();
    ClickEntry(0);
    const ui::BusyGuard reading(Document().Reading);
    RightClickAt(EntryCentre(1));
    EXPECT_FALSE(form.List1Menu.isVisible());
    EXPECT_EQ(form.SelectedEntry(), 0);
    PressEnter(form.List1);
    form.mnuViewImage.trigger();
    DoubleClickAt(EntryCentre(1));
    EXPECT_TRUE(form.OpenViewers().isEmpty());
}

// ---- the layout of the window ----

TEST(ViewFormLayout, TwipGeometryAt96Dpi) {
    viewer::ViewForm viewer("", 0);
    ASSERT_EQ(viewer.logicalDpiX(), 96);
    EXPECT_EQ(viewer.windowTitle(), "TIF Viewer");
    EXPECT_EQ(viewer.size(), QSize(457, 340));
    EXPECT_LT(viewer.minimumSize().width(), viewer.maximumSize().width()) << "sizable";
    EXPECT_EQ(viewer.font().family(), "Tahoma");
    EXPECT_EQ(viewer.font().pointSizeF(), 8.25);

    EXPECT_EQ(viewer.Label1.geometry(), QRect(9, 9, 91, 16));
    EXPECT_EQ(viewer.Combo1.geometry(), QRect(60, 6, 76, 21));
    EXPECT_EQ(viewer.Check1.geometry(), QRect(162, 6, 127, 22));
    EXPECT_EQ(viewer.Check2.geometry(), QRect(303, 6, 127, 22));
    EXPECT_EQ(viewer.Picture1.geometry(), QRect(6, 33, 427, 283));
    EXPECT_EQ(viewer.Picture2.geometry(), QRect(6, 6, 376, 253));
    EXPECT_EQ(viewer.Picture2.parentWidget(), &viewer.Picture1);
    EXPECT_EQ(viewer.HScroll1.geometry(), QRect(6, 318, 427, 16));
    EXPECT_EQ(viewer.VScroll1.geometry(), QRect(435, 33, 16, 283));

    EXPECT_EQ(viewer.Label1.text(), "Zoom:");
    EXPECT_TRUE(viewer.Combo1.isEditable());
    EXPECT_EQ(viewer.Combo1.currentText(), "100%");
    EXPECT_EQ(viewer.Combo1.insertPolicy(), QComboBox::NoInsert);
    for (const QPushButton* button : {&viewer.Check1, &viewer.Check2})
        EXPECT_TRUE(button->isCheckable() && button->font().bold());
    EXPECT_EQ(viewer.Check1.text(), "Save As TIF (G3)...");
    EXPECT_EQ(viewer.Check2.text(), "Save As TIF (G4)...");
    for (const QScrollBar* bar : {&viewer.HScroll1, &viewer.VScroll1})
        EXPECT_TRUE(bar->minimum() == 0 && bar->maximum() == viewer::kScrollUnits) << "0 to 100 %";
    EXPECT_EQ(viewer.Picture2.BackColor(), 0x8000000Cu);
}

// The widgets that Tab visits from the zoom box on, by name.
QStringList TabStops(viewer::ViewForm& viewer, int count) {
    const std::map<const QWidget*, QString> names = {
        {viewer.Combo1.lineEdit(), "Combo1"}, {&viewer.Combo1, "Combo1"},
        {&viewer.Check1, "Check1"},           {&viewer.Check2, "Check2"},
        {&viewer.HScroll1, "HScroll1"},       {&viewer.VScroll1, "VScroll1"}};
    QStringList stops;
    viewer.Combo1.setFocus();
    for (int i = 0; i < count; ++i) {
        const auto name = names.find(QApplication::focusWidget());
        stops << (name == names.end() ? QStringLiteral("?") : name->second);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return stops;
}

TEST_F(ViewerTest, TabGoesZoomG3BarsG4) {
    ShowForm();
    viewer::ViewForm* opened = OpenEntry(0);
    ASSERT_NE(opened, nullptr);
    viewer::ViewForm& viewer = *opened;
    viewer.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer));
    EXPECT_EQ(TabStops(viewer, 6),
              QStringList({"Combo1", "Check1", "VScroll1", "HScroll1", "Check2", "Combo1"}));
}

TEST(ViewFormLayout, ResizeKeepsScrollBarsAtTheClientEdges) {
    viewer::ViewForm viewer("", 0);
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    viewer.resize(457, 340);             // the starting client area, 6855 x 5100 twips
    EXPECT_EQ(viewer.VScroll1.x(), 435); // 6525 twips
    EXPECT_EQ(viewer.HScroll1.y(), 318); // 4770 twips
    EXPECT_EQ(viewer.Picture1.size(), QSize(423, 279)); // 6345 x 4185 twips
    EXPECT_EQ(viewer.Picture1.pos(), QPoint(6, 33));
    EXPECT_EQ(viewer.VScroll1.geometry(), QRect(435, 33, 16, 279));
    EXPECT_EQ(viewer.HScroll1.geometry(), QRect(6, 318, 423, 16));

    viewer.resize(600, 500);
    EXPECT_EQ(viewer.VScroll1.geometry(), QRect(578, 33, 16, 439));
    EXPECT_EQ(viewer.HScroll1.geometry(), QRect(6, 478, 566, 16));
    EXPECT_EQ(viewer.Picture1.size(), QSize(566, 439));
}

TEST(ViewFormLayout, ATinyWindowGetsNoNegativeOrZeroSizes) {
    viewer::ViewForm viewer("", 0);
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    viewer.resize(30, 30);
    ASSERT_LT(viewer.width(), 100);
    for (const QWidget* control :
         {static_cast<QWidget*>(&viewer.Picture1), static_cast<QWidget*>(&viewer.HScroll1),
          static_cast<QWidget*>(&viewer.VScroll1)}) {
        EXPECT_GE(control->width(), 1);
        EXPECT_GE(control->height(), 1);
        EXPECT_GE(control->x(), 0);
        EXPECT_GE(control->y(), 0);
    }
    EXPECT_EQ(viewer.Picture1.size(), QSize(1, 1));
    viewer.resize(457, 340);
    EXPECT_EQ(viewer.Picture1.size(), QSize(423, 279));
}

// ---- loading ----

TEST_F(ViewerTest, LoadFillsTheZoomListWithoutSelectingAnEntry) {
    ShowForm();
    viewer::ViewForm* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(ListEntries(viewer->Combo1),
              QStringList({"400%", "200%", "100%", "50%", "25%", "10%"}));
    EXPECT_EQ(viewer->Combo1.currentText(), "100%");
    EXPECT_EQ(viewer->Combo1.currentIndex(), -1);
    EXPECT_TRUE(viewer->windowIcon().availableSizes().contains(QSize(32, 32)));
    EXPECT_EQ(viewer->Picture1.palette().color(QPalette::Window).rgb(),
              viewer->Picture2.palette().color(QPalette::Dark).rgb());
    EXPECT_TRUE(viewer->Check1.isEnabled());

    const viewer::RenderPlan& plan = viewer->LastRenderPlan();
    EXPECT_FLOAT_EQ(plan.zoom, 100);
    EXPECT_NEAR(plan.kx, kScreenDpi / kFaxXDpi, 1e-9);
    EXPECT_NEAR(plan.ky, kScreenDpi / kFaxYDpi, 1e-9);
    EXPECT_EQ(plan.x0, 0);
    EXPECT_EQ(plan.y0, 0);
}

TEST_F(ViewerTest, RefreshFitsTheViewToTheFrameThenEnlargesItToTheScreen) {
    ShowForm();
    viewer::ViewForm* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    viewer->Combo1_Click();
    const viewer::RenderPlan& plan = viewer->LastRenderPlan();
    EXPECT_EQ(plan.viewWidth, viewer->Picture1.width() - 12);
    EXPECT_EQ(plan.viewHeight, viewer->Picture1.height() - 12);
    EXPECT_EQ(viewer->Picture2.size(), viewer->screen()->geometry().size());
    EXPECT_EQ(viewer->Picture2.Picture().size(), QSize(plan.drawWidth, plan.drawHeight));
}

// ---- zoom ----

TEST_F(ViewerTest, TypedZoomRedrawsOnlyOnEnter) {
    ShowForm();
    viewer::ViewForm* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    TypeZoom(*viewer, "150");
    EXPECT_EQ(viewer->Combo1.currentText(), "150");
    EXPECT_FLOAT_EQ(viewer->LastRenderPlan().zoom, 100);

    PressEnter(viewer->Combo1);
    EXPECT_FLOAT_EQ(viewer->LastRenderPlan().zoom, 150);
    EXPECT_NEAR(viewer->LastRenderPlan().kx, 1.5 * kScreenDpi / kFaxXDpi, 1e-9);
    EXPECT_EQ(viewer->Combo1.count(), 6) << "Enter adds no entry";
    EXPECT_EQ(viewer->Combo1.currentText(), "150");

    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
    viewer->Combo1.setFocus();
    TypeZoom(*viewer, "25%");
    viewer->Check1.setFocus(); // leaving the box is no Enter, even for a text from the list
    ASSERT_FALSE(viewer->Combo1.hasFocus());
    EXPECT_FLOAT_EQ(viewer->LastRenderPlan().zoom, 150);

    TypeZoom(*viewer, "12.5 %");
    PressEnter(viewer->Combo1, Qt::Key_Enter);
    EXPECT_FLOAT_EQ(viewer->LastRenderPlan().zoom, 12.5f);
}

TEST_F(ViewerTest, ChoosingAListEntryRedrawsAtOnce) {
    ShowForm();
    viewer::ViewForm* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    viewer->Combo1.showPopup();
    QAbstractItemView* list = viewer->Combo1.view();
    ASSERT_TRUE(list->isVisible());
    const QRect entry = list->visualRect(list->model()->index(4, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    EXPECT_EQ(viewer->Combo1.currentText(), "25%");
    EXPECT_FLOAT_EQ(viewer->LastRenderPlan().zoom, 25);
}

TEST_F(ViewerTest, AWordOrZeroFitsThePageWidth) {
    ShowForm();
    viewer::ViewForm* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    for (const char* text : {"wide", "0", "-40%"}) {
        TypeZoom(*viewer, text);
        PressEnter(viewer->Combo1);
        const viewer::RenderPlan& plan = viewer->LastRenderPlan();
        EXPECT_FLOAT_EQ(plan.zoom, FitZoom(plan.viewWidth, kFaxWidth, kFaxXDpi)) << text;
        EXPECT_NEAR(plan.dw, plan.viewWidth, 1) << text;
        EXPECT_EQ(plan.x1, kFaxWidth - 1) << text;
    }
}

// ---- scrolling ----

TEST_F(ViewerTest, ScrollChangesRedrawFromANewOrigin) {
    ShowForm();
    viewer::ViewForm* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    viewer->HScroll1.setValue(viewer::kScrollUnits / 2);
    viewer::RenderPlan plan = viewer->LastRenderPlan();
    const double kx = kScreenDpi / kFaxXDpi;
    const double ky = kScreenDpi / kFaxYDpi;
    EXPECT_EQ(plan.x0, std::lround(((kFaxWidth - 1) - plan.viewWidth / kx) * 0.5));
    EXPECT_GT(plan.x0, 0);
    EXPECT_EQ(plan.y0, 0);

    viewer->VScroll1.setValue(viewer::kScrollUnits);
    plan = viewer->LastRenderPlan();
    EXPECT_EQ(plan.y0, std::lround((kFaxHeight - 1) - plan.viewHeight / ky));
    EXPECT_GT(plan.y0, 0);

    viewer->VScroll1.triggerAction(QAbstractSlider::SliderPageStepSub);
    const int value = viewer->VScroll1.value();
    EXPECT_EQ(value, viewer::kScrollUnits - viewer->VScroll1.pageStep());
    EXPECT_EQ(viewer->LastRenderPlan().y0, std::lround(((kFaxHeight - 1) - plan.viewHeight / ky) *
                                                       value / viewer::kScrollUnits));
}

// ---- what the view shows ----

TEST_F(ViewerTest, TheViewShowsThePagePixelsOnTheWorkspaceColour) {
    ShowForm();
    viewer::ViewForm* viewer = OpenEntry(1); // 400 x 300, the top-left quarter black
    ASSERT_NE(viewer, nullptr);
    const viewer::RenderPlan& plan = viewer->LastRenderPlan();
    ASSERT_EQ(plan.dw + 1, 189); // 400 x 300 pixels at 204 x 196 dpi on a 96 dpi screen
    ASSERT_EQ(plan.dh + 1, 147);
    const QImage shot = viewer->Picture2.grab(QRect(0, 0, 380, 250)).toImage();
    const QRgb workspace = viewer->Picture2.palette().color(QPalette::Dark).rgb();
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
    viewer::ViewForm* viewer = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    TypeZoom(*viewer, "fit");
    PressEnter(viewer->Combo1);
    const viewer::RenderPlan before = viewer->LastRenderPlan();
    const int frameHeight = viewer->Picture1.height();
    const QRgb workspace = viewer->Picture2.palette().color(QPalette::Dark).rgb();
    const QPoint belowTheFrame(20, frameHeight + 40); // on the page's white margin
    ASSERT_GT(before.dh + 1, belowTheFrame.y()) << "the drawing reaches past the frame";
    EXPECT_EQ(viewer->Picture2.Picture().pixel(belowTheFrame), workspace)
        << "not scaled where the frame does not show it";

    viewer->resize(viewer->width() + 200, viewer->height() + 100);
    const viewer::RenderPlan after = viewer->LastRenderPlan();
    EXPECT_EQ(after.viewWidth, before.viewWidth + 200);
    EXPECT_FLOAT_EQ(after.zoom, FitZoom(after.viewWidth, kFaxWidth, kFaxXDpi));
    EXPECT_GT(qGray(viewer->Picture2.Picture().pixel(belowTheFrame)), 220)
        << "the newly shown part is drawn";
}

TEST_F(ViewerTest, ANewerDrawingStartedMidwaySupersedesTheOlderOne) {
    ShowForm();
    viewer::ViewForm* viewer = OpenEntry(0);
    viewer::ViewForm* reference = OpenEntry(0);
    ASSERT_NE(viewer, nullptr);
    ASSERT_NE(reference, nullptr);
    TypeZoom(*reference, "10%");
    reference->Combo1_Click();

    // The change to 10% arrives while the drawing at 400% processes events.
    QTimer::singleShot(0, viewer, [viewer] {
        viewer->Combo1.setEditText("10%");
        viewer->Combo1_Click();
    });
    TypeZoom(*viewer, "400%");
    viewer->Combo1_Click();

    EXPECT_FLOAT_EQ(viewer->LastRenderPlan().zoom, 10);
    EXPECT_EQ(viewer->Picture2.Picture(), reference->Picture2.Picture());
}

// ---- several viewers ----

TEST_F(ViewerTest, TwoViewersClosedFirstToLastEachKeepTheirPage) {
    ShowForm();
    QPointer<viewer::ViewForm> first = OpenEntry(0);
    QPointer<viewer::ViewForm> second = OpenEntry(1);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->Surface(), second->Surface());

    first->close();
    EXPECT_TRUE(first->Unloaded());
    EXPECT_EQ(first->Surface(), nullptr);
    DeleteClosedWindows();
    EXPECT_TRUE(first.isNull());

    second->HScroll1.setValue(viewer::kScrollUnits); // still draws its own page
    EXPECT_TRUE(second->LastRenderPlan().draws);
    EXPECT_EQ(second->LastRenderPlan().x1, 399);
    second->close();
}

TEST_F(ViewerTest, TwoViewersClosedLastToFirstEachKeepTheirPage) {
    ShowForm();
    QPointer<viewer::ViewForm> first = OpenEntry(0);
    QPointer<viewer::ViewForm> second = OpenEntry(1);
    ASSERT_TRUE(first && second);

    second->close();
    DeleteClosedWindows();
    ASSERT_NE(first->Surface(), nullptr);
    EXPECT_EQ(first->Surface()->Width(), kFaxWidth);
    first->VScroll1.setValue(viewer::kScrollUnits);
    EXPECT_EQ(first->LastRenderPlan().y1, kFaxHeight - 1);
    EXPECT_GT(first->LastRenderPlan().y0, 0);

    first->close();
    EXPECT_TRUE(form.OpenViewers().isEmpty());
}

TEST_F(ViewerTest, ClosingAndReopeningMakesANewSurface) {
    ShowForm();
    QPointer<viewer::ViewForm> viewer = OpenEntry(0);
    ASSERT_TRUE(viewer);
    viewer->close();
    DeleteClosedWindows();
    EXPECT_TRUE(viewer.isNull());

    viewer::ViewForm* again = OpenEntry(0);
    ExpectShowsPage(again, kFaxWidth, kFaxHeight);
}

TEST_F(ViewerTest, OpeningAnotherFileForgetsTheSurfaceButTheViewerKeepsIt) {
    ShowForm();
    viewer::ViewForm* viewer = OpenEntry(1);
    ASSERT_NE(viewer, nullptr);
    shell::ClearDocument(form);
    ASSERT_NE(viewer->Surface(), nullptr);
    viewer->Combo1_Click();
    EXPECT_TRUE(viewer->LastRenderPlan().draws);
    viewer->close();
    EXPECT_EQ(viewer->Surface(), nullptr);
}

TEST_F(ViewerTest, ACloseWhileThePageDecodesWaitsForTheDecode) {
    ShowForm();
    // The close arrives from the first batch of events that the decoder lets run.
    QTimer::singleShot(0, [] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* viewer = qobject_cast<viewer::ViewForm*>(window))
                viewer->close();
    });
    QPointer<viewer::ViewForm> viewer = viewer::ViewForm::Open(path, Offset(0));
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->Unloaded());
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_EQ(viewer->Surface(), nullptr);
    DeleteClosedWindows();
    EXPECT_TRUE(viewer.isNull());
}

// ---- pages that cannot be shown ----

struct PageFile {
    std::string path;
    int64_t ifdOffset;
};

PageFile WriteSizedPage(const TempDir& dir, const std::string& name, bool withSize) {
    return {dir.File(name), WriteUnshowableSizePage(dir.File(name), withSize)};
}

QPointer<viewer::ViewForm> OpenViewer(const PageFile& file) {
    return viewer::ViewForm::Open(file.path, file.ifdOffset);
}

bool ShowsSomethingBesidesTheBackground(viewer::ViewForm& viewer) {
    const QImage shot = viewer.Picture2.grab(QRect(0, 0, 300, 40)).toImage();
    const QRgb background = viewer.Picture2.palette().color(QPalette::Dark).rgb();
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
        QPointer<viewer::ViewForm> viewer = OpenViewer(WriteSizedPage(dir, "page.tif", c.withSize));
        ASSERT_TRUE(viewer);
        EXPECT_EQ(viewer->Status(), c.status);
        EXPECT_EQ(viewer->MessageText(), c.message);
        EXPECT_EQ(viewer->Surface(), nullptr);
        EXPECT_FALSE(viewer->Check1.isEnabled());
        EXPECT_FALSE(viewer->Check2.isEnabled());
        EXPECT_FALSE(viewer->LastRenderPlan().draws);
        EXPECT_TRUE(ShowsSomethingBesidesTheBackground(*viewer)) << c.message;
        viewer->HScroll1.setValue(viewer::kScrollUnits / 3); // draws the message again, and no page
        EXPECT_TRUE(ShowsSomethingBesidesTheBackground(*viewer)) << c.message;
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
// A damaged page is shown as decoded, with one line over the top of the view saying so; the
// window's layout is that of any page.
TEST(ViewFormMessages, ADamagedPageIsShownWithAWarningOverItsTop) {
    TempDir dir;
    WriteDamagedFaxPage(dir.File("damaged.tif"));
    WriteFaxPages(dir.File("sound.tif"), {TextLikePage(1728, 300)}, {});
    QPointer<viewer::ViewForm> damaged =
        OpenViewer({dir.File("damaged.tif"), ImageOffsetsOf(dir.File("damaged.tif")).at(0)});
    QPointer<viewer::ViewForm> sound =
        OpenViewer({dir.File("sound.tif"), ImageOffsetsOf(dir.File("sound.tif")).at(0)});
    ASSERT_TRUE(damaged && sound);
    EXPECT_TRUE(damaged->Picture2.Warning().startsWith("Damaged page: rows "))
        << damaged->Picture2.Warning().toStdString();
    EXPECT_TRUE(damaged->Picture2.Warning().contains("(bad code in strip 1 at byte "));
    EXPECT_TRUE(damaged->LastRenderPlan().draws) << "the page is shown as decoded";
    EXPECT_TRUE(damaged->Check1.isEnabled()) << "and may be saved";
    EXPECT_EQ(sound->Picture2.Warning(), "");
    EXPECT_EQ(damaged->Picture1.geometry(), sound->Picture1.geometry());
    EXPECT_EQ(damaged->Picture2.geometry(), sound->Picture2.geometry());

    const QRect band = damaged->Picture2.WarningRect();
    ASSERT_FALSE(band.isEmpty());
    EXPECT_EQ(band.width(), damaged->Picture1.width() - damaged->Picture2.x());
    const QImage shot = damaged->Picture2.grab(band).toImage();
    EXPECT_EQ(QColor(shot.pixel(1, 1)), QColor(0xFF, 0xF1, 0xB8)) << "the band is drawn";
    delete damaged.data();
    delete sound.data();
}

TEST(ViewFormMessages, AnUnsupportedPageShowsItsProblem) {
    TempDir dir;
    const UnsupportedPage page = WriteUnsupportedPages(dir.Path()).at(0);
    QPointer<viewer::ViewForm> viewer = OpenViewer({page.path, page.ifdOffset});
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->Status(), page::PageStatus::Unsupported);
    EXPECT_EQ(viewer->MessageText(), QString::fromStdString(page.problem));
    EXPECT_EQ(viewer->Surface(), nullptr);
    EXPECT_FALSE(viewer->Check1.isEnabled());
    EXPECT_FALSE(viewer->Check2.isEnabled());
    EXPECT_FALSE(viewer->LastRenderPlan().draws);
    EXPECT_TRUE(ShowsSomethingBesidesTheBackground(*viewer));
    viewer->Combo1.setCurrentIndex(0); // another zoom draws the words again, and no page
    EXPECT_FALSE(viewer->LastRenderPlan().draws);
    EXPECT_TRUE(ShowsSomethingBesidesTheBackground(*viewer));
    delete viewer.data();
}

} // namespace
} // namespace faxlens::test
