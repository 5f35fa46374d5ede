#pragma once

// Printing a page a band of rows at a time, so that the memory it takes stays bounded whatever
// the page's size: each band is scaled from the page's own pixels by the area scaler and drawn
// as a picture of its own. A page of black and white goes out as pictures of one bit a pixel,
// any other page in 24-bit colour. Nothing here needs the viewer window: QPainter may paint on a
// printer outside the GUI thread, so a print can run on a worker thread.

#include "page/page_surface.h"

#include <QRectF>
#include <cstdint>
#include <functional>

class QPagedPaintDevice;
class QPainter;
class QPrinter;

namespace faxlens::viewer {

// Called after every band with the share of the page done, from above 0 up to 1 for the last
// band; returning false stops the print there.
using PrintProgress = std::function<bool(double done)>;

enum class PrintOutcome { Printed, Cancelled, Failed };

// Where the page goes on the device's current sheet, in the device's pixels from the top-left
// corner of its printable area (where a painter on it starts): at the page's physical size,
// scaled down only when larger than the printable area, and centred (see PrintedPlace). xDpi and
// yDpi are the page's dots per inch, 0 when unknown. Empty when the page or area is.
QRectF PrintedTarget(const QPagedPaintDevice& device, const page::PageSurface& page, int32_t xDpi,
                     int32_t yDpi);

// Paints the page onto `target` (in the painter's coordinates, one unit a device pixel) with a
// painter already begun, band by band. The bands hold no more pixels than the page has, nor
// more than the target covers of the device, along each axis. Stopped by the progress, it leaves
// the bands drawn so far and gives Cancelled; Failed when the target is empty or a band's
// picture cannot be had. Several pages go into one print job by calling it once a sheet, with
// QPagedPaintDevice::newPage() between them.
PrintOutcome PaintPageInBands(QPainter& painter, const page::PageSurface& page,
                              const QRectF& target, const PrintProgress& progress = {});

// Prints the page alone onto a printer already set up, as a print job of one sheet: begins a
// painter on it, paints the page at PrintedTarget and ends the painter, whatever the outcome.
// A print that is stopped is abandoned (QPrinter::abort) before the painter ends, and gives
// Cancelled; Qt's PDF and CUPS printers cannot abandon a job, so they still put out the bands
// drawn so far. Failed when the painter cannot begin or end.
PrintOutcome PrintPageInBands(const page::PageSurface& page, int32_t xDpi, int32_t yDpi,
                              QPrinter& printer, const PrintProgress& progress = {});

} // namespace faxlens::viewer
