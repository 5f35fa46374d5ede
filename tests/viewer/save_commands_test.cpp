// The viewer's two save commands driven through their buttons: the file dialog, the saved file,
// the message at the end, failures, and the window while a save runs.

#include "support/export_pages.h"
#include "support/libtiff_pages.h"
#include "support/main_window_driving.h"
#include "support/window_driving.h"
#include "viewer/page_viewer.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <vector>

namespace faxlens::test {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kWidth = 1728;
constexpr int32_t kHeight = 1100;
const QString kFilter = QStringLiteral("TIF Files          (*.TIF)");
const QString kDialogTitle = QStringLiteral("Save As...");
const QString kBoxTitle = QStringLiteral("Save as TIF");
const QString kClock = QStringLiteral("((?:[01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d)");

void DeleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTime ClockNow() {
    const QTime now = QTime::currentTime();
    return QTime(now.hour(), now.minute(), now.second());
}

// The first directory of a file that libtiff wrote (little-endian).
int64_t FirstIfdOffset(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadFile(path);
    return bytes.at(4) | bytes.at(5) << 8 | bytes.at(6) << 16 | int64_t{bytes.at(7)} << 24;
}

// The entries of a saved ("MM") file's only directory, by tag: type and 4-byte value field.
std::map<uint16_t, std::pair<uint16_t, uint32_t>> SavedDirectory(const std::vector<uint8_t>& file) {
    std::map<uint16_t, std::pair<uint16_t, uint32_t>> entries;
    if (file.size() < kStripAt || file[0] != 'M' || file[1] != 'M') {
        ADD_FAILURE() << "not a big-endian file with a directory";
        return entries;
    }
    const uint32_t ifd = BigEndianAt(file, 4);
    const uint32_t count = BigEndianAt(file, ifd) >> 16;
    for (uint32_t k = 0; k < count; ++k) {
        const std::size_t at = ifd + 2 + 12 * k;
        entries[static_cast<uint16_t>(BigEndianAt(file, at) >> 16)] = {
            static_cast<uint16_t>(BigEndianAt(file, at)), BigEndianAt(file, at + 8)};
    }
    return entries;
}

// A SHORT or LONG value, or a RATIONAL as numerator * 1000 + denominator for easy comparison.
int64_t TagValue(const std::vector<uint8_t>& file, uint16_t tag) {
    const auto entries = SavedDirectory(file);
    const auto entry = entries.find(tag);
    if (entry == entries.end())
        return -1;
    const auto [type, field] = entry->second;
    if (type == 3)
        return field >> 16;
    if (type == 5)
        return int64_t{BigEndianAt(file, field)} * 1000 + BigEndianAt(file, field + 4);
    return field;
}

// The controls that could change the page, at one moment.
struct ControlState {
    bool saving;
    std::vector<bool>
        enabled; // saveG3Button, saveG4Button, zoomBox, horizontalScrollBar, verticalScrollBar

    bool All(bool value) const {
        return std::all_of(enabled.begin(), enabled.end(), [&](bool e) { return e == value; });
    }
};

ControlState StateOf(const viewer::PageViewer& viewer) {
    return {viewer.Saving(),
            {Find<QPushButton>(viewer, "saveG3Button").isEnabled(),
             Find<QPushButton>(viewer, "saveG4Button").isEnabled(),
             Find<QComboBox>(viewer, "zoomBox").isEnabled(),
             Find<QScrollBar>(viewer, "horizontalScrollBar").isEnabled(),
             Find<QScrollBar>(viewer, "verticalScrollBar").isEnabled()}};
}

struct BoxSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    qsizetype buttonCount;
    ControlState controls;
};

class SaveCommandsTest : public ::testing::Test {
protected:
    explicit SaveCommandsTest(int32_t height = kHeight, int pages = 1) : here(out.Path()) {
        // The save dialog starts in the folder of the shown file: here the working folder.
        const std::string path = out.File("fax.tif");
        std::vector<Bitmap> bitmaps;
        for (int k = 1; k <= pages; ++k)
            bitmaps.push_back(TextLikePage(kWidth, height, static_cast<uint32_t>(k)));
        WriteFaxPages(path, bitmaps, {});
        viewer = OpenViewerAndWait(path, FirstIfdOffset(path));
    }
    ~SaveCommandsTest() override {
        if (viewer)
            viewer->close();
        DeleteClosedWindows();
    }
    void SetUp() override {
        ASSERT_TRUE(WaitForViewer(viewer));
        ASSERT_NE(viewer->Surface(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
        page = BitmapOf(*viewer->Surface());
    }

    std::string Saved(const std::string& name) const { return out.File(name); }

    // Clicks the button. The file dialog is looked at and answered by `answer`; the overwrite
    // question is answered Yes; the boxes of the save are recorded and closed with OK, those
    // that ask Yes or No with replaceAnswer.
    void Click(QPushButton& button, const std::function<void(QFileDialog&)>& answer) {
        WhenShown<QFileDialog> dialogs([&](QFileDialog& dialog) {
            dialogTitle = dialog.windowTitle();
            dialogFilter = FilterText(dialog);
            dialogSuffix = dialog.defaultSuffix();
            dialogFolder = dialog.directory().absolutePath();
            asksBeforeReplacing = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
            answer(dialog);
        });
        // Boxes are answered for as long as the test runs: a save that was not waited for shows
        // its box later.
        boxes.emplace([this](QMessageBox& box) {
            if (box.windowTitle() == kDialogTitle) { // the dialog's question about replacing
                ++overwriteQuestions;
                box.button(QMessageBox::Yes)->click();
                return;
            }
            seen.push_back({box.windowTitle(), box.text(), box.icon(), box.standardButtons(),
                            box.buttons().size(), viewer ? StateOf(*viewer) : ControlState{}});
            box.done(box.standardButtons().testFlag(QMessageBox::Yes) ? replaceAnswer
                                                                      : QMessageBox::Ok);
        });
        before = ClockNow();
        QTest::mouseClick(&button, Qt::LeftButton);
        if (wait) {
            ASSERT_TRUE(WaitUntil([this] { return !viewer || viewer->Idle(); }));
        }
        after = ClockNow();
        dialogCount = dialogs.Count();
    }
    void SaveAs(QPushButton& button, const QString& typed) {
        Click(button, [&](QFileDialog& dialog) {
            TypeFileName(dialog, typed);
            PressAccept(dialog);
        });
    }

    // The viewer's state after a command: the button cleared and every control usable again.
    void ExpectIdle(const QPushButton& button) {
        EXPECT_FALSE(button.isChecked());
        const ControlState state = StateOf(*viewer);
        EXPECT_FALSE(state.saving);
        EXPECT_TRUE(state.All(true));
    }

    void ExpectSavesThePage(QPushButton& button, int compression, int options, uint16_t optionTag);

    TempDir out;
    CurrentFolder here;
    QPointer<viewer::PageViewer> viewer;
    Bitmap page;

    QString dialogTitle, dialogFilter, dialogSuffix, dialogFolder;
    bool asksBeforeReplacing = false;
    int dialogCount = 0;
    int overwriteQuestions = 0;
    QMessageBox::StandardButton replaceAnswer = QMessageBox::No;
    std::vector<BoxSeen> seen;
    QTime before, after;
    // Whether a click waits for the save it starts to end, its box answered.
    bool wait = true;
    std::optional<WhenShown<QMessageBox>> boxes;
};

void SaveCommandsTest::ExpectSavesThePage(QPushButton& button, int compression, int options,
                                          uint16_t optionTag) {
    SaveAs(button, "page");
    EXPECT_EQ(dialogCount, 1) << "the reset opens no second dialog";
    EXPECT_EQ(dialogTitle, kDialogTitle);
    EXPECT_EQ(dialogFilter, kFilter);
    EXPECT_EQ(dialogSuffix, "tif");
    EXPECT_EQ(dialogFolder, QDir::currentPath());
    EXPECT_TRUE(asksBeforeReplacing);
    ExpectIdle(button);

    ASSERT_EQ(seen.size(), 1u);
    const BoxSeen& box = seen[0];
    EXPECT_EQ(box.title, kBoxTitle);
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(box.buttonCount, 1);
    EXPECT_FALSE(box.controls.saving);
    const QRegularExpression format(QStringLiteral("^Done!\\n\\nDuration:  %1 - %1$").arg(kClock));
    const QRegularExpressionMatch match = format.match(box.text);
    ASSERT_TRUE(match.hasMatch()) << box.text.toStdString();
    const QTime start = QTime::fromString(match.captured(1), QStringLiteral("HH:mm:ss"));
    const QTime end = QTime::fromString(match.captured(2), QStringLiteral("HH:mm:ss"));
    if (before <= after) { // not across midnight
        EXPECT_LE(before, start);
        EXPECT_LE(start, end);
        EXPECT_LE(end, after);
    }

    ASSERT_TRUE(fs::exists(Saved("page.tif"))) << "the default extension is added";
    EXPECT_FALSE(fs::exists(Saved("page")));
    const std::vector<uint8_t> file = ReadFile(Saved("page.tif"));
    EXPECT_EQ(TagValue(file, tiff::tag::kImageWidth), kWidth);
    EXPECT_EQ(TagValue(file, tiff::tag::kImageLength), kHeight);
    EXPECT_EQ(TagValue(file, tiff::tag::kCompression), compression);
    EXPECT_EQ(TagValue(file, optionTag), options);
    EXPECT_EQ(TagValue(file, tiff::tag::kXResolution), 204 * 1000 + 1) << "the page's own 204/1";
    EXPECT_EQ(TagValue(file, tiff::tag::kYResolution), 196 * 1000 + 1) << "the page's own 196/1";
    const Bitmap saved = ReadWithLibtiff(Saved("page.tif"), 0);
    EXPECT_TRUE(saved == page) << DescribeDifferences(page, saved);
}

TEST_F(SaveCommandsTest, G3ButtonSavesTheShownPage) {
    ExpectSavesThePage(Find<QPushButton>(*viewer, "saveG3Button"), tiff::compression::kGroup3, 4,
                       tiff::tag::kT4Options);
}

TEST_F(SaveCommandsTest, G4ButtonSavesTheShownPage) {
    ExpectSavesThePage(Find<QPushButton>(*viewer, "saveG4Button"), tiff::compression::kGroup4, 2,
                       tiff::tag::kT6Options);
}

TEST_F(SaveCommandsTest, CancelWritesNothingAndClearsTheButton) {
    for (QPushButton* button : {&Find<QPushButton>(*viewer, "saveG3Button"),
                                &Find<QPushButton>(*viewer, "saveG4Button")}) {
        Click(*button, [](QFileDialog& dialog) { dialog.reject(); });
        EXPECT_EQ(dialogCount, 1);
        EXPECT_TRUE(seen.empty());
        ExpectIdle(*button);
    }
    EXPECT_EQ(FolderContents(out.Path()), std::vector<std::string>{"fax.tif"});
}

TEST_F(SaveCommandsTest, SaveIntoAMissingFolderSaysWhyAndWritesNothing) {
    const fs::path folder = fs::path(out.Path()) / "gone";
    const QString typed = QString::fromStdString((folder / "page").string());
    Click(Find<QPushButton>(*viewer, "saveG3Button"), [&](QFileDialog& dialog) {
        TypeFileName(dialog, typed);
        PressAccept(dialog);
        if (!dialog.isVisible())
            return;
        // The dialog wants the folder to exist: it goes away right after the name is taken.
        fs::create_directory(folder);
        QObject::connect(&dialog, &QDialog::accepted, [folder] { fs::remove_all(folder); });
        PressAccept(dialog);
    });
    EXPECT_EQ(dialogCount, 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, kBoxTitle);
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_FALSE(seen[0].text.contains("Done!"));
    EXPECT_TRUE(seen[0].text.contains(typed + ".tif")) << seen[0].text.toStdString();
    EXPECT_TRUE(seen[0].text.contains(QString::fromLocal8Bit(std::strerror(ENOENT))))
        << seen[0].text.toStdString();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(FolderContents(out.Path()), std::vector<std::string>{"fax.tif"});
    ExpectIdle(Find<QPushButton>(*viewer, "saveG3Button"));
}

TEST_F(SaveCommandsTest, AFailedWriteLeavesTheExistingFileUntouched) {
    const std::vector<uint8_t> old = {'o', 'l', 'd', ' ', 'p', 'a', 'g', 'e'};
    WriteFile(Saved("old.tif"), old);
    {
        const FileSizeLimit limit(100); // the header alone is longer
        SaveAs(Find<QPushButton>(*viewer, "saveG4Button"), "old");
    }
    EXPECT_EQ(overwriteQuestions, 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, kBoxTitle);
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(seen[0].text.contains(QString::fromStdString(Saved("old.tif"))))
        << seen[0].text.toStdString();
    EXPECT_TRUE(seen[0].text.contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
        << seen[0].text.toStdString();
    EXPECT_EQ(ReadFile(Saved("old.tif")), old);
    EXPECT_EQ(FolderContents(out.Path()), (std::vector<std::string>{"fax.tif", "old.tif"}))
        << "no half-written file is left";
    ExpectIdle(Find<QPushButton>(*viewer, "saveG4Button"));
}

TEST_F(SaveCommandsTest, SavingOverTheShownFileOfOneImageAsksNothingMore) {
    SaveAs(Find<QPushButton>(*viewer, "saveG3Button"), "fax");
    EXPECT_EQ(overwriteQuestions, 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].text.startsWith("Done!")) << seen[0].text.toStdString();
    EXPECT_TRUE(ReadWithLibtiff(Saved("fax.tif"), 0) == page);
}

// The shown page comes from a file of three images.
class SaveOverShownFileTest : public SaveCommandsTest {
protected:
    SaveOverShownFileTest() : SaveCommandsTest(kHeight, 3) {}
};

// Saving under the name of the file shown would lose its other images: the viewer asks first,
// and only Yes replaces the file. Then the viewer shows the file's one image, and says so.
TEST_F(SaveOverShownFileTest, AsksFirstNamingTheImagesThatWouldBeLost) {
    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        SCOPED_TRACE(answer == QMessageBox::Yes ? "Yes" : "No");
        const std::vector<uint8_t> before = ReadFile(Saved("fax.tif"));
        QSignalSpy replaced(viewer.data(), &viewer::PageViewer::FileReplaced);
        replaceAnswer = answer;
        seen.clear();
        SaveAs(Find<QPushButton>(*viewer, "saveG4Button"), "fax");
        ASSERT_EQ(seen.size(), answer == QMessageBox::Yes ? 2u : 1u);
        EXPECT_EQ(seen[0].title, kBoxTitle);
        EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
        EXPECT_EQ(seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(seen[0].text,
                  QString::fromStdString(Saved("fax.tif")) +
                      "\nis the file this page comes from, and it holds 3 images.\n\nSaving the "
                      "page under its name replaces the whole file: the other 2 images would be "
                      "lost.\n\nReplace it anyway?");
        ExpectIdle(Find<QPushButton>(*viewer, "saveG4Button"));
        if (answer == QMessageBox::No) {
            EXPECT_EQ(ReadFile(Saved("fax.tif")), before);
            EXPECT_EQ(replaced.count(), 0);
            continue;
        }
        EXPECT_TRUE(seen[1].text.startsWith("Done!")) << seen[1].text.toStdString();
        EXPECT_TRUE(ReadWithLibtiff(Saved("fax.tif"), 0) == page);
        EXPECT_EQ(replaced.count(), 1);
        EXPECT_EQ(viewer->ImageOffset(), 24) << "the saved file's one directory";
    }
    EXPECT_EQ(FolderContents(out.Path()), std::vector<std::string>{"fax.tif"});
}

// A save runs on a worker thread: the click returns with the save under way, whose end reaches
// the window only when it next processes events.
class SaveUnderWayTest : public SaveCommandsTest {
protected:
    SaveUnderWayTest() { wait = false; }
};

TEST_F(SaveUnderWayTest, TheWindowStaysUsableAndNoSecondSaveStarts) {
    SaveAs(Find<QPushButton>(*viewer, "saveG3Button"), "page");
    ASSERT_TRUE(viewer->Saving());
    EXPECT_TRUE(StateOf(*viewer).All(true)) << "nothing is held back";
    QTest::mouseClick(&Find<QPushButton>(*viewer, "saveG4Button"), Qt::LeftButton);
    EXPECT_EQ(dialogCount, 1) << "the second click opens no dialog";
    EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG4Button").isChecked());
    viewer->FitPage(); // the page may change while the save keeps the one it was given

    ASSERT_TRUE(WaitUntil([this] { return viewer->Idle() && !seen.empty(); }));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].text.startsWith("Done!"));
    EXPECT_EQ(Find<QComboBox>(*viewer, "zoomBox").currentText(), "Fit page");
    EXPECT_LT(DrawnPlan(*viewer).zoom, 100);
    EXPECT_TRUE(ReadWithLibtiff(Saved("page.tif"), 0) == page);
}

// Closing the window cancels its save: no box comes, no temporary file is left, and the file is
// there only if the save had already ended, whole.
TEST_F(SaveUnderWayTest, ClosingTheWindowCancelsTheSave) {
    SaveAs(Find<QPushButton>(*viewer, "saveG4Button"), "page");
    ASSERT_TRUE(viewer->Saving());
    viewer->close();
    EXPECT_FALSE(viewer->Saving());
    DeleteClosedWindows();
    QTest::qWait(100);
    EXPECT_TRUE(seen.empty());
    const std::vector<std::string> files = FolderContents(out.Path());
    if (files.size() == 2)
        EXPECT_TRUE(ReadWithLibtiff(Saved("page.tif"), 0) == page);
    else
        EXPECT_EQ(files, std::vector<std::string>{"fax.tif"});
    EXPECT_TRUE(viewer.isNull());
}

// A page that the viewer cannot show: 100000 x 100000 pixels, or without width and height.
TEST(SaveCommandsWithoutSurface, BothButtonsAreDisabled) {
    TempDir dir;
    for (const bool withSize : {true, false}) {
        const int64_t ifd = WriteUnshowableSizePage(dir.File("page.tif"), withSize);
        QPointer<viewer::PageViewer> viewer = OpenViewerAndWait(dir.File("page.tif"), ifd);
        ASSERT_TRUE(viewer);
        ASSERT_EQ(viewer->Surface(), nullptr);
        EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG3Button").isEnabled());
        EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG4Button").isEnabled());

        WhenShown<QFileDialog> dialogs([](QFileDialog& dialog) { dialog.reject(); });
        QTest::mouseClick(&Find<QPushButton>(*viewer, "saveG3Button"), Qt::LeftButton);
        Find<QPushButton>(*viewer, "saveG4Button")
            .setChecked(true); // the handler itself saves nothing either
        EXPECT_EQ(dialogs.Count(), 0);
        EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG3Button").isChecked());
        EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG4Button").isChecked());
        EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG3Button").isEnabled());
        EXPECT_FALSE(Find<QPushButton>(*viewer, "saveG4Button").isEnabled());
        EXPECT_FALSE(viewer->Saving());
        viewer->close();
        DeleteClosedWindows();
    }
}

} // namespace
} // namespace faxlens::test
