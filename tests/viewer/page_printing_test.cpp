// Printing a page in bands, checked as other programs read the printed PDF file: Ghostscript
// renders it back pixel for pixel, pdfimages lists the pictures it holds.

#include "support/export_pages.h"
#include "support/reading.h"
#include "support/tiff_builder.h"
#include "viewer/page_image.h"
#include "viewer/page_printing.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace faxlens::test {
namespace {

using viewer::PrintOutcome;

const std::string kFaxPages = std::string(FAXLENS_SAMPLES_DIR) + "/fax-three-pages.tif";

QString OutputOf(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(-1);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Each picture of the file as pdfimages lists it: "sheet type colours bits x-ppi y-ppi".
QStringList PicturesOf(const std::string& pdf) {
    QStringList pictures;
    for (const QString& line :
         OutputOf("pdfimages", {"-list", QString::fromStdString(pdf)}).split('\n')) {
        const QStringList f = line.split(' ', Qt::SkipEmptyParts);
        if (f.size() > 13 && f[0].toInt() > 0)
            pictures << QStringList{f[0], f[2], f[5], f[7], f[12], f[13]}.join(' ');
    }
    return pictures;
}

QPrinter& PdfPrinter(QPrinter& printer, const std::string& pdf, const QPageSize& paper,
                     const QMarginsF& marginInches = {}) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    printer.setPageSize(paper);
    printer.setPageMargins(marginInches, QPageLayout::Inch);
    return printer;
}

PrintOutcome PrintToPdf(const page::PageSurface& page, const int32_t dpi[2], const std::string& pdf,
                        const QPageSize& paper, const QMarginsF& marginInches = {},
                        const viewer::PrintProgress& progress = {}) {
    QPrinter printer(QPrinter::HighResolution);
    return viewer::PrintPageInBands(page, dpi[0], dpi[1],
                                    PdfPrinter(printer, pdf, paper, marginInches), progress);
}

// Lines of letters in a frame at the page's edges, and a red block when asked.
std::unique_ptr<page::PageSurface> FramedPage(int32_t width, int32_t height, bool colour) {
    auto page = SurfaceFrom(TextLikePage(width, height, 7));
    for (int32_t y = 0; y < height; ++y) {
        const bool edge = y == 0 || y == height - 1;
        const int64_t frame[] = {0, edge ? width : 1, width - 1, width};
        page->PaintSpans(y, frame, page::kColourBlack);
        if (colour && y >= height / 4 && y < height / 2)
            page->PaintLine(width / 3, y, width / 2, 0x0000FF);
    }
    return page;
}

// A rendered pixel over `shrink` x `shrink` page pixels: black when at least half of them are.
QRgb ExpectedAt(const page::PageSurface& page, int32_t x, int32_t y, int32_t shrink) {
    if (!page.IsBilevel())
        return viewer::ToQRgb(page.Pixel(x, y));
    int black = 0;
    for (int32_t v = 0; v < shrink * shrink; ++v)
        black += page.Pixel(x * shrink + v % shrink, y * shrink + v / shrink) == 0;
    return 2 * black >= shrink * shrink ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
}

// Rendered at the resolution its pixels reach on the sheet, the page shows them exactly where
// they belong: centred on the printable area, at its physical size or made smaller to fit, and
// when finer than the printer's 1200 dpi, made smaller to that. Black and white go out as
// pictures of one bit, colour in colour. The larger pages take two bands, which meet seamlessly.
TEST(PagePrinting, RendersBackPixelForPixelInItsPlace) {
    const struct {
        const char* name;
        int32_t dpi[2];    // the page's
        QSize pixels;      // the page's
        QSizeF paper;      // in inches
        QMarginsF margins; // in inches
        QPointF offset;    // the page's place on the sheet, in inches
        double fit;        // the share of its size the page keeps to fit
        int32_t shrink;    // page pixels across a rendered pixel
        bool colour;
    } cases[] = {
        {"fine, letter", {204, 196}, {1632, 1176}, {8.5, 11}, {}, {.25, 2.5}, 1, 1, false},
        {"normal", {204, 98}, {816, 196}, {4, 2}, {}, {}, 1, 1, false},
        {"margins", {300, 300}, {1200, 900}, {6, 5}, {1, .5, 0, 0}, {1.5, 1.25}, 1, 1, false},
        {"larger than the paper", {300, 300}, {1200, 600}, {2, 1}, {}, {}, 0.5, 1, false},
        {"finer than the printer", {2400, 2400}, {2400, 2400}, {1, 1}, {}, {}, 1, 2, false},
        {"three colours", {204, 196}, {816, 392}, {4, 2}, {}, {}, 1, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto page = FramedPage(c.pixels.width(), c.pixels.height(), c.colour);
        const int render[2] = {int(c.dpi[0] / c.fit / c.shrink), int(c.dpi[1] / c.fit / c.shrink)};
        TempDir dir;
        const std::string pdf = dir.File("printed.pdf");
        ASSERT_EQ(PrintToPdf(*page, c.dpi, pdf,
                             QPageSize(c.paper, QPageSize::Inch, {}, QPageSize::ExactMatch),
                             c.margins),
                  PrintOutcome::Printed);
        for (const QString& picture : PicturesOf(pdf))
            EXPECT_EQ(picture.section(' ', 1, 3), c.colour ? "image rgb 8" : "image gray 1");
        const QString png = QString::fromStdString(dir.File("rendered.png"));
        OutputOf("gs", {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=png16m",
                        QString("-r%1x%2").arg(render[0]).arg(render[1]), "-sOutputFile=" + png,
                        QString::fromStdString(pdf)});
        const QImage sheet = QImage(png).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(sheet.width(), qRound(c.paper.width() * render[0]));
        ASSERT_EQ(sheet.height(), qRound(c.paper.height() * render[1]));
        const QRect place(int(c.offset.x() * render[0]), int(c.offset.y() * render[1]),
                          page->Width() / c.shrink, page->Height() / c.shrink);
        int wrong = 0;
        for (int y = 0; y < sheet.height(); ++y)
            for (int x = 0; x < sheet.width(); ++x) {
                const QRgb expected =
                    place.contains(x, y) ? ExpectedAt(*page, x - place.x(), y - place.y(), c.shrink)
                                         : qRgb(255, 255, 255);
                if (sheet.pixel(x, y) != expected && ++wrong <= 5)
                    ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex
                                  << sheet.pixel(x, y);
            }
        EXPECT_EQ(wrong, 0);
    }
}

// The three pages of fax-three-pages.tif in one print job onto A4: a sheet each, each made a
// little smaller to fit, all in pictures of one bit, in a small file.
TEST(PagePrinting, FaxPagesMakeOnePrintJobOfOneBitPicturesInASmallFile) {
    TempDir dir;
    const std::string pdf = dir.File("printed.pdf");
    QPrinter printer(QPrinter::HighResolution);
    PdfPrinter(printer, pdf, QPageSize(QPageSize::A4));
    QPainter painter;
    ASSERT_TRUE(painter.begin(&printer));
    const std::vector<int64_t> offsets = ImageOffsetsOf(kFaxPages);
    for (const int64_t offset : offsets) {
        const page::ViewedPage fax = OpenViewedPage(kFaxPages, offset);
        ASSERT_NE(fax.Surface(), nullptr);
        ASSERT_TRUE(offset == offsets.front() || printer.newPage()); // a sheet a page
        const QRectF target =
            viewer::PrintedTarget(printer, *fax.Surface(), fax.XDotsPerInch(), fax.YDotsPerInch());
        EXPECT_EQ(viewer::PaintPageInBands(painter, *fax.Surface(), target), PrintOutcome::Printed);
    }
    ASSERT_TRUE(painter.end());
    QStringList pictures = PicturesOf(pdf);
    pictures.removeDuplicates(); // the bands of a sheet are alike
    EXPECT_EQ(pictures.join(", ").toStdString(),
              "1 image gray 1 209 100, 2 image gray 1 209 201, 3 image gray 1 209 201");
    EXPECT_LE(std::filesystem::file_size(pdf), 60'000u) << "all three pages";
}

// The progress hears of every band, in shares that grow up to 1; answering false stops the print
// at once, and the print says it was cancelled.
TEST(PagePrinting, ProgressFollowsTheBandsAndCanStopThePrint) {
    const auto page = SurfaceFrom(TextLikePage(1728, 2200));
    const int32_t dpi[2] = {204, 196};
    for (const int stopAt : {0, 1, 2}) { // the call that answers false; 0 for none
        SCOPED_TRACE(stopAt);
        TempDir dir;
        std::vector<double> shares;
        const PrintOutcome outcome = PrintToPdf(*page, dpi, dir.File("printed.pdf"),
                                                QPageSize(QPageSize::A4), {}, [&](double done) {
                                                    shares.push_back(done);
                                                    return int(shares.size()) != stopAt;
                                                });
        EXPECT_EQ(outcome, stopAt ? PrintOutcome::Cancelled : PrintOutcome::Printed);
        // Strictly growing: no share is at most the one before it.
        EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end(), std::less_equal<>()));
        if (stopAt) {
            EXPECT_EQ(int(shares.size()), stopAt);
        } else {
            EXPECT_TRUE(shares.size() >= 3 && shares.back() == 1.0) << "several bands, then 1";
        }
    }
}

} // namespace
} // namespace faxlens::test
