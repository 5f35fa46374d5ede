#include "viewer/damage_marks.h"

namespace faxlens::viewer {

// A quarter turn clockwise takes the pixel (x, y) of a page h rows high to (h - 1 - y, x), a half
// turn to (w - 1 - x, h - 1 - y), three quarter turns to (y, w - 1 - x).
ShownStretch ShownStretchOfRows(int32_t from, int32_t to, int quarterTurns, int32_t fileHeight) {
    switch (((quarterTurns % 4) + 4) % 4) {
    case 1:
        return {true, fileHeight - to, fileHeight - from};
    case 2:
        return {false, fileHeight - to, fileHeight - from};
    case 3:
        return {true, from, to};
    default:
        return {false, from, to};
    }
}

int32_t FileRowAt(int32_t column, int32_t row, int quarterTurns, int32_t fileHeight) {
    switch (((quarterTurns % 4) + 4) % 4) {
    case 1:
        return fileHeight - 1 - column;
    case 2:
        return fileHeight - 1 - row;
    case 3:
        return column;
    default:
        return row;
    }
}

QRectF ViewRectOf(const ShownStretch& stretch, const RenderPlan& plan, int32_t width,
                  int32_t height) {
    if (!plan.draws || stretch.to <= stretch.from)
        return {};
    // Page pixel p lies at (p - first shown) * pixels per page pixel in the view.
    const double left = (0 - plan.x0) * plan.kx;
    const double top = (0 - plan.y0) * plan.ky;
    const double right = (width - plan.x0) * plan.kx;
    const double bottom = (height - plan.y0) * plan.ky;
    const QRectF page(QPointF(left, top), QPointF(right, bottom));
    const QRectF band = stretch.columns ? QRectF(QPointF((stretch.from - plan.x0) * plan.kx, top),
                                                 QPointF((stretch.to - plan.x0) * plan.kx, bottom))
                                        : QRectF(QPointF(left, (stretch.from - plan.y0) * plan.ky),
                                                 QPointF(right, (stretch.to - plan.y0) * plan.ky));
    return band.intersected(page).intersected(QRectF(0, 0, plan.drawWidth, plan.drawHeight));
}

} // namespace faxlens::viewer
