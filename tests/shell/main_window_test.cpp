#include "shell/main_window.h"
#include "shell/program.h"
#include "support/libtiff_pages.h"
#include "support/main_window_driving.h"
#include "support/reading.h"
#include "support/window_driving.h"
#include "ui/file_dialogs.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace faxlens::test {
namespace {

using shell::Document;

const QString kNoFile = "Status:  Ready...    (Double-Click HERE to open a TIF file)";
const QString kReading = "Status:  Reading TIF...";
const QString kListed = "Status:  Ready...   (Double-Click HERE to open a TIF file)";

QStringList Entries(const QListWidget& list) {
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts << list.item(row)->text();
    return texts;
}

QString ReportShown(const std::string& path, int64_t ifdOffset) {
    return QString::fromLatin1(ReportOf(path, ifdOffset)).replace("\r\n", "\n");
}

class Form1Test : public ::testing::Test {
protected:
    Form1Test() {
        ForgetDocument();
        ui::ForgetLastFolder();
    }

    void Show() {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    void ClickEntry(int row) {
        const QRect rect = Find<QListWidget>(form, "imageList")
                               .visualItemRect(Find<QListWidget>(form, "imageList").item(row));
        QTest::mouseClick(Find<QListWidget>(form, "imageList").viewport(), Qt::LeftButton, {},
                          rect.center());
    }
    bool Open(const std::string& path) { return OpenAndWait(form, path); }

    TempDir dir;
    shell::MainWindow form;
};

TEST(Form1Layout, TwipGeometryAt96Dpi) {
    shell::MainWindow form;
    ASSERT_EQ(form.logicalDpiX(), 96);
    ASSERT_EQ(form.logicalDpiY(), 96);
    EXPECT_EQ(form.windowTitle(), "Faxlens");
    EXPECT_EQ(form.size(), QSize(430, 187));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.font().family(), "Tahoma");
    EXPECT_EQ(form.font().pointSizeF(), 8.25);
    EXPECT_TRUE(form.windowIcon().availableSizes().contains(QSize(32, 32)));

    EXPECT_EQ(Find<QGroupBox>(form, "imagesFrame").geometry(), QRect(6, 6, 154, 145));
    EXPECT_EQ(Find<QListWidget>(form, "imageList").geometry(), QRect(9, 15, 136, 121));
    EXPECT_EQ(Find<QGroupBox>(form, "settingsFrame").geometry(), QRect(165, 6, 259, 145));
    EXPECT_EQ(Find<QPlainTextEdit>(form, "tagReport").geometry(), QRect(9, 15, 241, 121));
    EXPECT_EQ(Find<QGroupBox>(form, "statusFrame").geometry(), QRect(6, 150, 418, 31));
    EXPECT_EQ(Find<QLabel>(form, "statusLine").geometry(), QRect(6, 11, 394, 17));
    EXPECT_EQ(Find<QListWidget>(form, "imageList").parentWidget(),
              &Find<QGroupBox>(form, "imagesFrame"));
    EXPECT_EQ(Find<QPlainTextEdit>(form, "tagReport").parentWidget(),
              &Find<QGroupBox>(form, "settingsFrame"));
    EXPECT_EQ(Find<QLabel>(form, "statusLine").parentWidget(),
              &Find<QGroupBox>(form, "statusFrame"));
    EXPECT_EQ(Find<QGroupBox>(form, "imagesFrame").title(), "Images");
    EXPECT_EQ(Find<QGroupBox>(form, "settingsFrame").title(), "Settings");
    EXPECT_EQ(Find<QGroupBox>(form, "statusFrame").title(), "");
    EXPECT_EQ(Find<QPlainTextEdit>(form, "tagReport").verticalScrollBarPolicy(),
              Qt::ScrollBarAlwaysOn);
}

TEST(Form1Layout, TabGoesFromListToReport) {
    shell::MainWindow form;
    QWidget* next = Find<QListWidget>(form, "imageList").nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus)
        next = next->nextInFocusChain();
    EXPECT_EQ(next, &Find<QPlainTextEdit>(form, "tagReport"));
}

TEST_F(Form1Test, StartsCentredWithoutFile) {
    form.Start("");
    EXPECT_TRUE(form.isVisible());
    const QRect screen = form.screen()->geometry();
    EXPECT_LE((form.frameGeometry().center() - screen.center()).manhattanLength(), 1);
    EXPECT_EQ(Find<QLabel>(form, "statusLine").text(), kNoFile);
    EXPECT_EQ(Find<QListWidget>(form, "imageList").count(), 0);
    EXPECT_TRUE(Find<QPlainTextEdit>(form, "tagReport").toPlainText().isEmpty());
}

TEST_F(Form1Test, OpeningListsNumberedEntriesWithoutSelection) {
    const std::string path = WritePages(dir, "three.tif", 3);
    EXPECT_TRUE(Open(path));
    EXPECT_EQ(Entries(Find<QListWidget>(form, "imageList")), QStringList({"1", "2", "3"}));
    EXPECT_EQ(Find<QLabel>(form, "statusLine").text(), kListed);
    EXPECT_EQ(Document().CurrentFile.toStdString(), path);
    EXPECT_EQ(form.SelectedEntry(), -1);
    EXPECT_TRUE(Find<QPlainTextEdit>(form, "tagReport").toPlainText().isEmpty());
}

TEST_F(Form1Test, EmptyIfdGetsNoNumberAndSecondEntryReportsThirdIfd) {
    TiffBuilder builder;
    AddPage(builder, 100).Ifd();
    AddPage(builder, 300);
    const std::string path = dir.File("gap.tif");
    builder.WriteTo(path);
    Show();
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(Entries(Find<QListWidget>(form, "imageList")), QStringList({"1", "2"}));

    ClickEntry(1);
    const QString report = Find<QPlainTextEdit>(form, "tagReport").toPlainText();
    EXPECT_EQ(report, ReportShown(path, builder.IfdOffsets()[2]));
    EXPECT_TRUE(report.contains("ImageWidth = 300\n")) << report.toStdString();
    EXPECT_EQ(Find<QPlainTextEdit>(form, "tagReport").document()->blockCount(), 4);
}

TEST_F(Form1Test, QuotedCommandLineOpensAtStartUp) {
    const std::string path = WritePages(dir, "quoted name.tif", 2);
    form.Start(QString::fromStdString(" \"" + path + "\" "));
    ASSERT_TRUE(WaitUntil([this] { return !form.Listing(); }));
    EXPECT_EQ(Document().CurrentFile.toStdString(), path);
    EXPECT_EQ(Entries(Find<QListWidget>(form, "imageList")), QStringList({"1", "2"}));
}

TEST_F(Form1Test, KeyboardSelectionShowsReport) {
    const std::string path = WritePages(dir, "keys.tif", 3);
    Show();
    ASSERT_TRUE(Open(path));
    Find<QListWidget>(form, "imageList").setFocus();
    QTest::keyClick(&Find<QListWidget>(form, "imageList"), Qt::Key_Down);
    EXPECT_TRUE(
        Find<QPlainTextEdit>(form, "tagReport").toPlainText().contains("ImageWidth = 1000\n"));
    QTest::keyClick(&Find<QListWidget>(form, "imageList"), Qt::Key_End);
    EXPECT_EQ(Find<QPlainTextEdit>(form, "tagReport").toPlainText(),
              ReportShown(path, Document().ImageOffsets[2]));
}

// The report is read anew on every selection: once the changed file is listed again (a file of
// the same layout, whose entries would otherwise pass for the old ones), it shows what is there.
TEST_F(Form1Test, SelectingAgainRereadsTheFile) {
    const std::string path = WritePages(dir, "changing.tif", 2);
    Show();
    ASSERT_TRUE(Open(path));
    ClickEntry(0);
    ClickEntry(1);
    TiffBuilder changed;
    AddPage(changed, 2222);
    AddPage(changed, 1001);
    changed.WriteTo(path);
    ClickEntry(0);
    EXPECT_EQ(Find<QLabel>(form, "statusLine").text(), shell::kStatusFileChanged);
    QTest::keyClick(&Find<QListWidget>(form, "imageList"), Qt::Key_F5);
    ASSERT_TRUE(Settle(form));
    ClickEntry(1);
    ClickEntry(0);
    EXPECT_TRUE(
        Find<QPlainTextEdit>(form, "tagReport").toPlainText().contains("ImageWidth = 2222\n"));
}

TEST_F(Form1Test, FileThatCannotBeOpenedEmptiesListAndReport) {
    Show();
    ASSERT_TRUE(Open(WritePages(dir, "good.tif", 2)));
    ClickEntry(0);
    ASSERT_FALSE(Find<QPlainTextEdit>(form, "tagReport").toPlainText().isEmpty());

    QString said;
    WhenShown<QMessageBox> box([&](QMessageBox& shown) {
        said = shown.text();
        shown.accept();
    });
    EXPECT_FALSE(Open(dir.File("missing.tif")));
    EXPECT_EQ(box.Count(), 1);
    EXPECT_EQ(said.toStdString(),
              "Cannot open " + dir.File("missing.tif") + "\n\nNo such file or directory.");
    EXPECT_EQ(Find<QListWidget>(form, "imageList").count(), 0);
    EXPECT_TRUE(Find<QPlainTextEdit>(form, "tagReport").toPlainText().isEmpty());
    EXPECT_EQ(Find<QLabel>(form, "statusLine").text(), kNoFile)
        << "the status line is back at its start";
    EXPECT_TRUE(Document().CurrentFile.isEmpty());
}

// Every file that cannot be listed is named in a box with the reason in words.
TEST_F(Form1Test, FilesThatAreNoTiffSayWhy) {
    const std::string text = dir.File("text.tif");
    WriteFile(text, {'h', 'e', 'l', 'l', 'o', ' ', 'f', 'a', 'x'});
    const std::string png = dir.File("picture.tif");
    WriteFile(png, {0x89, 'P', 'N', 'G', 0x0D, 0x0A});
    const std::string empty = dir.File("empty.tif");
    WriteFile(empty, {});
    const std::string big = dir.File("big.tif");
    WriteFile(big, {'I', 'I', 43, 0, 8, 0, 0, 0});
    const std::pair<std::string, std::string> cases[] = {
        {text, "Not a TIFF file: it begins with \"hell\""},
        {png, "Not a TIFF file: it begins with 89 50 4E 47"},
        {empty, "The file is empty"},
        {big, "Not a TIFF file that Faxlens reads: it is a BigTIFF file"},
        {dir.Path(), "Is a folder"},
    };
    for (const auto& [path, reason] : cases) {
        QString said;
        WhenShown<QMessageBox> box([&](QMessageBox& shown) {
            said = shown.text();
            shown.accept();
        });
        EXPECT_FALSE(Open(path));
        EXPECT_EQ(said.toStdString(), "Cannot open " + path + "\n\n" + reason + ".");
        EXPECT_EQ(Find<QListWidget>(form, "imageList").count(), 0);
        EXPECT_EQ(Find<QLabel>(form, "statusLine").text(), kNoFile);
    }
}

TEST_F(Form1Test, ReportCannotBeEdited) {
    Show();
    ASSERT_TRUE(Open(WritePages(dir, "report.tif", 1)));
    ClickEntry(0);
    const QString report = Find<QPlainTextEdit>(form, "tagReport").toPlainText();
    Find<QPlainTextEdit>(form, "tagReport").setFocus();
    QTest::keyClicks(&Find<QPlainTextEdit>(form, "tagReport"), "typed");
    QTest::keyClick(&Find<QPlainTextEdit>(form, "tagReport"), Qt::Key_Delete);
    EXPECT_TRUE(Find<QPlainTextEdit>(form, "tagReport").isReadOnly());
    EXPECT_EQ(Find<QPlainTextEdit>(form, "tagReport").toPlainText(), report);
}

TEST_F(Form1Test, DoubleClickOnStatusOpensTheChosenFile) {
    const std::string path = WritePages(dir, "chosen.tif", 2);
    CurrentFolder folder(dir.Path());
    Show();
    QString title, filter, startFolder;
    WhenShown<QFileDialog> choose([&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        filter = FilterText(dialog);
        startFolder = dialog.directory().absolutePath();
        TypeFileName(dialog, "chosen.tif");
        PressAccept(dialog);
    });
    QTest::mouseDClick(&Find<QLabel>(form, "statusLine"), Qt::LeftButton);
    ASSERT_TRUE(Settle(form));
    EXPECT_EQ(choose.Count(), 1);
    EXPECT_EQ(title, "Select a File...");
    EXPECT_EQ(filter, "TIF Files          (*.TIF)");
    EXPECT_EQ(startFolder.toStdString(), dir.Path());
    EXPECT_EQ(Document().CurrentFile.toStdString(), path);
    EXPECT_EQ(Entries(Find<QListWidget>(form, "imageList")), QStringList({"1", "2"}));
}

// Ctrl+O asks as the status line does; the dialog starts in the open file's folder and lists
// .tif and .tiff files in any letter case, or every file with the second filter.
TEST_F(Form1Test, CtrlOOpensTheDialogInTheOpenFilesFolder) {
    TempDir other;
    const std::string open = WritePages(other, "open.tif", 1);
    WritePages(other, "lower.tiff", 1);
    WritePages(other, "UPPER.TiF", 1);
    WriteFile(other.File("notes.txt"), {'x'});
    CurrentFolder folder(dir.Path());
    Show();
    ASSERT_TRUE(Open(open));
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QString startFolder;
    QStringList filters, listed;
    WhenShown<QFileDialog> look([&](QFileDialog& dialog) {
        startFolder = dialog.directory().absolutePath();
        auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; combo && i < combo->count(); ++i)
            filters << combo->itemText(i);
        auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return view && view->model()->rowCount(view->rootIndex()) >= 3; }));
        for (int row = 0; view && row < view->model()->rowCount(view->rootIndex()); ++row)
            listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
        dialog.reject();
    });
    QTest::keyClick(&Find<QListWidget>(form, "imageList"), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(look.Count(), 1);
    EXPECT_EQ(startFolder.toStdString(), other.Path());
    EXPECT_EQ(filters, QStringList({"TIF Files          (*.TIF)", "All Files          (*.*)"}));
    listed.sort();
    EXPECT_EQ(listed, QStringList({"UPPER.TiF", "lower.tiff", "open.tif"}));
}

TEST_F(Form1Test, ADroppedFileOpensAsIfChosenInTheDialog) {
    const std::string path = WritePages(dir, "dropped.tif", 3);
    Show();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    ASSERT_TRUE(Settle(form));
    EXPECT_EQ(Document().CurrentFile.toStdString(), path);
    EXPECT_EQ(Entries(Find<QListWidget>(form, "imageList")), QStringList({"1", "2", "3"}));
    EXPECT_EQ(ui::LastFolder().toStdString(), dir.Path());
}

// Enter opens the entry that has the focus even when it is not selected.
TEST_F(Form1Test, EnterOpensTheFocusedEntryEvenUnselected) {
    Show();
    ASSERT_TRUE(Open(WritePages(dir, "pages.tif", 3)));
    Find<QListWidget>(form, "imageList").setFocus();
    Find<QListWidget>(form, "imageList")
        .selectionModel()
        ->setCurrentIndex(Find<QListWidget>(form, "imageList").model()->index(2, 0),
                          QItemSelectionModel::NoUpdate);
    ASSERT_EQ(form.SelectedEntry(), -1);
    QTest::keyClick(&Find<QListWidget>(form, "imageList"), Qt::Key_Return);
    ASSERT_EQ(form.OpenViewers().size(), 1);
    EXPECT_EQ(form.OpenViewers().front()->ImageOffset(), Document().ImageOffsets.at(2));
    EXPECT_EQ(form.SelectedEntry(), 2);
    form.OpenViewers().front()->close();
}

// F5 lists the file again as it now is; the selected entry stays selected and its report is
// read anew.
TEST_F(Form1Test, F5ListsTheFileAgainAsItIsNow) {
    const std::string path = WritePages(dir, "growing.tif", 2);
    Show();
    ASSERT_TRUE(Open(path));
    ClickEntry(1);
    WritePages(dir, "growing.tif", 3);
    QTest::keyClick(&Find<QListWidget>(form, "imageList"), Qt::Key_F5);
    ASSERT_TRUE(Settle(form));
    EXPECT_EQ(Entries(Find<QListWidget>(form, "imageList")), QStringList({"1", "2", "3"}));
    EXPECT_EQ(form.SelectedEntry(), 1);
    EXPECT_EQ(Find<QPlainTextEdit>(form, "tagReport").toPlainText(),
              ReportShown(path, Document().ImageOffsets.at(1)));
    EXPECT_EQ(Find<QLabel>(form, "statusLine").text(), kListed);
}

// A file changed on disk after it was listed: the list's entries stand for what it held, so the
// report, the viewer and the PDF refuse them and the status line says why, until F5 lists it
// again.
TEST_F(Form1Test, EntriesOfAFileChangedOnDiskAreRefusedUntilF5) {
    const std::string path = WritePages(dir, "changing.tif", 3);
    Show();
    ASSERT_TRUE(Open(path));
    ClickEntry(0);
    ASSERT_TRUE(
        Find<QPlainTextEdit>(form, "tagReport").toPlainText().contains("ImageWidth = 1000"));
    TiffBuilder other;
    AddPage(other, 2222);
    other.WriteTo(path);

    ClickEntry(2);
    EXPECT_EQ(Find<QPlainTextEdit>(form, "tagReport").toPlainText(),
              "The file changed on disk: press F5 to list it again.");
    EXPECT_EQ(Find<QLabel>(form, "statusLine").text(),
              "The file changed on disk: press F5 to list it again");
    QTest::keyClick(&Find<QListWidget>(form, "imageList"), Qt::Key_Return);
    EXPECT_TRUE(form.OpenViewers().isEmpty());

    QTest::keyClick(&Find<QListWidget>(form, "imageList"), Qt::Key_F5);
    ASSERT_TRUE(Settle(form));
    EXPECT_EQ(Entries(Find<QListWidget>(form, "imageList")), QStringList({"1"}));
    EXPECT_EQ(Find<QLabel>(form, "statusLine").text(), kListed);
    ClickEntry(0);
    EXPECT_TRUE(
        Find<QPlainTextEdit>(form, "tagReport").toPlainText().contains("ImageWidth = 2222"));
}

// The list's menu saves every image of the file as one PDF file, starting in the file's folder.
TEST_F(Form1Test, SaveImagesAsPdfWritesEveryImageAsAPage) {
    const std::string path = dir.File("fax.tif");
    WriteFaxPages(path, {TextLikePage(800, 100, 1), TextLikePage(900, 120, 2)}, {});
    Show();
    ASSERT_TRUE(Open(path));
    QString filter, startFolder, said;
    WhenShown<QFileDialog> name([&](QFileDialog& dialog) {
        filter = FilterText(dialog);
        startFolder = dialog.directory().absolutePath();
        TypeFileName(dialog, QString::fromStdString(dir.File("pages")));
        PressAccept(dialog);
    });
    WhenShown<QMessageBox> box([&](QMessageBox& shown) {
        said = shown.text();
        shown.accept();
    });
    EXPECT_TRUE(Find<QMenu>(form, "imageListMenu")
                    .actions()
                    .contains(&Find<QAction>(form, "saveImagesAsPdfAction")));
    Find<QAction>(form, "saveImagesAsPdfAction").trigger();
    ASSERT_TRUE(Settle(form));
    EXPECT_EQ(filter, "PDF Files          (*.PDF)");
    EXPECT_EQ(startFolder.toStdString(), dir.Path());
    EXPECT_EQ(said.toStdString(), "Saved 2 page(s) as\n" + dir.File("pages.pdf"));
    const std::vector<uint8_t> pdf = ReadFile(dir.File("pages.pdf"));
    const std::string text(pdf.begin(), pdf.end());
    EXPECT_TRUE(text.starts_with("%PDF-1.4"));
    EXPECT_NE(text.find("/Type /Pages /Kids [5 0 R 8 0 R] /Count 2"), std::string::npos);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Ctrl+click selects several images; the list's menu then names and saves those, in the list's
// order, as the pages of one fax file that libtiff reads back as the images.
TEST_F(Form1Test, SelectedImagesSaveAsOneFaxFile) {
    const std::string path = dir.File("fax.tif");
    const std::vector<Bitmap> pages = {TextLikePage(800, 100, 1), TextLikePage(900, 120, 2),
                                       TextLikePage(700, 90, 3)};
    WriteFaxPages(path, pages, {});
    Show();
    ASSERT_TRUE(Open(path));
    auto& list = Find<QListWidget>(form, "imageList");
    ClickEntry(2);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list.visualItemRect(list.item(0)).center());
    QString said;
    WhenShown<QFileDialog> name([&](QFileDialog& dialog) {
        TypeFileName(dialog, QString::fromStdString(dir.File("chosen")));
        PressAccept(dialog);
    });
    WhenShown<QMessageBox> box([&](QMessageBox& shown) {
        said = shown.text();
        shown.accept();
    });
    QStringList offered;
    QTimer::singleShot(50, [&] {
        for (QAction* action : Find<QMenu>(form, "imageListMenu").actions())
            offered << action->text();
        Find<QMenu>(form, "imageListMenu").close();
    });
    const QPoint at = list.visualItemRect(list.item(2)).center();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &menu);
    ASSERT_TRUE(WaitUntil([&] { return !offered.isEmpty(); }));
    EXPECT_TRUE(offered.contains("Save 2 Selected Images As TIFF (G4)..."))
        << offered.join(" | ").toStdString();
    EXPECT_TRUE(offered.contains("Save 2 Selected Images As PDF..."));
    Find<QAction>(form, "saveImagesAsG4Action").trigger();
    ASSERT_TRUE(Settle(form));
    EXPECT_EQ(said.toStdString(), "Saved 2 page(s) as\n" + dir.File("chosen.tif"));
    EXPECT_TRUE(ReadWithLibtiff(dir.File("chosen.tif"), 0) == pages[0]);
    EXPECT_TRUE(ReadWithLibtiff(dir.File("chosen.tif"), 1) == pages[2]);
}

// A viewer that saves its page over the listed file of three images, once the user has agreed
// to lose the other two: the list shows the file's one image, selected, with its report.
TEST_F(Form1Test, SavingOverTheListedFileListsItAnew) {
    const std::string path = dir.File("fax.tif");
    WriteFaxPages(
        path, {TextLikePage(800, 100, 1), TextLikePage(900, 120, 2), TextLikePage(700, 90, 3)}, {});
    Show();
    ASSERT_TRUE(Open(path));
    ClickEntry(1);
    QTest::keyClick(&Find<QListWidget>(form, "imageList"), Qt::Key_Return);
    ASSERT_EQ(form.OpenViewers().size(), 1);
    ASSERT_TRUE(Settle(form));
    viewer::PageViewer& viewer = *form.OpenViewers().front();
    QStringList asked;
    WhenShown<QFileDialog> name([&](QFileDialog& dialog) {
        TypeFileName(dialog, QString::fromStdString(path));
        PressAccept(dialog);
    });
    WhenShown<QMessageBox> boxes([&](QMessageBox& box) {
        asked << box.text();
        box.button(box.standardButtons().testFlag(QMessageBox::Yes) ? QMessageBox::Yes
                                                                    : QMessageBox::Ok)
            ->click();
    });
    QTest::mouseClick(&Find<QPushButton>(viewer, "saveG4Button"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return asked.size() == 3 && !form.Listing(); }));
    ASSERT_EQ(asked.size(), 3) << asked.join(" | ").toStdString(); // replace?, images lost?, done
    EXPECT_TRUE(asked[1].contains("the other 2 images would be lost")) << asked[1].toStdString();
    EXPECT_EQ(Entries(Find<QListWidget>(form, "imageList")), QStringList({"1"}));
    EXPECT_EQ(form.SelectedEntry(), 0);
    EXPECT_EQ(Find<QPlainTextEdit>(form, "tagReport").toPlainText(),
              ReportShown(path, Document().ImageOffsets.at(0)));
    EXPECT_TRUE(Find<QPlainTextEdit>(form, "tagReport").toPlainText().contains("ImageWidth = 900"));
    viewer.close();
}

TEST_F(Form1Test, CancelledOpenDialogChangesNothing) {
    Show();
    ASSERT_TRUE(Open(WritePages(dir, "kept.tif", 2)));
    ClickEntry(1);
    const QString report = Find<QPlainTextEdit>(form, "tagReport").toPlainText();
    WhenShown<QFileDialog> cancel([](QFileDialog& dialog) { dialog.reject(); });
    QTest::mouseDClick(&Find<QLabel>(form, "statusLine"), Qt::LeftButton);
    EXPECT_EQ(cancel.Count(), 1);
    EXPECT_EQ(Entries(Find<QListWidget>(form, "imageList")), QStringList({"1", "2"}));
    EXPECT_EQ(Find<QPlainTextEdit>(form, "tagReport").toPlainText(), report);
    EXPECT_EQ(Find<QLabel>(form, "statusLine").text(), kListed);
}

// A file is listed on a worker thread: until its listing is complete the list and the state are
// empty and the status line says it is read; a newer open replaces a listing under way, whose
// images never reach the list.
TEST_F(Form1Test, NewerOpenReplacesTheListingUnderWay) {
    const std::string first = WritePages(dir, "first.tif", 3000);
    const std::string second = WritePages(dir, "second.tif", 2);
    Show();
    form.OpenTifFile(QString::fromStdString(first));
    EXPECT_TRUE(form.Listing());
    EXPECT_EQ(Find<QLabel>(form, "statusLine").text(), kReading);
    EXPECT_EQ(Find<QListWidget>(form, "imageList").count(), 0);
    EXPECT_TRUE(Document().CurrentFile.isEmpty());
    EXPECT_TRUE(Open(second));
    // The first listing's result, had it been delivered late, would show here.
    QTest::qWait(50);
    EXPECT_EQ(Document().CurrentFile.toStdString(), second);
    EXPECT_EQ(Entries(Find<QListWidget>(form, "imageList")), QStringList({"1", "2"}));
    EXPECT_EQ(Find<QLabel>(form, "statusLine").text(), kListed);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(Open(first));
    EXPECT_EQ(Find<QListWidget>(form, "imageList").count(), 3000);
}

TEST(Form1Run, ClosingTheWindowWhileStartUpFileIsReadEndsTheProgram) {
    TempDir dir;
    const std::string path = WritePages(dir, "many.tif", 120);
    bool closedWhileReading = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* form = qobject_cast<shell::MainWindow*>(window);
            if (form && form->isVisible() && Find<QLabel>(*form, "statusLine").text() == kReading) {
                closedWhileReading = true;
                form->close();
            }
        }
    });
    closer.start(0);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(20000);

    EXPECT_EQ(shell::Run(QString::fromStdString(path)), 0);
    EXPECT_TRUE(closedWhileReading);
}

} // namespace
} // namespace faxlens::test
