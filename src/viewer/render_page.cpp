#include "viewer/render_page.h"

#include "ui/twips.h"
#include "viewer/band_scaling.h"

#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace faxlens::viewer {

namespace {

constexpr int kMessageMargin = 8;

RenderRequest RequestFor(const PixelSource& page, const QWidget& view, const ScreenMetrics& screen,
                         float zoom, int32_t xRes, int32_t yRes, float hValue, float vValue) {
    RenderRequest request;
    request.pageWidth = page.width;
    request.pageHeight = page.height;
    request.viewWidthTwips = RoundHalfEven(view.width() * screen.twipsPerPixelX);
    request.viewHeightTwips = RoundHalfEven(view.height() * screen.twipsPerPixelY);
    request.zoom = zoom;
    request.xResolution = xRes;
    request.yResolution = yRes;
    request.hValue = hValue;
    request.vValue = vValue;
    request.screen = screen;
    return request;
}

// A drawing that cannot be made leaves the view in its background colour.
void ShowBackgroundOnly(ViewCanvas& view, const RenderPlan& plan) {
    view.ClearPicture(view.size());
    view.SetShownPlan(plan);
    view.update();
}

// The top-left part of a picture as a target of scaling; pixels outside it are not drawn.
PixelTarget PixelsOf(QImage& picture, QSize part) {
    return {picture.bits(), std::min(part.width(), picture.width()),
            std::min(part.height(), picture.height()), picture.bytesPerLine()};
}

// The part of the view that the frame around it shows, in the view's pixels.
QSize VisiblePart(const QWidget& view) {
    const QWidget* frame = view.parentWidget();
    if (frame == nullptr)
        return view.size();
    return {std::clamp(frame->width() - view.x(), 0, view.width()),
            std::clamp(frame->height() - view.y(), 0, view.height())};
}

QColor TextColourOn(const QColor& background) {
    return background.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace

ScreenMetrics GetScreenMetrics(const QWidget& widget) {
    ScreenMetrics metrics;
    const QScreen* screen = widget.screen();
    if (!screen)
        return metrics;
    metrics.horzRes = screen->geometry().width();
    metrics.vertRes = screen->geometry().height();
    metrics.logPixelsX = RoundHalfEven(screen->logicalDotsPerInchX());
    metrics.logPixelsY = RoundHalfEven(screen->logicalDotsPerInchY());
    if (metrics.logPixelsX > 0)
        metrics.twipsPerPixelX = double{ui::kTwipsPerInch} / metrics.logPixelsX;
    if (metrics.logPixelsY > 0)
        metrics.twipsPerPixelY = double{ui::kTwipsPerInch} / metrics.logPixelsY;
    return metrics;
}

bool TiledStretchCopy(const PixelSource& source, const PixelTarget& target, int32_t sx0,
                      int32_t sy0, int32_t sx1, int32_t sy1, int32_t dx, int32_t dy, int32_t dWidth,
                      int32_t dHeight) {
    const std::vector<StretchBand> bands =
        PlanStretchBands(sx0, sy0, sx1, sy1, dx, dy, dWidth, dHeight);
    ScaleBands(source, target, bands);
    return !bands.empty();
}

bool TiledStretchCopy(const PixelSource& source, QImage& target, int32_t sx0, int32_t sy0,
                      int32_t sx1, int32_t sy1, int32_t dx, int32_t dy, int32_t dWidth,
                      int32_t dHeight) {
    if (target.isNull() || target.format() != QImage::Format_RGB888)
        return false;
    return TiledStretchCopy(source, PixelsOf(target, target.size()), sx0, sy0, sx1, sy1, dx, dy,
                            dWidth, dHeight);
}

// The view takes the size of the whole drawing while it is drawn, and its fitted size again
// afterwards; the frame around it clips what lies beyond.
void RenderPage(const PixelSource& page, ViewCanvas& view, float zoom, int32_t xRes, int32_t yRes,
                float hValue, float vValue) {
    const ScreenMetrics screen = GetScreenMetrics(view);
    const RenderPlan plan =
        PlanRender(RequestFor(page, view, screen, zoom, xRes, yRes, hValue, vValue));
    if (!plan.draws) {
        ShowBackgroundOnly(view, plan);
        return;
    }

    view.resize(plan.drawWidth, plan.drawHeight);
    view.ClearPicture(QSize(plan.drawWidth, plan.drawHeight));

    // Only what the frame shows is scaled: the drawing reaches to the page's edges or a screen's
    // size, most of which lies beyond the frame. A larger window draws again.
    TiledStretchCopy(page, PixelsOf(view.Picture(), VisiblePart(view)), plan.x0, plan.y0, plan.x1,
                     plan.y1, 0, 0, plan.dw + 1, plan.dh + 1);
    view.resize(plan.viewWidth, plan.viewHeight);
    view.SetShownPlan(plan);
    view.show();
    view.update();
}

float FitPageZoomFor(const PixelSource& page, const QWidget& view, int32_t xRes, int32_t yRes) {
    const ScreenMetrics screen = GetScreenMetrics(view);
    return std::max(1.0F, FitPageZoom(RequestFor(page, view, screen, 0, xRes, yRes, 0, 0)));
}

void RenderMessage(ViewCanvas& view, const QString& text) {
    view.ClearPicture(view.size());
    view.SetShownPlan(RenderPlan{});
    view.update();
    QImage& picture = view.Picture();
    if (picture.isNull())
        return;
    QPainter painter(&picture);
    painter.setFont(view.font());
    painter.setPen(TextColourOn(view.ResolvedBackColor()));
    painter.drawText(
        picture.rect().adjusted(kMessageMargin, kMessageMargin, -kMessageMargin, -kMessageMargin),
        Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
}

} // namespace faxlens::viewer
