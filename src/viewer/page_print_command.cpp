#include "viewer/page_print_command.h"

#include "tiff/image_list.h"
#include "viewer/page_printing.h"

#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>
#include <vector>

namespace faxlens::viewer {

namespace {

const QString kPrintTitle = QStringLiteral("Print");

// The images a print takes: the page shown alone, or pages of the file, each the page shown
// where it is that image.
struct PrintedPages {
    std::shared_ptr<const page::ViewedPage> shown;
    std::string path;
    int64_t shownOffset = 0;
    int first = 0; // 0: the page shown alone
    int last = 0;
};

// One sheet a page; a page that cannot be shown is left out. True when every page was printed.
// The share done counts the sheets asked for, each as far as its bands are painted.
bool PaintSheets(QPainter& painter, QPrinter& printer, const PrintedPages& pages,
                 const WorkCheck& check, const ui::ProgressReport& report) {
    const int sheets = pages.first == 0 ? 1 : std::max(1, pages.last - pages.first + 1);
    int sheet = 0;
    const PrintProgress progress = [&](double done) {
        CheckWork(check);
        report((sheet + done) / sheets);
        return true;
    };
    const auto paint = [&](const page::ViewedPage& page, bool first) {
        if (!page.Surface())
            return false;
        if (!first && !printer.newPage())
            return false;
        const QRectF target =
            PrintedTarget(printer, *page.Surface(), page.XDotsPerInch(), page.YDotsPerInch());
        return PaintPageInBands(painter, *page.Surface(), target, progress) ==
               PrintOutcome::Printed;
    };
    if (pages.first == 0)
        return paint(*pages.shown, true);
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(pages.path);
    const Result<tiff::ImageList> images =
        file ? tiff::ListImages(*file, 0, check) : Result<tiff::ImageList>(Fail({}));
    if (!images)
        return false;
    bool whole = true;
    bool first = true;
    for (int number = pages.first; number <= pages.last; ++number) {
        sheet = number - pages.first;
        if (number < 1 || number > static_cast<int>(images->offsets.size())) {
            whole = false;
            continue;
        }
        const int64_t offset = images->offsets[static_cast<std::size_t>(number - 1)];
        bool printed = false;
        if (offset == pages.shownOffset) {
            printed = paint(*pages.shown, first);
        } else if (Result<page::ViewedPage> page = page::ViewedPage::Open(*file, offset, check)) {
            printed = paint(*page, first);
        }
        first = first && !printed;
        whole = whole && printed;
    }
    return whole;
}

} // namespace

void PagePrintCommand::Run(std::shared_ptr<const page::ViewedPage> shown, const std::string& path,
                           int64_t shownOffset) {
    if (Running() || !shown || !shown->Surface())
        return;
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    const int images = static_cast<int>(tiff::ImagesOf(path).size());
    QPrintDialog dialog(printer.get(), &window_);
    dialog.setWindowTitle(kPrintTitle);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCurrentPage);
    dialog.setMinMax(1, std::max(1, images));
    // The page shown is what a print is first meant for.
    printer->setPrintRange(QPrinter::CurrentPage);
    if (dialog.exec() != QDialog::Accepted)
        return;
    int first = 0;
    int last = 0;
    if (printer->printRange() == QPrinter::AllPages) {
        first = 1;
        last = images;
    } else if (printer->printRange() == QPrinter::PageRange) {
        first = printer->fromPage();
        last = printer->toPage();
    }
    Start(std::move(printer), std::move(shown), path, shownOffset, first, last);
}

void PagePrintCommand::Start(std::shared_ptr<QPrinter> printer,
                             std::shared_ptr<const page::ViewedPage> shown, const std::string& path,
                             int64_t shownOffset, int first, int last) {
    PrintedPages pages{std::move(shown), path, shownOffset, first, last};
    task_.StartReporting<bool>(
        [printer = std::move(printer), pages = std::move(pages)](const WorkCheck& check,
                                                                 const ui::ProgressReport& report) {
            QPainter painter;
            if (!painter.begin(printer.get()))
                return false;
            try {
                const bool whole = PaintSheets(painter, *printer, pages, check, report);
                return painter.end() && whole;
            } catch (const WorkCancelled&) {
                printer->abort();
                painter.end();
                throw;
            }
        },
        [this](bool whole) {
            if (!whole) {
                QMessageBox box(QMessageBox::Warning, kPrintTitle,
                                QStringLiteral("Not every page could be printed."), QMessageBox::Ok,
                                &window_);
                box.exec();
            }
            emit Printed(whole);
        });
}

} // namespace faxlens::viewer
