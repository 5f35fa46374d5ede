#include "viewer/page_printing.h"

#include "viewer/area_scaler.h"
#include "viewer/page_image.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace faxlens::viewer {

namespace {

// A band holds about this many pixels: its 24-bit levels take 3 MiB and its picture of one bit
// a pixel 128 KiB, whatever the page's size, while a fax page of A4 still goes out in a handful
// of pictures.
constexpr int64_t kBandPixels = int64_t{1} << 20;

// The pixels the page is printed as, laid over the target: along each axis as many as the
// target covers of the device, but never more than the page has. A page finer than the device
// is thus made smaller to the device's resolution by the area scaler; any other goes out with
// its own pixels one for one, and the renderer (or the printer itself; Qt sends CUPS printers a
// PDF too) enlarges each into whole device pixels without smoothing, since Qt never asks a PDF
// picture to be interpolated. Enlarging here by a whole factor instead gives the same print in
// a larger file: an A4 page of fax-three-pages.tif (1728 x 2200 at 204 x 196 dpi) printed to a
// PDF file at 1200 dpi takes 8.8 KB as it is, 16 KB enlarged 2 x 2, 29 KB 3 x 3 and 80 KB
// 5 x 6 (1020 x 1176 dpi); a page dense with text 36 KB as it is, 100 KB at 4 x 4.
struct BandGrid {
    QRectF target;
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowsPerBand = 0;

    int32_t Bands() const { return (height + rowsPerBand - 1) / rowsPerBand; }
    int32_t FirstRow(int32_t band) const { return std::min(band * rowsPerBand, height); }
    // Where grid row `row` starts on the device; two bands that meet share this edge exactly,
    // so that nothing shows between them.
    double Top(int32_t row) const { return target.top() + target.height() * row / height; }
    QRectF Place(int32_t from, int32_t to) const {
        return {target.left(), Top(from), target.width(), Top(to) - Top(from)};
    }
};

int32_t GridPixels(int32_t pagePixels, double devicePixels) {
    return static_cast<int32_t>(std::clamp(std::round(devicePixels), 1.0, double(pagePixels)));
}

BandGrid GridFor(const page::PageSurface& page, const QRectF& target) {
    BandGrid grid{target, GridPixels(page.Width(), target.width()),
                  GridPixels(page.Height(), target.height())};
    grid.rowsPerBand =
        static_cast<int32_t>(std::clamp<int64_t>(kBandPixels / grid.width, 1, grid.height));
    return grid;
}

bool IsBlackOrWhite(page::ColourValue colour) {
    return colour == page::kColourBlack || colour == page::kColourWhite;
}

// Only black and white print as one bit a pixel: Qt writes a picture of one bit into a PDF file
// as such only when its colour 0 is black and its colour 1 white; it turns any other into a
// picture of 24 bits.
bool PrintsInOneBit(const page::PageSurface& page) {
    return page.IsBilevel() && IsBlackOrWhite(page.Background()) && IsBlackOrWhite(page.Ink());
}

// The page's bits with each colour standing for its blackness, so that the red level of a
// scaled pixel is the share of it that is black (255 for all of it).
PixelSource BlacknessOf(const page::PageSurface& page) {
    const auto blackness = [](page::ColourValue colour) {
        return colour == page::kColourBlack ? page::kColourWhite : page::kColourBlack;
    };
    PixelSource source = SourceOf(page);
    source.zeroColour = blackness(page.Background());
    source.oneColour = blackness(page.Ink());
    return source;
}

// Rows [from, to) of the grid, scaled from the whole page into three bytes a pixel.
void ScaleRows(const PixelSource& source, const BandGrid& grid, int32_t from, int32_t to,
               uint8_t* pixels, std::ptrdiff_t stride) {
    ScaleAreaAverage(source, 0, 0, source.width, source.height,
                     {pixels, grid.width, to - from, stride}, 0, -from, grid.width, grid.height);
}

// A pixel at least half black is black (its level, rounded half up, is then 128 or more), so
// that a stroke one pixel wide survives the page being made half as large. Bits of 0 are black.
void Threshold(const uint8_t* levels, int32_t width, uchar* bits) {
    std::memset(bits, 0xFF, static_cast<std::size_t>(width + 7) / 8);
    for (int32_t x = 0; x < width; ++x)
        if (levels[std::ptrdiff_t{x} * 3] >= 128)
            bits[x >> 3] &= static_cast<uchar>(~(0x80 >> (x & 7)));
}

QImage OneBitBand(const PixelSource& blackness, const BandGrid& grid, int32_t from, int32_t to,
                  std::vector<uint8_t>& levels) {
    const std::ptrdiff_t stride = std::ptrdiff_t{grid.width} * 3;
    levels.resize(static_cast<std::size_t>(stride * (to - from)));
    ScaleRows(blackness, grid, from, to, levels.data(), stride);
    QImage band(grid.width, to - from, QImage::Format_Mono);
    if (band.isNull())
        return band;
    band.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int32_t y = 0; y < band.height(); ++y)
        Threshold(levels.data() + y * stride, grid.width, band.scanLine(y));
    return band;
}

QImage ColourBand(const PixelSource& source, const BandGrid& grid, int32_t from, int32_t to) {
    QImage band(grid.width, to - from, QImage::Format_RGB888);
    if (!band.isNull())
        ScaleRows(source, grid, from, to, band.bits(), band.bytesPerLine());
    return band;
}

PrintOutcome PaintBands(QPainter& painter, const page::PageSurface& page, const BandGrid& grid,
                        const PrintProgress& progress) {
    const bool oneBit = PrintsInOneBit(page);
    const PixelSource source = oneBit ? BlacknessOf(page) : SourceOf(page);
    std::vector<uint8_t> levels; // reused by every band
    for (int32_t band = 0; band < grid.Bands(); ++band) {
        const int32_t from = grid.FirstRow(band);
        const int32_t to = grid.FirstRow(band + 1);
        const QImage picture = oneBit ? OneBitBand(source, grid, from, to, levels)
                                      : ColourBand(source, grid, from, to);
        if (picture.isNull())
            return PrintOutcome::Failed;
        painter.drawImage(grid.Place(from, to), picture);
        if (progress && !progress(double(band + 1) / grid.Bands()))
            return PrintOutcome::Cancelled;
    }
    return PrintOutcome::Printed;
}

} // namespace

QRectF PrintedTarget(const QPagedPaintDevice& device, const page::PageSurface& page, int32_t xDpi,
                     int32_t yDpi) {
    const QRectF area = device.pageLayout().paintRect(QPageLayout::Inch);
    const QRectF place = PrintedPlace(PageInches(page, xDpi, yDpi), area.size());
    const double dotsX = device.logicalDpiX();
    const double dotsY = device.logicalDpiY();
    return {place.x() * dotsX, place.y() * dotsY, place.width() * dotsX, place.height() * dotsY};
}

PrintOutcome PaintPageInBands(QPainter& painter, const page::PageSurface& page,
                              const QRectF& target, const PrintProgress& progress) {
    if (!target.isValid() || target.isEmpty())
        return PrintOutcome::Failed;
    painter.save();
    // Colour pictures go out exactly, as Flate streams: the colours of a fax page lie in flat
    // areas, which JPEG fringes at every edge and squeezes less (an A4 fax page with a block of
    // colour takes 182 KB in Flate, 990 KB in JPEG).
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const PrintOutcome outcome = PaintBands(painter, page, GridFor(page, target), progress);
    painter.restore();
    return outcome;
}

PrintOutcome PrintPageInBands(const page::PageSurface& page, int32_t xDpi, int32_t yDpi,
                              QPrinter& printer, const PrintProgress& progress) {
    QPainter painter;
    if (!painter.begin(&printer))
        return PrintOutcome::Failed;
    const PrintOutcome outcome =
        PaintPageInBands(painter, page, PrintedTarget(printer, page, xDpi, yDpi), progress);
    if (outcome == PrintOutcome::Cancelled)
        printer.abort();
    const bool ended = painter.end();
    return outcome == PrintOutcome::Printed && !ended ? PrintOutcome::Failed : outcome;
}

} // namespace faxlens::viewer
