// The shown page out of the viewer: onto the clipboard and onto a printer.

#include "viewer/page_image.h"
#include "viewer/view_form.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>

namespace faxlens::viewer {

void ViewForm::CopyPage() {
    if (const page::PageSurface* page = page_.Surface())
        QGuiApplication::clipboard()->setImage(
            PageImage(*page, page_.XDotsPerInch(), page_.YDotsPerInch()));
}

void ViewForm::PrintPage() {
    if (!page_.Surface() || saving_.Busy())
        return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Print"));
    if (dialog.exec() == QDialog::Accepted)
        PrintPageOn(printer);
}

bool ViewForm::PrintPageOn(QPrinter& printer) {
    const page::PageSurface* page = page_.Surface();
    if (page == nullptr)
        return false;
    const QImage image = PageImage(*page, page_.XDotsPerInch(), page_.YDotsPerInch());
    QPainter painter;
    if (image.isNull() || !painter.begin(&printer))
        return false;
    // The painter's origin is the top-left corner of the printable area.
    const QRectF area = printer.pageRect(QPrinter::Inch);
    const QRectF place =
        PrintedPlace(PageInches(*page, page_.XDotsPerInch(), page_.YDotsPerInch()), area.size());
    const double dotsX = printer.resolution();
    const double dotsY = printer.resolution();
    const QRectF target(place.x() * dotsX, place.y() * dotsY, place.width() * dotsX,
                        place.height() * dotsY);
    painter.drawImage(target, image);
    return painter.end();
}

} // namespace faxlens::viewer
