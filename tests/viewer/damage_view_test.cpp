// Looking into a damaged page in the viewer: the rows that could not be decoded marked over the
// page whichever way it is turned, Go to Damage (F8, or a click on the damage line) scrolling to
// them, and the codes of the row under the pointer in a window of their own.

#include "support/libtiff_pages.h"
#include "support/main_window_driving.h"
#include "support/reading.h"
#include "support/window_driving.h"
#include "viewer/damage_line.h"
#include "viewer/damage_marks.h"
#include "viewer/page_viewer.h"
#include "viewer/row_codes_window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace faxlens::test {
namespace {

// The file's rows 10 to 19 of a page 100 rows high and 40 wide, turned 0 to 3 quarter turns.
TEST(DamageMarks, RowsOfTheFileFollowThePageAsItIsTurned) {
    const struct {
        int turns;
        viewer::ShownStretch stretch;
        int32_t fileRowOfPixel; // the file's row of shown pixel (column 5, row 15)
    } cases[] = {
        {0, {false, 10, 20}, 15},
        {1, {true, 80, 90}, 94},
        {2, {false, 80, 90}, 84},
        {3, {true, 10, 20}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.turns);
        EXPECT_EQ(viewer::ShownStretchOfRows(10, 20, c.turns, 100), c.stretch);
        EXPECT_EQ(viewer::FileRowAt(5, 15, c.turns, 100), c.fileRowOfPixel);
    }
}

class DamageViewTest : public ::testing::Test {
protected:
    DamageViewTest() : path(dir.File("damaged.tif")) {
        WriteDamagedFaxPage(path); // Group 4, 1728 x 300, rows 151 to 200 cannot be decoded
        viewer = OpenViewerAndWait(path, ImageOffsetsOf(path).at(0));
        if (!viewer)
            return;
        EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer));
        // Close enough that the page does not fit the view.
        auto& zoom = Find<QComboBox>(*viewer, "zoomBox");
        zoom.lineEdit()->clear();
        QTest::keyClicks(&zoom, "2000");
        QTest::keyClick(&zoom, Qt::Key_Return);
        EXPECT_TRUE(WaitForViewer(viewer));
    }
    ~DamageViewTest() override {
        if (viewer)
            viewer->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    viewer::ViewCanvas& View() { return Find<viewer::ViewCanvas>(*viewer, "pageView"); }
    QAction& Action(const char* name) { return Find<QAction>(*viewer, name); }
    // The page row at the top of the drawing.
    int32_t TopRow() { return DrawnPlan(*viewer).y0; }

    TempDir dir;
    std::string path;
    QPointer<viewer::PageViewer> viewer;
};

TEST_F(DamageViewTest, DamagedRowsAreMarkedAndGoToDamageScrollsToThem) {
    ASSERT_TRUE(viewer);
    ASSERT_TRUE(Action("goToDamageAction").isEnabled());
    ASSERT_LT(DrawnPlan(*viewer).y1, 150) << "the damage must start below the first view";
    EXPECT_TRUE(View().Marks().empty()); // nothing of it in view yet
    Action("goToDamageAction").trigger();
    ASSERT_TRUE(WaitForViewer(viewer));
    const viewer::RenderPlan& plan = DrawnPlan(*viewer);
    EXPECT_LT(TopRow(), 150);
    EXPECT_GT(plan.y1, 150);
    ASSERT_EQ(View().Marks().size(), 1u);
    // The band begins at row 150 (from 0) and runs to the foot of the view or row 200.
    EXPECT_NEAR(View().Marks()[0].top(), (150 - plan.y0) * plan.ky, 1.0);
    Action("showDamageAction").trigger(); // off
    ASSERT_TRUE(WaitForViewer(viewer));
    EXPECT_TRUE(View().Marks().empty());
    Action("showDamageAction").trigger(); // on again
    ASSERT_TRUE(WaitForViewer(viewer));
    EXPECT_EQ(View().Marks().size(), 1u);
    // Turned half round, the damaged rows are counted from the other end.
    Action("rotateRightAction").trigger();
    Action("rotateRightAction").trigger();
    ASSERT_TRUE(WaitForViewer(viewer));
    Action("goToDamageAction").trigger();
    ASSERT_TRUE(WaitForViewer(viewer));
    ASSERT_EQ(View().Marks().size(), 1u);
    EXPECT_NEAR(View().Marks()[0].top(), (100 - DrawnPlan(*viewer).y0) * DrawnPlan(*viewer).ky,
                1.0);
}

TEST_F(DamageViewTest, AClickOnTheDamageLineGoesToTheDamage) {
    ASSERT_TRUE(viewer);
    const int32_t before = TopRow();
    QTest::mouseClick(&Find<viewer::DamageLine>(*viewer, "damageLine"), Qt::LeftButton);
    ASSERT_TRUE(WaitForViewer(viewer));
    EXPECT_GT(TopRow(), before);
}

// The window shows the row under the pointer and two rows on either side, as trace lists them.
TEST_F(DamageViewTest, ShowCodesListsTheRowUnderThePointerAndItsNeighbours) {
    ASSERT_TRUE(viewer);
    const viewer::RenderPlan& plan = DrawnPlan(*viewer);
    const QPoint at(40, static_cast<int>((20 - plan.y0) * plan.ky + 1)); // page row 20, file row 21
    QMouseEvent move(QEvent::MouseMove, at, View().mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&View(), &move);
    auto& window = Find<viewer::RowCodesWindow>(*viewer, "rowCodesWindow");
    QSignalSpy shown(&window, &viewer::RowCodesWindow::Shown);
    Action("showCodesAction").trigger();
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_EQ(window.windowTitle(), "Codes of Row 21");
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(window.Text(), viewer::TraceLinesOf(*file, ImageOffsetsOf(path).at(0), 19, 23, {}));
    const QStringList lines = window.Text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("row 19: strip 0, byte ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[4].startsWith("row 23: strip 0, byte ")) << lines[4].toStdString();
    // The information line says where the row's codes begin, as the trace does.
    ASSERT_TRUE(WaitForViewer(viewer));
    const QString place = lines[2].section(QLatin1Char(0x20), 2, 5); // "strip 0, byte N"
    EXPECT_TRUE(Find<QLabel>(*viewer, "infoLine").text().endsWith("row 21, " + place))
        << Find<QLabel>(*viewer, "infoLine").text().toStdString() << " / " << place.toStdString();
}

} // namespace
} // namespace faxlens::test
