#pragma once

// What an input event is, as both windows ask it.

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace faxlens::ui {

// Return on the main keyboard and Enter on the keypad alike.
inline bool IsEnterKey(const QEvent& event) {
    if (event.type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent&>(event).key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

inline bool IsLeftDoubleClick(const QEvent& event) {
    return event.type() == QEvent::MouseButtonDblClick &&
           static_cast<const QMouseEvent&>(event).button() == Qt::LeftButton;
}

} // namespace faxlens::ui
