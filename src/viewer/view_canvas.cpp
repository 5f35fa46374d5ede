#include "viewer/view_canvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>

namespace faxlens::viewer {

namespace {

struct SystemColourRole {
    uint8_t index;
    QPalette::ColorRole role;
};

// The system colours that forms commonly use, by index, and the palette role that plays the
// same part here. Any other index takes the window colour.
constexpr SystemColourRole kSystemColourRoles[] = {
    {4, QPalette::Window},           // menu
    {5, QPalette::Base},             // window background
    {7, QPalette::WindowText},       // menu text
    {8, QPalette::Text},             // window text
    {12, QPalette::Dark},            // application workspace
    {13, QPalette::Highlight},       // selected item
    {14, QPalette::HighlightedText}, // selected item's text
    {15, QPalette::Button},          // button face
    {16, QPalette::Dark},            // button shadow
    {18, QPalette::ButtonText},      // button text
    {20, QPalette::Light},           // button highlight
    {21, QPalette::Shadow},          // dark shadow of 3D elements
    {22, QPalette::Midlight},        // light of 3D elements
    {23, QPalette::ToolTipText},     // tooltip text
    {24, QPalette::ToolTipBase},     // tooltip background
};

QPalette::ColorRole RoleOfSystemColour(uint8_t index) {
    for (const SystemColourRole& entry : kSystemColourRoles)
        if (entry.index == index)
            return entry.role;
    return QPalette::Window;
}

} // namespace

page::ColourValue ResolveColour(page::ColourValue colour, const QPalette& palette) {
    if (!(colour & kSystemColourFlag))
        return colour;
    return ToColourValue(palette.color(RoleOfSystemColour(colour & 0xFF)));
}

QColor ToQColor(page::ColourValue colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

page::ColourValue ToColourValue(const QColor& colour) {
    const QRgb rgb = colour.rgb();
    return static_cast<page::ColourValue>(qRed(rgb)) |
           static_cast<page::ColourValue>(qGreen(rgb)) << 8 |
           static_cast<page::ColourValue>(qBlue(rgb)) << 16;
}

namespace {
constexpr int kFocusFrameWidth = 2;
// Rows that could not be decoded: a translucent red, through which what was decoded shows.
const QColor kMarkColour(0xE0, 0x20, 0x20, 0x50);
} // namespace

ViewCanvas::ViewCanvas(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted from the picture or the background; nothing below shows through.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ViewCanvas::SetBackColor(page::ColourValue colour) {
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
    for (const QRectF& mark : marks_)
        painter.fillRect(mark, kMarkColour);
    if (hasFocus())
        PaintFocusFrame(painter);
}

// A frame in the palette's highlight colour just inside the part of the view that its frame
// shows: the page has the keys.
void ViewCanvas::PaintFocusFrame(QPainter& painter) const {
    const QWidget* frame = parentWidget();
    const QSize shown = frame ? QSize(std::clamp(frame->width() - x(), 0, width()),
                                      std::clamp(frame->height() - y(), 0, height()))
                              : size();
    QPen pen(palette().color(QPalette::Highlight));
    pen.setWidth(kFocusFrameWidth);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const int inset = kFocusFrameWidth / 2;
    painter.drawRect(QRect(QPoint(0, 0), shown).adjusted(inset, inset, -inset - 1, -inset - 1));
}

void ViewCanvas::SetMarks(std::vector<QRectF> marks) {
    if (marks == marks_)
        return;
    marks_ = std::move(marks);
    update();
}

void ViewCanvas::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void ViewCanvas::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

} // namespace faxlens::viewer
