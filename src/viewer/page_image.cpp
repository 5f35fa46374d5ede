#include "viewer/page_image.h"

#include "page/pdf_writer.h"

#include <algorithm>
#include <cstring>

namespace faxlens::viewer {

namespace {

constexpr double kMetresPerInch = 0.0254;

QImage BitImage(const page::PageSurface& page) {
    QImage image(page.Width(), page.Height(), QImage::Format_Mono);
    if (image.isNull())
        return image;
    image.setColorCount(2);
    image.setColor(0, ToQRgb(page.Background()));
    image.setColor(1, ToQRgb(page.Ink()));
    const auto rowBytes = static_cast<std::size_t>(
        std::min<qsizetype>(image.bytesPerLine(), static_cast<qsizetype>(page.PlaneStride())));
    for (int32_t y = 0; y < page.Height(); ++y) {
        uchar* row = image.scanLine(y);
        if (page.RowsPainted(y, 1))
            std::memcpy(row, page.PlaneRow(y), rowBytes);
        else
            std::memset(row, 0, static_cast<std::size_t>(image.bytesPerLine()));
    }
    return image;
}

QImage ColourImage(const page::PageSurface& page) {
    QImage image(page.Width(), page.Height(), QImage::Format_RGB888);
    for (int32_t y = 0; !image.isNull() && y < page.Height(); ++y)
        std::memcpy(image.scanLine(y), page.RgbRow(y), static_cast<std::size_t>(page.Width()) * 3);
    return image;
}

} // namespace

QRgb ToQRgb(page::ColourValue colour) {
    return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

QImage PageImage(const page::PageSurface& page, int32_t xRes, int32_t yRes) {
    QImage image = page.IsBilevel() ? BitImage(page) : ColourImage(page);
    // Resolutions beyond what dots per metre can hold in an int are left unsaid.
    constexpr int32_t kLargestResolution = 1'000'000;
    if (!image.isNull() && xRes > 0 && yRes > 0 && xRes <= kLargestResolution &&
        yRes <= kLargestResolution) {
        image.setDotsPerMeterX(static_cast<int>(xRes / kMetresPerInch + 0.5));
        image.setDotsPerMeterY(static_cast<int>(yRes / kMetresPerInch + 0.5));
    }
    return image;
}

QSizeF PageInches(const page::PageSurface& page, int32_t xRes, int32_t yRes) {
    const auto inches = page::InchesOf(page.Width(), page.Height(), xRes, yRes);
    return {inches.width, inches.height};
}

QRectF PrintedPlace(QSizeF pageInches, QSizeF areaInches) {
    if (pageInches.isEmpty() || areaInches.isEmpty())
        return {};
    const double scale = std::min(
        {1.0, areaInches.width() / pageInches.width(), areaInches.height() / pageInches.height()});
    const QSizeF size = pageInches * scale;
    return {
        QPointF((areaInches.width() - size.width()) / 2, (areaInches.height() - size.height()) / 2),
        size};
}

} // namespace faxlens::viewer
