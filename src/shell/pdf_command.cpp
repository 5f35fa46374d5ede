// "Save Images As PDF...": every image of the open file as a page of one PDF file.

#include "shell/document_state.h"
#include "shell/form1.h"
#include "ui/file_dialogs.h"
#include "ui/path_text.h"
#include "ui/throttled_pump.h"
#include "viewer/pdf_export.h"

#include <QMessageBox>

namespace faxlens {

namespace {

const QString kPdfFilter = QStringLiteral("PDF Files          (*.PDF)");
const QString kPdfPattern = QStringLiteral("*.pdf");
const QString kPdfTitle = QStringLiteral("Save Images As PDF");

QString Said(const PdfOutcome& outcome, const QString& fileName) {
    if (!outcome.error.empty())
        return QStringLiteral("The images could not be saved as\n%1\n\n%2.")
            .arg(fileName, QString::fromStdString(outcome.error));
    QString text =
        QStringLiteral("Saved %1 page(s) as\n%2").arg(outcome.pagesWritten).arg(fileName);
    if (!outcome.leftOut.empty()) {
        text += QStringLiteral("\n\nLeft out:");
        for (const std::string& left : outcome.leftOut)
            text += u'\n' + QString::fromStdString(left);
    }
    return text;
}

} // namespace

void Form1::mnuSaveImagesAsPdf_Click() {
    const modFaxlens::DocumentState& state = modFaxlens::Document();
    if (state.Reading.Busy() || pdfSaving_.Busy() || state.ImageOffsets.empty())
        return;
    // Taken now: the document may change while events run during the save.
    const QString file = state.CurrentFile;
    std::vector<PdfImage> images;
    for (std::size_t k = 0; k < state.ImageOffsets.size(); ++k)
        images.push_back({static_cast<int>(k + 1), state.ImageOffsets[k]});
    const QString fileName = modCmDlgDLL::ShowSaveDialog(
        kPdfFilter, kPdfPattern, this, modFaxlens::DialogFolder(file), true, QString(), true);
    modFaxlens::RememberFolder(fileName);
    if (fileName.isEmpty())
        return;
    PdfOutcome outcome;
    {
        BusyGuard saving(pdfSaving_);
        outcome =
            WriteImagesAsPdf(NativePath(file), images, NativePath(fileName), ThrottledEventPump());
    }
    const bool clean = outcome.error.empty() && outcome.leftOut.empty();
    QMessageBox box(clean ? QMessageBox::NoIcon : QMessageBox::Warning, kPdfTitle,
                    Said(outcome, fileName), QMessageBox::Ok, this);
    box.exec();
}

} // namespace faxlens
