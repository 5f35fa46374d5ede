#pragma once

// Drawing a page into the viewer's view at a zoom and scroll position: the screen's metrics, the
// colours of the view, the banded smoothed copy and the drawing itself.

#include "page/page_surface.h"
#include "viewer/area_scaler.h"
#include "viewer/render_geometry.h"
#include "viewer/view_canvas.h"

#include <QString>
#include <cstdint>

class QImage;
class QWidget;

namespace faxlens::viewer {

// The screen that shows the widget: its size in pixels and logical dots per inch, read anew on
// every call. A twip is 1/1440 inch, so a pixel is 1440 / dpi twips. All zero without a screen.
ScreenMetrics GetScreenMetrics(const QWidget& widget);

// Copies the inclusive source rectangle (sx0, sy0)-(sx1, sy1) onto the target rectangle at
// (dx, dy) of dWidth x dHeight, smoothed, in bands of at most 1000 source pixels a side. The
// target must hold three bytes a pixel. True when at least one band was copied.
bool TiledStretchCopy(const PixelSource& source, QImage& target, int32_t sx0, int32_t sy0,
                      int32_t sx1, int32_t sy1, int32_t dx, int32_t dy, int32_t dWidth,
                      int32_t dHeight);
// The same onto pixels of which only those inside the target are drawn.
bool TiledStretchCopy(const PixelSource& source, const PixelTarget& target, int32_t sx0,
                      int32_t sy0, int32_t sx1, int32_t sy1, int32_t dx, int32_t dy, int32_t dWidth,
                      int32_t dHeight);

// Draws the part of the page that zoom (percent; below 1 fits the page width) and the scroll
// values (0 to 100) select into the view. xRes and yRes are the page's dots per inch, 0 when
// unknown. Only the part of the drawing
// that the view's frame shows is scaled; the rest of the view shows its background.
void RenderPage(const PixelSource& page, ViewCanvas& view, float zoom, int32_t xRes, int32_t yRes,
                float hValue, float vValue);

// The zoom at which the whole page fits the view at its present size; at least 1, so that it is
// never taken as a request to fit the width.
float FitPageZoomFor(const PixelSource& page, const QWidget& view, int32_t xRes, int32_t yRes);

// Shows a text on the view in place of a page, at the view's present size.
void RenderMessage(ViewCanvas& view, const QString& text);

} // namespace faxlens::viewer
