// The viewer's two save commands: the shown page saved as a Group 3 or a Group 4 TIFF file.

#include "shell/file_dialogs.h"
#include "shell/path_text.h"
#include "shell/throttled_pump.h"
#include "viewer/view_form.h"

#include <QMessageBox>
#include <QTime>

namespace faxlens {

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

} // namespace

// Holds back the controls that could start another save or redraw the page while a save runs.
class ViewForm::SavingScope {
public:
    explicit SavingScope(ViewForm& form) : form_(form) {
        form_.saving_ = true;
        SetControlsEnabled(false);
    }
    ~SavingScope() {
        SetControlsEnabled(true);
        form_.saving_ = false;
    }
    SavingScope(const SavingScope&) = delete;
    SavingScope& operator=(const SavingScope&) = delete;

private:
    void SetControlsEnabled(bool enabled) {
        for (QWidget* control :
             {static_cast<QWidget*>(&form_.Check1), static_cast<QWidget*>(&form_.Check2),
              static_cast<QWidget*>(&form_.Combo1), static_cast<QWidget*>(&form_.HScroll1),
              static_cast<QWidget*>(&form_.VScroll1)})
            control->setEnabled(enabled);
    }

    ViewForm& form_;
};

void ViewForm::Check1_Click() {
    SaveCommand(Check1, modConvert_DC2TIF::SavePageG3);
}

void ViewForm::Check2_Click() {
    SaveCommand(Check2, modConvert_DC2TIF::SavePageG4);
}

void ViewForm::SaveCommand(QPushButton& button, SavePage savePage) {
    if (!button.isChecked())
        return; // the reset below raises the event once more
    if (!saving_ && page_.surface) {
        const QString fileName = modCmDlgDLL::ShowSaveDialog(kTifFilter, kTifPattern, this,
                                                             QString(), true, QString(), true);
        if (!fileName.isEmpty())
            SaveShownPage(fileName, savePage);
    }
    button.setChecked(false);
}

void ViewForm::SaveShownPage(const QString& fileName, SavePage savePage) {
    BusyScope busy(*this);
    const QString start = ClockTime();
    modConvert_DC2TIF::SaveResult result;
    {
        SavingScope saving(*this);
        // No resolution, and the size of the surface: as the page is shown.
        result = savePage(*page_.surface, 0, 0, NativePath(fileName), 0, 0, ThrottledEventPump());
    }
    const QString end = ClockTime();
    if (result.saved)
        ShowDone(this, start, end);
    else
        ShowFailure(this, fileName, result.error);
}

} // namespace faxlens
