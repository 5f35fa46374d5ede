#include "viewer/view_canvas.h"

#include "viewer/render_page.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

namespace faxlens {

ViewCanvas::ViewCanvas(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted from the picture or the background; nothing below shows through.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ViewCanvas::SetBackColor(ColourValue colour) {
    backColor_ = colour;
    update();
}

QColor ViewCanvas::ResolvedBackColor() const {
    return ToQColor(ResolveColour(backColor_, palette()));
}

void ViewCanvas::ClearPicture(QSize size) {
    if (picture_.size() != size || picture_.format() != QImage::Format_RGB888)
        picture_ = QImage(size, QImage::Format_RGB888);
    picture_.fill(ResolvedBackColor());
}

void ViewCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture_);
    const QRegion uncovered = event->region() - QRegion(picture_.rect());
    const QColor background = ResolvedBackColor();
    for (const QRect& rect : uncovered)
        painter.fillRect(rect, background);
}

} // namespace faxlens
