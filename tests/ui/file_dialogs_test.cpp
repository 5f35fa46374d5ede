#include "support/window_driving.h"
#include "ui/file_dialogs.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QListView>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

namespace faxlens::test {
namespace {

using ui::ShowOpenDialog;
using ui::ShowSaveDialog;

const QString kFilter = "TIF Files          (*.TIF)";

class FileDialogsTest : public ::testing::Test {
protected:
    QString Folder() const { return QString::fromStdString(dir.Path()); }
    QString InFolder(const QString& name) const { return Folder() + "/" + name; }
    void Touch(const std::string& name) { WriteFile(dir.File(name), {0}); }

    // Types the name into the save dialog and presses Save.
    QString SaveAs(const QString& typed, bool overwritePrompt = true) {
        WhenShown<QFileDialog> save([&](QFileDialog& dialog) {
            TypeFileName(dialog, typed);
            PressAccept(dialog);
        });
        return ui::ShowSaveDialog(kFilter, "*.tif", nullptr, Folder(), true, "", overwritePrompt);
    }

    TempDir dir;
};

TEST_F(FileDialogsTest, OpenDialogShowsTifFilesOfEitherCaseOnly) {
    Touch("upper.TIF");
    Touch("lower.tif");
    Touch("other.bmp");
    QStringList shown;
    QString title, filter;
    WhenShown<QFileDialog> look([&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        filter = FilterText(dialog);
        auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
        auto* model = dialog.findChild<QFileSystemModel*>();
        const QModelIndex folder = model->index(Folder());
        EXPECT_TRUE(QTest::qWaitFor([&] { return model->rowCount(folder) >= 2; }, 5000));
        for (int row = 0; row < model->rowCount(folder); ++row)
            if (!view->isRowHidden(row))
                shown << model->index(row, 0, folder).data().toString();
        dialog.reject();
    });
    EXPECT_EQ(ui::ShowOpenDialog(kFilter, "*.TIF", nullptr, Folder(), true), "");
    EXPECT_EQ(title, "Select a File...");
    EXPECT_EQ(filter, kFilter);
    shown.sort();
    EXPECT_EQ(shown, QStringList({"lower.tif", "upper.TIF"}));
}

TEST_F(FileDialogsTest, OpenDialogRefusesMissingFile) {
    Touch("there.tif");
    int refusals = 0;
    WhenShown<QFileDialog> choose([&](QFileDialog& dialog) {
        WhenShown<QMessageBox> notFound([](QMessageBox& box) { box.accept(); });
        TypeFileName(dialog, "absent.tif");
        PressAccept(dialog);
        refusals = notFound.Count();
        TypeFileName(dialog, "there.tif");
        PressAccept(dialog);
    });
    EXPECT_EQ(ui::ShowOpenDialog(kFilter, "*.TIF", nullptr, Folder(), true), InFolder("there.tif"));
    EXPECT_EQ(refusals, 1);
}

TEST_F(FileDialogsTest, SaveDialogAddsDefaultExtensionOnlyToBareNames) {
    EXPECT_EQ(SaveAs("page"), InFolder("page.tif"));
    EXPECT_EQ(SaveAs("page.TIF"), InFolder("page.TIF"));
    EXPECT_EQ(SaveAs("page.bmp"), InFolder("page.bmp"));
}

TEST_F(FileDialogsTest, SaveDialogTitleFilterAndDefaultName) {
    QString title, filter, name;
    WhenShown<QFileDialog> look([&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        filter = FilterText(dialog);
        name = FileNameText(dialog);
        PressAccept(dialog);
    });
    EXPECT_EQ(ui::ShowSaveDialog(kFilter, "*.tif", nullptr, Folder(), true, "fax", true),
              InFolder("fax.tif"));
    EXPECT_EQ(title, "Save As...");
    EXPECT_EQ(filter, kFilter);
    EXPECT_EQ(name, "fax");
}

TEST_F(FileDialogsTest, CancelledDialogsGiveEmptyText) {
    WhenShown<QFileDialog> cancel([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(ui::ShowSaveDialog(kFilter, "*.tif", nullptr, Folder(), true, "page", true), "");
    EXPECT_EQ(ui::ShowOpenDialog(kFilter, "*.TIF", nullptr, Folder(), true), "");
    EXPECT_EQ(cancel.Count(), 2);
}

TEST_F(FileDialogsTest, SaveDialogAsksBeforeReplacingWhenTold) {
    Touch("old.tif");
    int questions = 0;
    WhenShown<QFileDialog> save([&](QFileDialog& dialog) {
        WhenShown<QMessageBox> keep([](QMessageBox& box) { box.done(QMessageBox::No); });
        TypeFileName(dialog, "old");
        PressAccept(dialog);
        questions = keep.Count();
        if (dialog.isVisible())
            dialog.reject();
    });
    EXPECT_EQ(ui::ShowSaveDialog(kFilter, "*.tif", nullptr, Folder(), true, "", true), "");
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(SaveAs("old", false), InFolder("old.tif"));
}

} // namespace
} // namespace faxlens::test
