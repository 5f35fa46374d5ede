#include "shell/images_save_command.h"

#include "page/pages_export.h"
#include "page/pdf_export.h"
#include "ui/file_dialogs.h"
#include "ui/path_text.h"

#include <QMessageBox>

namespace faxlens::shell {

namespace {

struct FormatText {
    QString filter;
    QString pattern;
    QString title;
};

FormatText TextOf(ImagesFormat format) {
    if (format == ImagesFormat::Pdf)
        return {QStringLiteral("PDF Files          (*.PDF)"), QStringLiteral("*.pdf"),
                QStringLiteral("Save Images As PDF")};
    return {QStringLiteral("TIF Files          (*.TIF)"), QStringLiteral("*.tif"),
            QStringLiteral("Save Images As TIFF")};
}

// What a save did, whatever it wrote.
struct SaveSummary {
    Status written;
    int pages = 0;
    std::vector<std::string> leftOut;
    std::vector<std::string> damaged;
};

// The images named under a heading, one a line; nothing when there are none.
QString Listed(const QString& heading, const std::vector<std::string>& images) {
    QString text;
    if (!images.empty())
        text += QStringLiteral("\n\n") + heading;
    for (const std::string& image : images)
        text += u'\n' + QString::fromStdString(image);
    return text;
}

QString Said(const SaveSummary& summary, const QString& fileName) {
    if (!summary.written)
        return QStringLiteral("The images could not be saved as\n%1\n\n%2.")
                   .arg(fileName, QString::fromLocal8Bit(summary.written.Reason().c_str())) +
               Listed(QStringLiteral("Left out:"), summary.leftOut);
    return QStringLiteral("Saved %1 page(s) as\n%2").arg(summary.pages).arg(fileName) +
           Listed(QStringLiteral("Left out:"), summary.leftOut) +
           Listed(QStringLiteral("Damaged, saved as far as they decode:"), summary.damaged);
}

Result<SaveSummary> WriteImages(ImagesFormat format, const tiff::TiffFile& file,
                                const std::vector<ListedImage>& images, const std::string& out,
                                const WorkCheck& check) {
    if (format == ImagesFormat::Pdf) {
        std::vector<page::PdfImage> pdfImages;
        for (const ListedImage& image : images)
            pdfImages.push_back({image.number, image.offset});
        Result<page::PdfReport> report = page::WriteImagesAsPdf(file, pdfImages, out, check);
        if (!report)
            return std::move(report).TakeFailure();
        return SaveSummary{report->written, report->pagesWritten, report->leftOut, report->damaged};
    }
    std::vector<page::SourceImage> sources;
    for (const ListedImage& image : images)
        sources.push_back({&file, image.offset, "image " + std::to_string(image.number)});
    page::PagesOptions options;
    options.coding =
        format == ImagesFormat::TiffG3 ? page::SaveCoding::Group3 : page::SaveCoding::Group4;
    Result<page::PagesReport> report = page::WriteImagesAsTiff(sources, out, options, check);
    if (!report)
        return std::move(report).TakeFailure();
    return SaveSummary{report->written, report->pagesWritten, report->leftOut, report->damaged};
}

// On a worker thread: everything it reads is its own.
SaveSummary WriteFileImages(ImagesFormat format, const QString& file,
                            const std::vector<ListedImage>& images, const QString& fileName,
                            const WorkCheck& check) {
    const Result<tiff::TiffFile> tiff = tiff::TiffFile::Open(ui::NativePath(file));
    Result<SaveSummary> summary =
        tiff ? WriteImages(format, *tiff, images, ui::NativePath(fileName), check)
             : Fail(tiff.Reason());
    if (summary)
        return std::move(*summary);
    SaveSummary unread;
    unread.written = Fail("The TIFF file cannot be read: " + summary.Reason());
    return unread;
}

} // namespace

void ImagesSaveCommand::Run(ImagesFormat format, const QString& file,
                            const std::vector<ListedImage>& images) {
    if (Running() || images.empty())
        return;
    const FormatText text = TextOf(format);
    const QString fileName = ui::ShowSaveDialog(text.filter, text.pattern, &window_,
                                                ui::DialogFolder(file), true, QString(), true);
    ui::RememberFolder(fileName);
    if (fileName.isEmpty())
        return;
    connect(&task_, &ui::BackgroundTask::Ended, this, &ImagesSaveCommand::Ended,
            Qt::SingleShotConnection);
    task_.Start<SaveSummary>(
        [format, file, images, fileName](const WorkCheck& check) {
            return WriteFileImages(format, file, images, fileName, check);
        },
        [this, fileName, title = text.title](SaveSummary summary) {
            const bool clean =
                summary.written && summary.leftOut.empty() && summary.damaged.empty();
            QMessageBox box(clean ? QMessageBox::NoIcon : QMessageBox::Warning, title,
                            Said(summary, fileName), QMessageBox::Ok, &window_);
            box.exec();
        });
}

} // namespace faxlens::shell
