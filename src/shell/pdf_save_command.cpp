#include "shell/pdf_save_command.h"

#include "page/pdf_export.h"
#include "ui/file_dialogs.h"
#include "ui/path_text.h"

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

// On a worker thread: everything it reads is its own.
page::PdfReport WriteFileAsPdf(const QString& file, const std::vector<page::PdfImage>& images,
                               const QString& fileName, const WorkCheck& check) {
    const Result<tiff::TiffFile> tiff = tiff::TiffFile::Open(ui::NativePath(file));
    Result<page::PdfReport> report =
        tiff ? page::WriteImagesAsPdf(*tiff, images, ui::NativePath(fileName), check)
             : Fail(tiff.Reason());
    if (report)
        return std::move(*report);
    page::PdfReport unread;
    unread.written = Fail("The TIFF file cannot be read: " + report.Reason());
    return unread;
}

} // namespace

void PdfSaveCommand::Run(const QString& file, const std::vector<int64_t>& offsets) {
    if (Running() || offsets.empty())
        return;
    std::vector<page::PdfImage> images;
    for (std::size_t k = 0; k < offsets.size(); ++k)
        images.push_back({static_cast<int>(k + 1), offsets[k]});
    const QString fileName = ui::ShowSaveDialog(kPdfFilter, kPdfPattern, &window_,
                                                ui::DialogFolder(file), true, QString(), true);
    ui::RememberFolder(fileName);
    if (fileName.isEmpty())
        return;
    connect(&task_, &ui::BackgroundTask::Ended, this, &PdfSaveCommand::Ended,
            Qt::SingleShotConnection);
    task_.Start<page::PdfReport>(
        [file, images, fileName](const WorkCheck& check) {
            return WriteFileAsPdf(file, images, fileName, check);
        },
        [this, fileName](page::PdfReport report) {
            const bool clean = report.written && report.leftOut.empty() && report.damaged.empty();
            QMessageBox box(clean ? QMessageBox::NoIcon : QMessageBox::Warning, kPdfTitle,
                            Said(report, fileName), QMessageBox::Ok, &window_);
            box.exec();
        });
}

} // namespace faxlens::shell
