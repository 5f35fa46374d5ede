#include "viewer/damage_line.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace faxlens::viewer {

namespace {

constexpr int kPadding = 3;
const QColor kBackground(0xFF, 0xF1, 0xB8);
const QColor kTextColour(0x40, 0x30, 0x00);

} // namespace

DamageLine::DamageLine(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("damageLine"));
    setCursor(Qt::PointingHandCursor);
    hide();
}

void DamageLine::SetText(const QString& text) {
    text_ = text;
    setVisible(!text.isEmpty());
    update();
}

int DamageLine::BandHeight() const {
    return fontMetrics().height() + 2 * kPadding;
}

void DamageLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect band = rect();
    painter.fillRect(band, kBackground);
    painter.setPen(kTextColour);
    painter.drawLine(band.bottomLeft(), band.bottomRight());
    const QRect text = band.adjusted(kPadding * 2, 0, -kPadding * 2, 0);
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                     fontMetrics().elidedText(text_, Qt::ElideRight, text.width()));
}

void DamageLine::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit Clicked();
}

bool DamageLine::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text_, this);
        return true;
    }
    return QWidget::event(event);
}

} // namespace faxlens::viewer
