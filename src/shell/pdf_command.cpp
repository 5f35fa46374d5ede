// "Save Images As PDF...": every image of the open file as a page of one PDF file.

#include "page/pdf_export.h"
#include "shell/document_state.h"
#include "shell/form1.h"
#include "ui/file_dialogs.h"
#include "ui/path_text.h"
#include "ui/throttled_pump.h"

#include <QMessageBox>

namespace faxlens::shell {

namespace {

const QString kPdfFilter = QStringLiteral("PDF Files          (*.PDF)");
const QString kPdfPattern = QStringLiteral("*.pdf");
const QString kPdfTitle = QStringLiteral("Save Images As PDF");

// The images named under a heading, one a line; nothing when there are none.
QString Listed(const QString& heading, const std::vector<std::string>& images) {
    QString text;
    if (!images.empty())
        text += QStringLiteral("\n\n") + heading;
    for (const std::string& image : images)
        text += u'\n' + QString::fromStdString(image);
    return text;
}

QString Said(const page::PdfReport& report, const QString& fileName) {
    if (!report.written)
        return QStringLiteral("The images could not be saved as\n%1\n\n%2.")
                   .arg(fileName, QString::fromLocal8Bit(report.written.Reason().c_str())) +
               Listed(QStringLiteral("Left out:"), report.leftOut);
    return QStringLiteral("Saved %1 page(s) as\n%2").arg(report.pagesWritten).arg(fileName) +
           Listed(QStringLiteral("Left out:"), report.leftOut) +
           Listed(QStringLiteral("Damaged, saved as far as they decode:"), report.damaged);
}

page::PdfReport WriteFileAsPdf(const QString& file, const std::vector<page::PdfImage>& images,
                               const QString& fileName) {
    const Result<tiff::TiffFile> tiff = tiff::TiffFile::Open(ui::NativePath(file));
    Result<page::PdfReport> report =
        tiff ? page::WriteImagesAsPdf(*tiff, images, ui::NativePath(fileName),
                                      ui::ThrottledEventPump())
             : Fail(tiff.Reason());
    if (report)
        return std::move(*report);
    page::PdfReport unread;
    unread.written = Fail("The TIFF file cannot be read: " + report.Reason());
    return unread;
}

} // namespace

void Form1::mnuSaveImagesAsPdf_Click() {
    const shell::DocumentState& state = shell::Document();
    if (state.Reading.Busy() || pdfSaving_.Busy() || state.ImageOffsets.empty())
        return;
    // Taken now: the document may change while events run during the save.
    const QString file = state.CurrentFile;
    std::vector<page::PdfImage> images;
    for (std::size_t k = 0; k < state.ImageOffsets.size(); ++k)
        images.push_back({static_cast<int>(k + 1), state.ImageOffsets[k]});
    const QString fileName = ui::ShowSaveDialog(kPdfFilter, kPdfPattern, this,
                                                ui::DialogFolder(file), true, QString(), true);
    ui::RememberFolder(fileName);
    if (fileName.isEmpty())
        return;
    page::PdfReport report;
    {
        ui::BusyGuard saving(pdfSaving_);
        report = WriteFileAsPdf(file, images, fileName);
    }
    const bool clean = report.written && report.leftOut.empty() && report.damaged.empty();
    QMessageBox box(clean ? QMessageBox::NoIcon : QMessageBox::Warning, kPdfTitle,
                    Said(report, fileName), QMessageBox::Ok, this);
    box.exec();
}

} // namespace faxlens::shell
