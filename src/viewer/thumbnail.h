#pragma once

// A small picture of a page for the viewer's side panel: the whole page scaled with the viewer's
// own area scaler to fit a box at its physical proportions (a fax of 204 x 98 dpi is not drawn
// twice as tall as it is). Made on a worker thread: nothing here needs a window.

#include "page/viewed_page.h"

#include <QImage>
#include <QSize>

namespace faxlens::viewer {

// Null when the page has no surface.
QImage ThumbnailOf(const page::ViewedPage& page, QSize box);

} // namespace faxlens::viewer
