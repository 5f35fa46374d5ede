#include "viewer/view_input.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <cmath>
#include <optional>

namespace faxlens::viewer {

namespace {

constexpr double kNotch = 120; // eighths of a degree in one notch of a wheel

std::optional<ScrollMove> MoveOf(int key) {
    switch (key) {
    case Qt::Key_Left:
        return ScrollMove::Left;
    case Qt::Key_Right:
        return ScrollMove::Right;
    case Qt::Key_Up:
        return ScrollMove::Up;
    case Qt::Key_Down:
        return ScrollMove::Down;
    case Qt::Key_PageUp:
        return ScrollMove::PageUp;
    case Qt::Key_PageDown:
        return ScrollMove::PageDown;
    case Qt::Key_Home:
        return ScrollMove::Start;
    case Qt::Key_End:
        return ScrollMove::End;
    default:
        return std::nullopt;
    }
}

} // namespace

ViewInput::ViewInput(QWidget& page, QWidget& frame) : QObject(&page), page_(page), frame_(frame) {
    page_.setFocusPolicy(Qt::StrongFocus);
    page_.installEventFilter(this);
    frame_.installEventFilter(this);
}

bool ViewInput::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &page_ && watched != &frame_)
        return false;
    switch (event->type()) {
    case QEvent::Wheel:
        return Wheel(*event);
    case QEvent::MouseButtonPress:
        return watched == &page_ && MousePress(*event);
    case QEvent::MouseMove:
        return watched == &page_ && MouseMove(*event);
    case QEvent::MouseButtonRelease:
        return watched == &page_ && MouseRelease(*event);
    case QEvent::KeyPress:
        return watched == &page_ && Key(*event);
    case QEvent::ContextMenu:
        emit MenuRequested(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    default:
        return false;
    }
}

// A wheel turned away from the user (a positive delta) moves towards the page's start.
bool ViewInput::Wheel(QEvent& event) {
    const auto& wheel = static_cast<QWheelEvent&>(event);
    const Qt::KeyboardModifiers modifiers = wheel.modifiers();
    QPointF angle = wheel.angleDelta();
    QPointF pixels = wheel.pixelDelta();
    if (modifiers & Qt::ControlModifier) {
        // Fine wheels and touchpads send parts of a notch: the zoom steps once per whole notch.
        zoomNotches_ += (angle.y() != 0 ? angle.y() : angle.x()) / kNotch;
        const double whole = std::trunc(zoomNotches_);
        if (whole != 0) {
            zoomNotches_ -= whole;
            emit ZoomAround(whole, page_.mapFromGlobal(wheel.globalPosition()));
        }
        return true;
    }
    if ((modifiers & Qt::ShiftModifier) && angle.x() == 0 && pixels.x() == 0) {
        angle = {angle.y(), 0};
        pixels = {pixels.y(), 0};
    }
    if (!pixels.isNull())
        emit ScrollByPixels(-pixels);
    else if (!angle.isNull())
        emit ScrollByNotches(-angle / kNotch);
    return true;
}

bool ViewInput::MousePress(QEvent& event) {
    const auto& mouse = static_cast<QMouseEvent&>(event);
    if (mouse.button() != Qt::LeftButton)
        return false;
    dragging_ = true;
    lastDragPoint_ = mouse.globalPosition();
    page_.setCursor(Qt::ClosedHandCursor);
    return false; // the press also gives the page the focus
}

bool ViewInput::MouseMove(QEvent& event) {
    if (!dragging_)
        return false;
    const auto& mouse = static_cast<QMouseEvent&>(event);
    const QPointF moved = mouse.globalPosition() - lastDragPoint_;
    lastDragPoint_ = mouse.globalPosition();
    if (!moved.isNull())
        emit ScrollByPixels(-moved); // the page follows the hand
    return true;
}

bool ViewInput::MouseRelease(QEvent& event) {
    if (!dragging_ || static_cast<QMouseEvent&>(event).button() != Qt::LeftButton)
        return false;
    dragging_ = false;
    page_.unsetCursor();
    return true;
}

bool ViewInput::Key(QEvent& event) {
    const auto& key = static_cast<QKeyEvent&>(event);
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const std::optional<ScrollMove> move = MoveOf(key.key());
    if (!move)
        return false;
    emit ScrollKey(*move);
    return true;
}

} // namespace faxlens::viewer
