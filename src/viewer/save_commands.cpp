// The viewer's two save commands: the shown page saved as a Group 3 or a Group 4 TIFF file.

#include "base/save_target.h"
#include "tiff/image_list.h"
#include "ui/file_dialogs.h"
#include "ui/path_text.h"
#include "ui/throttled_pump.h"
#include "viewer/view_form.h"

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

// The controls and commands that could start another save, redraw the page or change it wait
// while a save runs, under the busy cursor.
void ViewForm::HoldControlsBack(bool held) {
    if (held)
        ui::ShowBusyCursor();
    else
        ui::EndBusyCursor();
    for (QWidget* control : {static_cast<QWidget*>(&Check1), static_cast<QWidget*>(&Check2),
                             static_cast<QWidget*>(&Combo1)})
        control->setEnabled(!held);
    for (QAction* action : actions_.MenuOrder())
        action->setEnabled(!held);
    UpdateScrollBars();
}

void ViewForm::Check1_Click() {
    SaveCommand(Check1, page::SaveCoding::Group3);
}

void ViewForm::Check2_Click() {
    SaveCommand(Check2, page::SaveCoding::Group4);
}

void ViewForm::SaveCommand(QPushButton& button, page::SaveCoding coding) {
    if (!button.isChecked())
        return; // the reset below raises the event once more
    if (!saving_.Busy() && page_.Surface()) {
        const QString fileName =
            ui::ShowSaveDialog(kTifFilter, kTifPattern, this, ui::DialogFolder(ui::PathText(path_)),
                               true, QString(), true);
        ui::RememberFolder(fileName);
        const bool replacesFileShown =
            !fileName.isEmpty() && IsSameFile(path_, ui::NativePath(fileName));
        if (!fileName.isEmpty() &&
            (!replacesFileShown ||
             MayReplaceFileShown(this, fileName, static_cast<int>(tiff::ImagesOf(path_).size()))))
            SaveShownPage(fileName, coding, replacesFileShown);
    }
    button.setChecked(false);
}

void ViewForm::SaveShownPage(const QString& fileName, page::SaveCoding coding,
                             bool replacesFileShown) {
    ui::BusyGuard busy(busy_);
    const QString start = ClockTime();
    faxlens::Status saved;
    {
        ui::BusyGuard saving(saving_);
        saved = page_.Save(coding, ui::NativePath(fileName), ui::ThrottledEventPump());
    }
    const QString end = ClockTime();
    if (saved && replacesFileShown)
        TakeReplacedFile();
    if (saved)
        ShowDone(this, start, end);
    else
        ShowFailure(this, fileName, saved.Reason());
}

// The file now holds the saved page as its one image, which the viewer shows from now on.
void ViewForm::TakeReplacedFile() {
    if (const std::vector<int64_t> offsets = tiff::ImagesOf(path_); !offsets.empty())
        ifdOffset_ = offsets.front();
    emit FileReplaced(ui::PathText(path_));
}

} // namespace faxlens::viewer
