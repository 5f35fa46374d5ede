#include "viewer/page_save_command.h"

#include "base/save_target.h"
#include "tiff/image_list.h"
#include "ui/file_dialogs.h"
#include "ui/path_text.h"

#include <QMessageBox>
#include <QTime>

namespace faxlens::viewer {

namespace {

const QString kTifFilter = QStringLiteral("TIF Files          (*.TIF)");
const QString kTifPattern = QStringLiteral("*.tif");
const QString kSaveTitle = QStringLiteral("Save as TIF");

QString ClockTime() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

void ShowDone(QWidget* owner, const QString& start, const QString& end) {
    QMessageBox box(QMessageBox::NoIcon, kSaveTitle,
                    QStringLiteral("Done!\n\nDuration:  ") + start + QStringLiteral(" - ") + end,
                    QMessageBox::Ok, owner);
    box.exec();
}

// A save that fails says so, naming the file and the reason; nothing was written under its name.
void ShowFailure(QWidget* owner, const QString& fileName, const std::string& reason) {
    QMessageBox box(QMessageBox::Warning, kSaveTitle,
                    QStringLiteral("The page could not be saved as\n%1\n\n%2")
                        .arg(fileName, QString::fromLocal8Bit(reason.c_str())),
                    QMessageBox::Ok, owner);
    box.exec();
}

// Saving over the file that holds the shown page replaces all of it by this one page: when it
// holds other images, the user says first whether they may be lost.
bool MayReplaceFileShown(QWidget* owner, const QString& fileName, int images) {
    const int lost = images - 1;
    if (lost < 1)
        return true;
    QMessageBox box(QMessageBox::Warning, kSaveTitle,
                    QStringLiteral("%1\nis the file this page comes from, and it holds %2 "
                                   "images.\n\nSaving the page under its name replaces the whole "
                                   "file: %3 would be lost.\n\nReplace it anyway?")
                        .arg(fileName)
                        .arg(images)
                        .arg(lost == 1 ? QStringLiteral("the other image")
                                       : QStringLiteral("the other %1 images").arg(lost)),
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

void PageSaveCommand::Run(std::shared_ptr<const page::ViewedPage> page, const std::string& path,
                          page::SaveCoding coding) {
    if (Running() || !page || !page->Surface())
        return;
    const QString fileName =
        ui::ShowSaveDialog(kTifFilter, kTifPattern, &window_, ui::DialogFolder(ui::PathText(path)),
                           true, QString(), true);
    ui::RememberFolder(fileName);
    if (fileName.isEmpty())
        return;
    const bool replacesFileShown = IsSameFile(path, ui::NativePath(fileName));
    if (replacesFileShown &&
        !MayReplaceFileShown(&window_, fileName, static_cast<int>(tiff::ImagesOf(path).size())))
        return;
    Start(std::move(page), fileName, coding, replacesFileShown);
}

void PageSaveCommand::Start(std::shared_ptr<const page::ViewedPage> page, const QString& fileName,
                            page::SaveCoding coding, bool replacesFileShown) {
    const QString start = ClockTime();
    // The save's check runs after every row: its calls count the share done.
    task_.StartReporting<Status>(
        [page = std::move(page), out = ui::NativePath(fileName),
         coding](const WorkCheck& check, const ui::ProgressReport& report) {
            const double rows = page->Surface()->Height();
            int64_t saved = 0;
            return page->Save(coding, out, [&] {
                CheckWork(check);
                report(static_cast<double>(++saved) / rows);
            });
        },
        [this, start, fileName, replacesFileShown](Status saved) {
            const QString end = ClockTime();
            if (saved && replacesFileShown)
                emit FileReplaced();
            if (saved)
                ShowDone(&window_, start, end);
            else
                ShowFailure(&window_, fileName, saved.Reason());
        });
}

} // namespace faxlens::viewer
